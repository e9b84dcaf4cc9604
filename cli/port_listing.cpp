#include "cli/port_listing.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <filesystem>
#include <optional>
#include <set>

#include "platform/device_users.h"

namespace {

// Console text in UTF-8 as written: device paths must reach the console unchanged, which a
// trip through 1251 would not promise.
constexpr const char* kFree = "свободен";
constexpr const char* kNoAccess = "нет доступа (группа ";
constexpr const char* kBusy = "занят: ";
constexpr const char* kBusyOther = "занят другой программой";
constexpr const char* kNoDevice = "нет устройства";

std::string field(const std::string& text) {
    return text.empty() ? "-" : text;
}

std::string heldText(const platform::DeviceHolder& holder) {
    return std::string(kBusy) + holder.name + " (" + std::to_string(holder.pid) + ")";
}

std::string portState(const std::filesystem::path& device) {
    if (::access(device.c_str(), R_OK | W_OK) != 0 && (errno == EACCES || errno == EPERM)) {
        return kNoAccess + platform::deviceGroupName(device) + ")";
    }
    // A lock keeps us out; ModemManager's exclusive mode keeps out every user but root. Other
    // programs that merely have the line open (a simulated modem its own) leave it free.
    if (const std::optional<platform::DeviceHolder> owner = platform::deviceLockOwner(device)) {
        return owner->pid != 0 ? heldText(*owner) : kBusyOther;
    }
    for (const platform::DeviceHolder& holder : platform::deviceHolders(device)) {
        if (holder.name == platform::kModemManagerName) {
            return heldText(holder);
        }
    }
    return kFree;
}

}  // namespace

std::vector<std::string> portListing(const platform::SerialRoots& roots) {
    std::set<int> numbers;
    for (const std::string& name : platform::listSerialPorts(roots)) {
        int number = 0;
        const char* digits = name.c_str() + 3;  // after "COM"
        if (std::from_chars(digits, name.c_str() + name.size(), number).ec == std::errc()) {
            numbers.insert(number);
        }
    }
    for (const int number : platform::linkedPortNumbers(roots)) {
        numbers.insert(number);
    }
    std::vector<std::string> lines;
    for (const int number : numbers) {
        const platform::SerialPortTarget target = platform::describeSerialPort(number, roots);
        std::string line = "COM" + std::to_string(number) + '\t';
        if (target.kind == platform::SerialPortTarget::Kind::None) {
            line += "-\t-\t-\t" + std::string(kNoDevice);
        } else if (!target.present) {
            line += target.device.string() + "\t-\t-\t" + kNoDevice;
        } else {
            line += target.device.string() + '\t' +
                    field(platform::stableSerialName(target.device, roots).string()) + '\t' +
                    field(platform::serialDriverName(target.device, roots)) + '\t' +
                    portState(target.device);
        }
        lines.push_back(std::move(line));
    }
    return lines;
}
