#include "cli/at_event_lines.h"

#include "common/text_utils.h"
#include "modem/disconnect_reason.h"
#include "modem/modem_port.h"
#include "platform/cp1251.h"

std::string callEndLine(int reason) {
    for (const DisconnectReason::Word& word : DisconnectReason::words) {
        if (word.reason == reason) {
            return "CALL END " + std::string(word.text);
        }
    }
    return "CALL END " + std::to_string(reason);
}

std::string dataLine(const char* data, std::size_t length) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string line = "DATA ";
    for (std::size_t i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        line += kDigits[byte >> 4];
        line += kDigits[byte & 0x0F];
    }
    return line;
}

std::string portErrorLine(std::string_view error) {
    for (const std::string_view prefix :
         {ModemPort::kReadErrorPrefix, ModemPort::kWriteErrorPrefix}) {
        if (error.starts_with(prefix)) {
            error.remove_prefix(prefix.size());
            break;
        }
    }
    while (!error.empty() && (error.back() == '\n' || error.back() == '\r')) {
        error.remove_suffix(1);
    }
    return "PORT ERROR " + platform::cp1251ToUtf8(error);
}

std::string modemText(std::string_view bytes) {
    std::string text(bytes);
    SimpleUtils::escapeLineBreaks(text);
    return platform::cp1251ToUtf8(text);
}

std::string stamped(std::string_view text) {
    return SimpleUtils::localTimeText("", " ", true) + std::string(text);
}
