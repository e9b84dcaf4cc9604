#include "sim/flood_pattern.h"

#include <cstdio>

namespace sim {

char FloodPattern::byteAt(std::uint64_t position) {
    const std::uint64_t line = position / kLineLength;
    char text[kLineLength + 1] = {};
    std::snprintf(text, sizeof text, "FLOOD %08llu\r\n",
                  static_cast<unsigned long long>(line % 100000000ULL));
    return text[position % kLineLength];
}

std::string FloodPattern::slice(std::uint64_t position, std::size_t count) {
    std::string out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        out.push_back(byteAt(position + i));
    }
    return out;
}

}  // namespace sim
