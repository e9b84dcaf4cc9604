#pragma once

// Short messages in the raw form a modem prints in PDU mode: an SMS-DELIVER built from a
// sender and a text, and the length +CMGR reports for a PDU given as it is.

#include <cstddef>
#include <string>
#include <string_view>

namespace sim {

// Every message built here carries this time stamp: 2024-01-01 12:00:00, UTC.
inline constexpr std::string_view kMessageTimestamp = "24/01/01,12:00:00+00";

// An SMS-DELIVER without service centre address, as upper-case hexadecimal. The text
// (UTF-8) goes in the GSM 7-bit default alphabet when it fits, in UCS-2 otherwise. The
// sender is digits with an optional leading "+". Throws std::invalid_argument for a sender
// or text that cannot go into one message.
std::string encodeDeliverPdu(std::string_view sender, std::string_view text);

// The octets after the service centre part, the number +CMGR prints before a PDU. Throws
// std::invalid_argument for text that is not a PDU in hexadecimal.
std::size_t pduTpduLength(std::string_view hex);

}  // namespace sim
