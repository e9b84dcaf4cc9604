#pragma once

// Frames information text and result codes the way the current settings ask: verbose
// framing is S3 S4 text S3 S4; numeric result codes are the number followed by S3, and
// information text then loses its leading S3 S4.

#include <string>
#include <string_view>

#include "sim/modem_profile.h"
#include "sim/result_codes.h"

namespace sim {

std::string formatInformation(const ModemProfile& profile, std::string_view text);
std::string formatResult(const ModemProfile& profile, ResultCode code);

}  // namespace sim
