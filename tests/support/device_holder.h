#pragma once

// Other users of a test's pseudo-terminal: a copy of `sleep` running under a chosen name with
// the device open (and flock-locked, if asked), as ModemManager or a terminal program holds a
// real port; and a call made as an unprivileged user, whom a device's rights concern.

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace testsupport {

class DeviceHolder {
public:
    // Returns once the copy runs with the device open (and locked); throws when it cannot.
    DeviceHolder(const std::filesystem::path& folder, const std::string& name,
                 const std::string& device, bool lock);
    ~DeviceHolder();
    DeviceHolder(const DeviceHolder&) = delete;
    DeviceHolder& operator=(const DeviceHolder&) = delete;

    pid_t pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
};

// What call returns when run in a child process as user 65534 without groups; nothing when
// this process cannot switch (not root, or no such user). Only the forking thread goes along.
std::optional<std::string> runUnprivileged(const std::function<std::string()>& call);

}  // namespace testsupport
