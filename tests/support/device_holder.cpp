#include "tests/support/device_holder.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace testsupport {
namespace {

// Everything written to the pipe until its last writer closed it (an exec closes a
// close-on-exec end), then the pipe is closed.
std::string drain(int fds[2]) {
    ::close(fds[1]);
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) != 0;) {
        if (n > 0) {
            text.append(buffer, static_cast<std::size_t>(n));
        } else if (errno != EINTR) {
            break;
        }
    }
    ::close(fds[0]);
    return text;
}

}  // namespace

DeviceHolder::DeviceHolder(const std::filesystem::path& folder, const std::string& name,
                           const std::string& device, bool lock) {
    const std::string copy = (folder / name).string();
    std::filesystem::copy_file("/usr/bin/sleep", copy,
                               std::filesystem::copy_options::overwrite_existing);
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe2");
    }
    char seconds[] = "3600";
    char* const argv[] = {const_cast<char*>(name.c_str()), seconds, nullptr};
    m_pid = ::fork();
    if (m_pid == 0) {
        // Only calls that are safe after forking a threaded process, up to the exec.
        const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd >= 0 && (!lock || ::flock(fd, LOCK_EX | LOCK_NB) == 0)) {
            ::execv(copy.c_str(), argv);
        }
        (void)!::write(ready[1], "x", 1);
        ::_exit(127);
    }
    if (!drain(ready).empty() || m_pid < 0) {
        if (m_pid > 0) {
            ::waitpid(m_pid, nullptr, 0);
        }
        throw std::runtime_error("cannot start " + name + " holding " + device);
    }
}

DeviceHolder::~DeviceHolder() {
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
}

std::optional<std::string> runUnprivileged(const std::function<std::string()>& call) {
    constexpr uid_t kNobody = 65534;
    int result[2];
    if (::geteuid() != 0 || ::pipe(result) != 0) {
        return std::nullopt;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
            ::setresuid(kNobody, kNobody, kNobody) != 0) {
            ::_exit(10);
        }
        // The sanitizers read /proc/self, which a changed user may no longer do otherwise.
        ::prctl(PR_SET_DUMPABLE, 1);
        const std::string text = call();
        ::_exit(::write(result[1], text.data(), text.size()) == static_cast<ssize_t>(text.size())
                    ? 0
                    : 11);
    }
    const std::string text = drain(result);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) == 10) {
        return std::nullopt;
    }
    if (WEXITSTATUS(status) != 0) {
        throw std::runtime_error("the unprivileged call failed");
    }
    return text;
}

}  // namespace testsupport
