#include "platform/single_instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace platform {

SingleInstanceLock::SingleInstanceLock(std::string_view name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    m_path = (runtime != nullptr && runtime[0] == '/') ? runtime : "/tmp";
    m_path += '/';
    m_path += name;
    m_path += ".lock";
    m_fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        // A folder we cannot write to is no proof of another instance: run.
        return;
    }
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        m_alreadyRunning = errno == EWOULDBLOCK;
        ::close(m_fd);
        m_fd = -1;
    }
}

SingleInstanceLock::~SingleInstanceLock() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

}  // namespace platform
