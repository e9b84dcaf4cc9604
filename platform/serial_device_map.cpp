#include "platform/serial_device_map.h"

#include <sys/stat.h>

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

std::filesystem::path serialDevicePath(int portNumber, const SerialRoots& roots) {
    const std::filesystem::path ports = portsFolder(roots);
    const std::filesystem::path link = linkPath(ports, portNumber);
    if (entryExists(link)) {
        return targetExists(link) ? link : std::filesystem::path{};
    }
    if (linksOnly(ports)) {
        return {};
    }
    const std::string name = rangeName(portNumber);
    return name.empty() ? std::filesystem::path{} : roots.dev / name;
}

std::vector<std::string> listSerialPorts(const SerialRoots& roots) {
    const std::filesystem::path ports = portsFolder(roots);
    // Number -> whether it has a device; a link's verdict is final.
    std::map<int, bool> numbers;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(ports, ec), end; !ec && it != end;
         it.increment(ec)) {
        const int number = linkNumber(it->path().filename().string());
        if (number > 0) {
            numbers[number] = targetExists(it->path());
        }
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
