#pragma once

// Line rates that have no Bxxx constant (250000, 1000000, ...), set and read through the
// kernel's termios2 interface. Its headers clash with <termios.h>, so this part lives in a
// source file of its own and speaks only plain types.

#include <optional>

namespace line_rate {

// The output rate currently in force on the terminal fd, in bits per second.
std::optional<unsigned> read(int fd);

// Sets both directions of the terminal fd to baud at once (no drain, no flush); every other
// line setting stays as it is. False when the terminal refused.
bool write(int fd, unsigned baud);

}  // namespace line_rate
