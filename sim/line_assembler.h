#pragma once

// Gathers received bytes into command lines. A line ends with the S3 character; LF is
// dropped wherever it appears (applications send CR LF); the S5 character takes back the
// previous byte. Each line remembers the line rate in force when its first byte arrived:
// a modem that hears a line at the wrong rate hears noise, however the rate changes later.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace sim {

struct CompletedLine {
    std::string text;  // without the terminator
    std::uint32_t rate = 0;
    bool overflowed = false;  // longer than the buffer: the tail was dropped
};

struct AssembledByte {
    bool ignored = false;        // an LF: neither stored nor echoed
    std::uint32_t lineRate = 0;  // rate at the first byte of the line this byte belongs to
    std::optional<CompletedLine> completed;
};

class LineAssembler {
public:
    static constexpr std::size_t kCapacity = 512;

    AssembledByte push(char byte, std::uint32_t rateNow, char terminator, char editing);

    // Forgets a partly received line (a hang-up, a reset of the line).
    void clear();

private:
    std::string m_text;
    bool m_started = false;
    bool m_overflowed = false;
    std::uint32_t m_rate = 0;
};

}  // namespace sim
