#include "sim/escape_detector.h"

namespace sim {

namespace {

constexpr int kEscapeLength = 3;
// S12 counts fiftieths of a second.
constexpr int kGuardUnitMs = 20;

}  // namespace

EscapeRule EscapeRule::from(const ModemProfile& profile) {
    EscapeRule rule;
    const std::uint8_t character = profile.registers[ModemProfile::kEscapeChar];
    if (character <= 127) {
        rule.character = static_cast<char>(character);
    }
    rule.guard =
        std::chrono::milliseconds(profile.registers[ModemProfile::kEscapeGuardTime] * kGuardUnitMs);
    return rule;
}

void EscapeDetector::reset(EscapeRule rule, SimTime now) {
    m_rule = rule;
    m_lastData = now;
    m_held = 0;
}

EscapeStep EscapeDetector::feed(std::string_view bytes, SimTime now) {
    EscapeStep step;
    const bool timed = m_rule.guard.count() > 0;
    for (const char byte : bytes) {
        ++step.consumed;
        const bool escapeChar = m_rule.character && byte == *m_rule.character;
        if (m_held > 0) {
            if (escapeChar && m_held < kEscapeLength && (!timed || now - m_heldAt < m_rule.guard)) {
                ++m_held;
                m_heldAt = now;
                if (m_held == kEscapeLength && !timed) {
                    m_held = 0;
                    step.escaped = true;
                    return step;
                }
                continue;
            }
            release(step.data);
        }
        if (escapeChar && (!timed || now - m_lastData >= m_rule.guard)) {
            m_held = 1;
            m_heldAt = now;
            continue;
        }
        step.data.push_back(byte);
        m_lastData = now;
    }
    return step;
}

EscapeStep EscapeDetector::tick(SimTime now) {
    EscapeStep step;
    // Without a guard time only the next byte decides about held characters.
    if (m_held == 0 || m_rule.guard.count() == 0 || now - m_heldAt < m_rule.guard) {
        return step;
    }
    if (m_held == kEscapeLength) {
        m_held = 0;
        step.escaped = true;
    } else {
        release(step.data);
    }
    return step;
}

std::optional<SimTime> EscapeDetector::deadline() const {
    if (m_held == 0 || m_rule.guard.count() == 0) {
        return std::nullopt;
    }
    return m_heldAt + m_rule.guard;
}

void EscapeDetector::release(std::string& data) {
    data.append(static_cast<std::size_t>(m_held), *m_rule.character);
    m_lastData = m_heldAt;
    m_held = 0;
}

}  // namespace sim
