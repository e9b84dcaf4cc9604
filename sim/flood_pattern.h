#pragma once

// What the modem sends when it floods the line: numbered lines "FLOOD 00000000" CR LF, so a
// reader can tell lost, doubled or reordered bytes from the position alone.

#include <cstddef>
#include <cstdint>
#include <string>

namespace sim {

class FloodPattern {
public:
    static constexpr std::size_t kLineLength = 16;

    // The byte at a position of the endless stream.
    static char byteAt(std::uint64_t position);

    // The stream from a position on.
    static std::string slice(std::uint64_t position, std::size_t count);
};

}  // namespace sim
