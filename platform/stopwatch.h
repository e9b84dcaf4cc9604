#pragma once

#include <cstdint>

namespace platform {

// Millisecond stopwatch over the 32-bit tick. A start tick of 0 means "not started".
// Elapsed time is taken modulo 2^32, so a wait that spans the tick's wrap still ends.
class Stopwatch {
public:
    void start();
    void stop();
    void reset();
    bool running() const { return m_running; }
    std::uint32_t elapsed() const;

    // For tests: the same rules with an explicit "now".
    void startAt(std::uint32_t tick);
    void stopAt(std::uint32_t tick);
    std::uint32_t elapsedAt(std::uint32_t now) const;

private:
    std::uint32_t m_startTick = 0;
    std::uint32_t m_stopTick = 0;
    bool m_running = false;
};

}  // namespace platform
