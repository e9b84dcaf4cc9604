#include "platform/serial_device_map.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <string_view>
#include <system_error>

#include "platform/app_folder.h"

namespace platform {
namespace {

struct Range {
    int first;
    std::string_view prefix;
};

constexpr int kRangeSize = 32;
// The tty's device and the serial core's two levels above it.
constexpr int kDriverSearchDepth = 3;
constexpr Range kRanges[] = {{1, "ttyS"}, {33, "ttyUSB"}, {65, "ttyACM"}};

std::filesystem::path portsFolder(const SerialRoots& roots) {
    const std::filesystem::path app =
        roots.appFolder.empty() ? applicationFolder() : roots.appFolder;
    return app / "ports";
}

bool entryExists(const std::filesystem::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

bool targetExists(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

bool linksOnly(const std::filesystem::path& ports) {
    return entryExists(ports / "links-only");
}

std::filesystem::path linkPath(const std::filesystem::path& ports, int portNumber) {
    return ports / ("com" + std::to_string(portNumber));
}

// The kernel name of the range device for portNumber ("ttyUSB3"), empty outside the ranges.
std::string rangeName(int portNumber) {
    for (const Range& range : kRanges) {
        if (portNumber >= range.first && portNumber < range.first + kRangeSize) {
            return std::string(range.prefix) + std::to_string(portNumber - range.first);
        }
    }
    return {};
}

// The 8250 driver registers ttyS0-31 whether or not a UART answers; those placeholders
// report the UART type 0 (unknown) and fail every open with EIO.
bool isPlaceholderUart(const std::filesystem::path& sysEntry) {
    std::ifstream type(sysEntry / "type");
    int value = -1;
    return type >> value && value == 0;
}

bool isRealSerialDevice(const SerialRoots& roots, const std::string& name) {
    const std::filesystem::path sysEntry = roots.sysTty / name;
    return targetExists(roots.dev / name) && entryExists(sysEntry / "device") &&
           !isPlaceholderUart(sysEntry);
}

// "com12" -> 12; anything that serialDevicePath would not look up -> 0.
int linkNumber(const std::string& fileName) {
    if (fileName.size() < 4 || fileName.compare(0, 3, "com") != 0 || fileName[3] == '0') {
        return 0;
    }
    int number = 0;
    for (std::size_t i = 3; i < fileName.size(); ++i) {
        const char c = fileName[i];
        if (c < '0' || c > '9' || number > 99999) {
            return 0;
        }
        number = number * 10 + (c - '0');
    }
    return number;
}

}  // namespace

SerialPortTarget describeSerialPort(int portNumber, const SerialRoots& roots) {
    const std::filesystem::path ports = portsFolder(roots);
    SerialPortTarget target;
    target.entry = linkPath(ports, portNumber);
    target.device = target.entry;
    std::error_code ec;
    if (entryExists(target.entry)) {
        target.kind = SerialPortTarget::Kind::Link;
        target.present = targetExists(target.entry);
        if (target.present) {
            const std::filesystem::path resolved = std::filesystem::canonical(target.entry, ec);
            target.device = ec ? target.entry : resolved;
        } else if (const std::filesystem::path named =
                       std::filesystem::read_symlink(target.entry, ec);
                   !ec) {
            target.device = (ports / named).lexically_normal();
        }
        return target;
    }
    const std::string name = linksOnly(ports) ? std::string() : rangeName(portNumber);
    if (!name.empty()) {
        target.kind = SerialPortTarget::Kind::Range;
        target.device = roots.dev / name;
        target.present = targetExists(target.device);
    }
    return target;
}

std::filesystem::path serialDevicePath(int portNumber, const SerialRoots& roots) {
    const SerialPortTarget target = describeSerialPort(portNumber, roots);
    switch (target.kind) {
        case SerialPortTarget::Kind::Link:
            return target.present ? target.entry : std::filesystem::path{};
        case SerialPortTarget::Kind::Range:
            return target.device;
        case SerialPortTarget::Kind::None:
            break;
    }
    return {};
}

std::vector<int> linkedPortNumbers(const SerialRoots& roots) {
    std::vector<int> numbers;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(portsFolder(roots), ec), end; !ec && it != end;
         it.increment(ec)) {
        const int number = linkNumber(it->path().filename().string());
        if (number > 0) {
            numbers.push_back(number);
        }
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

std::filesystem::path stableSerialName(const std::filesystem::path& device,
                                       const SerialRoots& roots) {
    std::error_code ec;
    const std::filesystem::path wanted = std::filesystem::canonical(device, ec);
    if (ec) {
        return {};
    }
    std::vector<std::filesystem::path> names;
    for (std::filesystem::directory_iterator it(roots.dev / "serial" / "by-id", ec), end;
         !ec && it != end; it.increment(ec)) {
        std::error_code resolveError;
        if (std::filesystem::canonical(it->path(), resolveError) == wanted && !resolveError) {
            names.push_back(it->path());
        }
    }
    // Should two names lead to one device, the first in name order keeps the answer stable.
    std::sort(names.begin(), names.end());
    return names.empty() ? std::filesystem::path{} : names.front();
}

std::string serialDriverName(const std::filesystem::path& device, const SerialRoots& roots) {
    std::error_code ec;
    const std::filesystem::path node = std::filesystem::canonical(device, ec);
    // Only nodes right under /dev have a class entry of their name (/dev/pts/3 has none).
    if (ec || node.parent_path() != std::filesystem::weakly_canonical(roots.dev, ec)) {
        return {};
    }
    std::filesystem::path level =
        std::filesystem::canonical(roots.sysTty / node.filename() / "device", ec);
    // Since Linux 6.5 the serial core puts its own "port" and "ctrl" devices, bound to the
    // serial-base bus, between the tty and the device of the driver that serves the UART.
    for (int step = 0; !ec && step < kDriverSearchDepth; ++step) {
        std::error_code linkError;
        const std::filesystem::path driver =
            std::filesystem::read_symlink(level / "driver", linkError);
        if (linkError) {
            break;  // an unbound device: its parents' drivers are not the tty's
        }
        if (driver.parent_path().parent_path().filename() != "serial-base") {
            return driver.filename().string();
        }
        level = level.parent_path();
    }
    return {};
}

std::vector<std::string> listSerialPorts(const SerialRoots& roots) {
    const std::filesystem::path ports = portsFolder(roots);
    // Number -> whether it has a device; a link's verdict is final.
    std::map<int, bool> numbers;
    for (const int number : linkedPortNumbers(roots)) {
        numbers[number] = targetExists(linkPath(ports, number));
    }
    if (!linksOnly(ports)) {
        for (const Range& range : kRanges) {
            for (int index = 0; index < kRangeSize; ++index) {
                const int number = range.first + index;
                if (numbers.count(number) == 0 &&
                    isRealSerialDevice(roots, std::string(range.prefix) + std::to_string(index))) {
                    numbers[number] = true;
                }
            }
        }
    }
    std::vector<std::string> names;
    for (const auto& [number, present] : numbers) {
        if (present) {
            names.push_back("COM" + std::to_string(number));
        }
    }
    return names;
}

}  // namespace platform
