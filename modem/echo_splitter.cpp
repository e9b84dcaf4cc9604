#include "modem/echo_splitter.h"

#include <cstring>

std::string_view EchoSplitter::echoOf(std::string_view written) {
    const std::size_t cr = written.find('\r');
    return cr == std::string_view::npos ? written : written.substr(0, cr + 1);
}

EchoSplitter::EchoSplitter(std::string_view written)
    : m_echo(echoOf(written)), m_fallback(m_echo.size(), 0), m_seen(m_echo.empty()) {
    for (std::size_t i = 1, k = 0; i < m_echo.size(); ++i) {
        while (k > 0 && m_echo[i] != m_echo[k]) {
            k = m_fallback[k - 1];
        }
        if (m_echo[i] == m_echo[k]) {
            ++k;
        }
        m_fallback[i] = k;
    }
}

EchoSplitter::Step EchoSplitter::feed(std::string_view chunk) {
    if (m_seen) {
        return {false, 0, chunk};
    }
    const std::size_t heldBefore = m_matched;
    for (std::size_t i = 0; i < chunk.size(); ++i) {
        if (m_matched == 0) {
            // Nothing of the echo is pending: skip to where it could start.
            const void* start = std::memchr(chunk.data() + i, m_echo[0], chunk.size() - i);
            if (start == nullptr) {
                break;
            }
            i = static_cast<std::size_t>(static_cast<const char*>(start) - chunk.data());
        }
        while (m_matched > 0 && chunk[i] != m_echo[m_matched]) {
            m_matched = m_fallback[m_matched - 1];
        }
        if (chunk[i] == m_echo[m_matched]) {
            ++m_matched;
        }
        if (m_matched == m_echo.size()) {
            m_seen = true;
            const std::size_t end = i + 1;
            return {true, end > m_echo.size() ? end - m_echo.size() : 0, chunk.substr(end)};
        }
    }
    // Released: the bytes held before and this chunk, less what is held now.
    const std::size_t released = heldBefore + chunk.size() - m_matched;
    if (heldBefore == 0) {
        return {false, 0, chunk.substr(0, released)};
    }
    m_released.assign(m_echo, 0, heldBefore);
    m_released.append(chunk);
    m_released.resize(released);
    return {false, 0, m_released};
}
