#pragma once

// Who else uses a device, read from /proc without opening the device: the processes that have
// it open, the one that holds its lock, and the group that may open it. What /proc does not let
// this process see (another user's descriptors) is simply missing.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct DeviceHolder {
    int pid = 0;
    std::string name;  // as /proc tells it (UTF-8)
};

// The other processes that have the device open (compared by device number, whatever path
// they opened it by), by process number; this process is left out.
std::vector<DeviceHolder> deviceHolders(const std::filesystem::path& device);

// The process that holds a flock on the device's node (/proc/locks); nothing when the node
// is not locked, pid 0 and no name when the lock's owner cannot be seen from here.
std::optional<DeviceHolder> deviceLockOwner(const std::filesystem::path& device);

// The command name of a process (its executable's base name); empty when it cannot be read.
std::string processName(int pid);

// The group that owns the device node; its number as text when the group has no name, empty
// when the node cannot be examined.
std::string deviceGroupName(const std::filesystem::path& device);

// Whether members of the device's group may read and write it.
bool deviceGroupMayUse(const std::filesystem::path& device);

// The name ModemManager runs under: it opens every new modem port to probe it, and its
// exclusive mode then keeps other programs out.
inline constexpr const char* kModemManagerName = "ModemManager";

}  // namespace platform
