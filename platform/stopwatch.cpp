#include "platform/stopwatch.h"

#include "platform/tick.h"

namespace platform {

void Stopwatch::start() {
    startAt(tickCount());
}

void Stopwatch::stop() {
    stopAt(tickCount());
}

void Stopwatch::reset() {
    m_startTick = 0;
    m_stopTick = 0;
    m_running = false;
}

std::uint32_t Stopwatch::elapsed() const {
    return elapsedAt(tickCount());
}

void Stopwatch::startAt(std::uint32_t tick) {
    m_startTick = tick == 0 ? 1 : tick;
    m_running = true;
}

void Stopwatch::stopAt(std::uint32_t tick) {
    if (m_running) {
        m_stopTick = tick;
        m_running = false;
    }
}

std::uint32_t Stopwatch::elapsedAt(std::uint32_t now) const {
    if (m_startTick == 0) {
        return 0;
    }
    return ticksBetween(m_startTick, m_running ? now : m_stopTick);
}

}  // namespace platform
