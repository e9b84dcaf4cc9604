#include "modem/kept_answer.h"

#include <algorithm>

std::size_t KeptAnswer::append(const char* data, std::size_t length) {
    if (data == nullptr || length == 0) {
        return 0;
    }
    const std::size_t intoHead =
        m_text.size() < kHeadBytes ? std::min(length, kHeadBytes - m_text.size()) : 0;
    m_text.append(data, length);
    // Trimmed only once a whole tail's worth has piled up behind the kept tail, so each byte
    // is moved at most once or twice however long the flood.
    if (m_text.size() > kHeadBytes + 2 * kTailBytes) {
        const std::size_t surplus = m_text.size() - kHeadBytes - kTailBytes;
        m_text.erase(kHeadBytes, surplus);
        m_dropped += surplus;
    }
    return intoHead;
}

void KeptAnswer::clear() {
    m_text.clear();
    m_dropped = 0;
}

std::string_view KeptAnswer::head() const {
    return std::string_view(m_text).substr(0, kHeadBytes);
}

std::string_view KeptAnswer::tail() const {
    const std::size_t rest = m_text.size() - head().size();
    return std::string_view(m_text).substr(m_text.size() - std::min(rest, kTailBytes));
}

std::uint64_t KeptAnswer::skipped() const {
    const std::size_t rest = m_text.size() - head().size();
    return m_dropped + (rest > kTailBytes ? rest - kTailBytes : 0);
}
