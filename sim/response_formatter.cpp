#include "sim/response_formatter.h"

namespace sim {

std::string formatInformation(const ModemProfile& profile, std::string_view text) {
    const std::string lineEnd{profile.terminator(), profile.formatting()};
    std::string out;
    if (profile.verbose) {
        out += lineEnd;
    }
    out += text;
    out += lineEnd;
    return out;
}

std::string formatResult(const ModemProfile& profile, ResultCode code, std::string_view detail) {
    const ResultCodeEntry& entry = resultCodeEntry(code);
    const std::string text = std::string{entry.verbose}.append(detail);
    if (!profile.verbose) {
        return (entry.number < 0 ? text : std::to_string(entry.number)) + profile.terminator();
    }
    const std::string lineEnd{profile.terminator(), profile.formatting()};
    return lineEnd + text + lineEnd;
}

std::string connectDetail(std::uint32_t rate) {
    return rate == 0 ? std::string{} : " " + std::to_string(rate);
}

}  // namespace sim
