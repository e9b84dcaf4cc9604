#pragma once

// One instance at a time: an exclusive flock on $XDG_RUNTIME_DIR/<name>.lock (/tmp when the
// variable is unset). The lock dies with the process, so a crashed instance never blocks
// the next start.

#include <string>
#include <string_view>

namespace platform {

class SingleInstanceLock {
public:
    explicit SingleInstanceLock(std::string_view name);
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // True when another process holds the lock: this one must not run.
    bool alreadyRunning() const { return m_alreadyRunning; }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
    int m_fd = -1;
    bool m_alreadyRunning = false;
};

}  // namespace platform
