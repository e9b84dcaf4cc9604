#pragma once

// Other programs on a test's pseudo-terminal: a copy of `sleep` running under a chosen name
// with the device open (and flock-locked, if asked), as ModemManager or a terminal program
// would hold a real port; and a call run as the unprivileged user, whom the device's rights
// concern (root opens everything).

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace testsupport {

class DeviceHolder {
public:
    // Returns once the holder runs with the device open (and locked). Throws
    // std::runtime_error when it cannot be started.
    DeviceHolder(const std::filesystem::path& folder, const std::string& name,
                 const std::string& device, bool lock);
    ~DeviceHolder();
    DeviceHolder(const DeviceHolder&) = delete;
    DeviceHolder& operator=(const DeviceHolder&) = delete;

    pid_t pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
};

// Runs call in a child process as user 65534 without groups and returns what it returned;
// nothing when the switch is impossible here (not root, or no such user), so the caller can
// skip. The child must not need other threads of the test: only the forking one goes along.
std::optional<std::string> runUnprivileged(const std::function<std::string()>& call);

}  // namespace testsupport
