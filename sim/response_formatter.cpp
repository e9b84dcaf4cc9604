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

std::string formatResult(const ModemProfile& profile, ResultCode code) {
    const ResultCodeEntry& entry = resultCodeEntry(code);
    if (!profile.verbose) {
        return std::to_string(entry.number) + profile.terminator();
    }
    const std::string lineEnd{profile.terminator(), profile.formatting()};
    return lineEnd + std::string{entry.verbose} + lineEnd;
}

}  // namespace sim
