#pragma once

// What is kept of one answer: all of it while it is short; of a long one (a flooding modem)
// its first kHeadBytes and its last kTailBytes, with the count of the bytes left out between
// them. The memory an answer takes stays bounded whatever the modem sends; judging it is not
// affected, since the matchers see every byte as it arrives.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class KeptAnswer {
public:
    static constexpr std::size_t kHeadBytes = 64 * 1024;
    static constexpr std::size_t kTailBytes = 64 * 1024;

    // Returns how many of the bytes (from their start) went into the head, which is kept for
    // good; the rest may still be left out once more bytes follow.
    std::size_t append(const char* data, std::size_t length);
    // Forgets the answer; the memory stays for the next one.
    void clear();

    // The kept bytes in order: the head, then the newest bytes after it (tail() and, until
    // the next trim, up to kTailBytes older ones). Equal to the whole answer until more than
    // kHeadBytes + 2 * kTailBytes bytes have arrived.
    const std::string& text() const { return m_text; }
    std::string_view head() const;
    // The last bytes after the head, at most kTailBytes.
    std::string_view tail() const;
    // Bytes between head() and tail() that are no longer shown.
    std::uint64_t skipped() const;

private:
    std::string m_text;
    std::uint64_t m_dropped = 0;  // bytes trimmed out of m_text after its head
};
