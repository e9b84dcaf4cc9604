#pragma once

// Frames information text and result codes the way the current settings ask: verbose
// framing is S3 S4 text S3 S4; numeric result codes are the number followed by S3, and
// information text then loses its leading S3 S4. A result code may carry a detail after its
// text ("CONNECT 9600", "+CMS ERROR: 321"); numeric mode sends the bare number, except for
// extended codes, which have none and keep their text.

#include <cstdint>
#include <string>
#include <string_view>

#include "sim/modem_profile.h"
#include "sim/result_codes.h"

namespace sim {

std::string formatInformation(const ModemProfile& profile, std::string_view text);
std::string formatResult(const ModemProfile& profile, ResultCode code,
                         std::string_view detail = {});
// The detail of CONNECT: " <rate>", or nothing for an unknown rate.
std::string connectDetail(std::uint32_t rate);

}  // namespace sim
