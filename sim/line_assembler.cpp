#include "sim/line_assembler.h"

#include <utility>

namespace sim {

AssembledByte LineAssembler::push(char byte, std::uint32_t rateNow, char terminator, char editing) {
    AssembledByte result;
    if (byte == '\n' && terminator != '\n') {
        result.ignored = true;
        result.lineRate = m_started ? m_rate : rateNow;
        return result;
    }
    if (!m_started) {
        m_started = true;
        m_rate = rateNow;
    }
    result.lineRate = m_rate;
    if (byte == terminator) {
        result.completed = CompletedLine{std::move(m_text), m_rate, m_overflowed};
        clear();
        return result;
    }
    if (byte == editing) {
        if (!m_text.empty()) {
            m_text.pop_back();
        }
        return result;
    }
    if (m_text.size() < kCapacity) {
        m_text.push_back(byte);
    } else {
        m_overflowed = true;
    }
    return result;
}

void LineAssembler::clear() {
    m_text.clear();
    m_started = false;
    m_overflowed = false;
    m_rate = 0;
}

}  // namespace sim
