#pragma once

// The modem's sense of time. Everything that waits (a dial's outcome, a repeated ring, the
// guard time around "+++") takes the time as an argument, so the session can be driven by a
// made-up clock in tests and by the real one on the line.

#include <chrono>

namespace sim {

using SimClock = std::chrono::steady_clock;
using SimTime = SimClock::time_point;

}  // namespace sim
