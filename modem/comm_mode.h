#pragma once

// The line parameters text a serial port is opened with, "baud=115200 parity=N data=8
// stop=1": the same "mode" syntax the port's callers have always produced.

#include <optional>
#include <string_view>

struct CommMode {
    int baud = 0;
    // Upper case: 'N', 'E', 'O', 'M' or 'S'.
    char parity = 'N';
    int dataBits = 8;
    // In halves, so that 1.5 stop bits fit: 2, 3 or 4.
    int stopHalves = 2;
};

// Space separated key=value pairs, each key (baud, parity, data, stop; any letter case) at
// most once, baud required. Anything else, including an out-of-range value, is malformed.
std::optional<CommMode> parseCommMode(std::string_view text);
