#pragma once

// COM port numbers on Linux. A number names a device either through a link the operator
// made, <application folder>/ports/comN (a USB modem, a pseudo-terminal), or through the
// fixed ranges COM1-32 = ttyS0-31, COM33-64 = ttyUSB0-31, COM65-96 = ttyACM0-31. An existing
// ports/comN entry decides alone, so a dangling link hides a range device of the same number.
// The file ports/links-only switches the ranges off (demos and tests must never touch the
// machine's own UARTs).

#include <filesystem>
#include <string>
#include <vector>

namespace platform {

// Where the map looks. Tests point all three at a fake tree.
struct SerialRoots {
    // Empty: the application folder at the time of the call.
    std::filesystem::path appFolder;
    std::filesystem::path dev = "/dev";
    std::filesystem::path sysTty = "/sys/class/tty";
};

// The device to open for COM port number portNumber; empty when the number has no device.
// A range device is named whether or not it exists: opening it tells.
std::filesystem::path serialDevicePath(int portNumber, const SerialRoots& roots = {});

// The ports worth offering, as "COM%d" texts sorted by number, each number once: the
// ports/comN links whose target exists and, unless links-only, the range devices that are
// real serial devices (a driver stands behind them and, for 8250 UARTs, a UART was found).
std::vector<std::string> listSerialPorts(const SerialRoots& roots = {});

}  // namespace platform
