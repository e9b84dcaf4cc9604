#include "modem/comm_mode.h"

#include <cctype>
#include <charconv>

namespace {

std::string_view nextToken(std::string_view& text) {
    const std::size_t end = text.find(' ');
    const std::string_view token = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    return token;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) {
            return false;
        }
    }
    return true;
}

bool parseNumber(std::string_view text, int& value) {
    if (text.empty() || text.front() == '+' || text.front() == '-') {
        return false;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size();
}

}  // namespace

std::optional<CommMode> parseCommMode(std::string_view text) {
    CommMode mode;
    bool haveBaud = false;
    bool haveParity = false;
    bool haveData = false;
    bool haveStop = false;
    while (!text.empty()) {
        const std::string_view token = nextToken(text);
        const std::size_t equals = token.find('=');
        if (equals == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view key = token.substr(0, equals);
        const std::string_view value = token.substr(equals + 1);
        if (equalsNoCase(key, "baud") && !haveBaud) {
            haveBaud = parseNumber(value, mode.baud) && mode.baud > 0;
            if (!haveBaud) {
                return std::nullopt;
            }
        } else if (equalsNoCase(key, "parity") && !haveParity) {
            if (value.size() != 1) {
                return std::nullopt;
            }
            mode.parity = static_cast<char>(std::toupper(static_cast<unsigned char>(value[0])));
            if (std::string_view("NEOMS").find(mode.parity) == std::string_view::npos) {
                return std::nullopt;
            }
            haveParity = true;
        } else if (equalsNoCase(key, "data") && !haveData) {
            if (!parseNumber(value, mode.dataBits) || mode.dataBits < 5 || mode.dataBits > 8) {
                return std::nullopt;
            }
            haveData = true;
        } else if (equalsNoCase(key, "stop") && !haveStop) {
            if (value == "1") {
                mode.stopHalves = 2;
            } else if (value == "1.5") {
                mode.stopHalves = 3;
            } else if (value == "2") {
                mode.stopHalves = 4;
            } else {
                return std::nullopt;
            }
            haveStop = true;
        } else {
            return std::nullopt;
        }
    }
    if (!haveBaud) {
        return std::nullopt;
    }
    return mode;
}
