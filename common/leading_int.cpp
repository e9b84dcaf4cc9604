#include "common/leading_int.h"

#include <limits>

namespace SimpleUtils {

std::optional<std::int32_t> leadingInt(std::string_view text) {
    std::size_t pos = text.find_first_not_of(" \t\n\v\f\r");
    if (pos == std::string_view::npos) {
        return std::nullopt;
    }
    bool negative = false;
    if (text[pos] == '-' || text[pos] == '+') {
        negative = text[pos] == '-';
        ++pos;
    }
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
    std::int64_t value = 0;
    bool anyDigit = false;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        anyDigit = true;
        if (value <= kMax + 1) {  // past that the limit is decided; stop growing
            value = value * 10 + (text[pos] - '0');
        }
    }
    if (!anyDigit) {
        return std::nullopt;
    }
    value = negative ? -value : value;
    if (value > kMax) {
        return static_cast<std::int32_t>(kMax);
    }
    if (value < kMin) {
        return static_cast<std::int32_t>(kMin);
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace SimpleUtils
