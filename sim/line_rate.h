#pragma once

// The line rate an application set on a terminal. On a pseudo-terminal the master side
// reads it from a slave descriptor: both ends share the slave's settings.

#include <cstdint>

namespace sim {

// Bits per second, or 0 when the settings cannot be read.
std::uint32_t lineRate(int terminalFd);

// The rate set through termios2 with BOTHER (any rate without a B constant, 14400 for
// instance); 0 when it cannot be read. Lives in a file of its own: the kernel's termios2
// header cannot share a translation unit with <termios.h>.
std::uint32_t customLineRate(int terminalFd);

}  // namespace sim
