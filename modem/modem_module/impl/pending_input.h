#pragma once

// Bytes one read of the line took off it that belong to the next one: what followed the line
// that completed a command in the same chunk (a call's first data after CONNECT, a second
// report), a report line cut off by the end of a listen, or the start of a call-ending word
// at the end of a data read. The next read (a listen between calls, a read during a call)
// takes them first, as if they had just arrived.
//
// Owned by the facade and touched only on its worker thread.

#include <cstddef>
#include <string>
#include <string_view>

class PendingInput {
public:
    // More than this is no report line nor the start of a word, whatever it is; only its
    // newest bytes are kept, so a modem that floods without line ends costs bounded memory.
    static constexpr std::size_t kLimit = 16 * 1024;

    void keep(std::string_view bytes) {
        m_bytes.append(bytes);
        if (m_bytes.size() > kLimit) {
            m_bytes.erase(0, m_bytes.size() - kLimit);
        }
    }
    std::string take() {
        std::string bytes;
        bytes.swap(m_bytes);
        return bytes;
    }
    bool empty() const { return m_bytes.empty(); }

private:
    std::string m_bytes;
};
