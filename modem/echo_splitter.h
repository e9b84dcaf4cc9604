#pragma once

// Tells a command's reply from its echo and from what came before it. A modem with echo on
// sends the written bytes back before its reply; anything that arrives ahead of that echo
// (a late answer to an earlier command) is no reply to this command, and the echo itself
// holds the command's own text, which an expected answer could otherwise be found in.
//
// The echo is the written bytes up to and including their first CR (all of them without a
// CR), compared byte for byte, letter case included; a modem may or may not follow the
// echoed CR with an LF. Until the first complete echo has come, the received bytes are
// released to be judged as they come (a modem with echo off sends no echo), except a tail
// that may still be the start of the echo: it waits for the next bytes. Once the echo has
// come, everything after it is reply.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class EchoSplitter {
public:
    explicit EchoSplitter(std::string_view written);

    // The bytes a modem echoes for a command written as these bytes.
    static std::string_view echoOf(std::string_view written);

    struct Step {
        // The first complete echo ended in this chunk: the bytes released before it were no
        // reply, and whatever was judged of them is to be forgotten.
        bool echoEnded = false;
        // Bytes at the start of the chunk that came before the echo (only with echoEnded).
        std::size_t stray = 0;
        // The bytes to judge now, in order; valid until the next feed.
        std::string_view reply;
    };

    Step feed(std::string_view chunk);

private:
    std::string m_echo;
    // Per echo prefix length - 1: the longest proper prefix of the echo that is also a
    // suffix of that prefix (where a partial match falls back to on a mismatch).
    std::vector<std::size_t> m_fallback;
    // The received bytes end with this many bytes of the echo: they are held back.
    std::size_t m_matched = 0;
    bool m_seen = false;
    std::string m_released;
};
