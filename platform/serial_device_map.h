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

// What a COM number leads to, found without opening anything (a number may name a live
// console UART).
struct SerialPortTarget {
    enum class Kind { None, Link, Range };
    Kind kind = Kind::None;
    // <application folder>/ports/comN: the link, or where one would have to go.
    std::filesystem::path entry;
    // The device itself: a link's target (resolved to the device node when it exists, as
    // the link names it when it dangles), the range device, or the entry for a number that
    // names nothing.
    std::filesystem::path device;
    bool present = false;  // the device exists
};
SerialPortTarget describeSerialPort(int portNumber, const SerialRoots& roots = {});

// The device to open for COM port number portNumber; empty when the number has no device.
// A range device is named whether or not it exists: opening it tells.
std::filesystem::path serialDevicePath(int portNumber, const SerialRoots& roots = {});

// The numbers of every ports/comN entry, dangling links included, ascending.
std::vector<int> linkedPortNumbers(const SerialRoots& roots = {});

// The /dev/serial/by-id link that leads to device (a name that survives replugging); empty
// when there is none.
std::filesystem::path stableSerialName(const std::filesystem::path& device,
                                       const SerialRoots& roots = {});

// The kernel driver of a tty device ("cdc_acm", "serial8250"); empty when sysfs names none
// (pseudo-terminals have none).
std::string serialDriverName(const std::filesystem::path& device, const SerialRoots& roots = {});

// The ports worth offering, as "COM%d" texts sorted by number, each number once: the
// ports/comN links whose target exists and, unless links-only, the range devices that are
// real serial devices (a driver stands behind them and, for 8250 UARTs, a UART was found).
std::vector<std::string> listSerialPorts(const SerialRoots& roots = {});

}  // namespace platform
