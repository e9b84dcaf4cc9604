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
#include <system_error>

namespace testsupport {
namespace {

std::filesystem::path sleepExecutable() {
    for (const char* path : {"/usr/bin/sleep", "/bin/sleep"}) {
        if (::access(path, X_OK) == 0) {
            return path;
        }
    }
    throw std::runtime_error("no sleep executable to copy");
}

// Everything the other end wrote until it closed (an exec closes a close-on-exec pipe).
std::string readToEnd(int fd) {
    std::string text;
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            text.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            return text;
        }
    }
}

}  // namespace

DeviceHolder::DeviceHolder(const std::filesystem::path& folder, const std::string& name,
                           const std::string& device, bool lock) {
    const std::filesystem::path copy = folder / name;
    std::filesystem::copy_file(sleepExecutable(), copy,
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(copy, std::filesystem::perms::owner_all);
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0) {
        throw std::system_error(errno, std::generic_category(), "pipe2");
    }
    const std::string path = copy.string();
    char seconds[] = "3600";
    char* const argv[] = {const_cast<char*>(name.c_str()), seconds, nullptr};
    m_pid = ::fork();
    if (m_pid == 0) {
        // Only calls that are safe after forking a threaded process, up to the exec.
        const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd >= 0 && (!lock || ::flock(fd, LOCK_EX | LOCK_NB) == 0)) {
            ::execv(path.c_str(), argv);
        }
        const int error = errno;
        (void)::write(ready[1], &error, sizeof error);
        ::_exit(127);
    }
    ::close(ready[1]);
    const std::string failure = m_pid > 0 ? readToEnd(ready[0]) : "fork";
    ::close(ready[0]);
    if (!failure.empty()) {
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
    if (::geteuid() != 0) {
        return std::nullopt;
    }
    int result[2];
    if (::pipe(result) != 0) {
        throw std::system_error(errno, std::generic_category(), "pipe");
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(result[0]);
        if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
            ::setresuid(kNobody, kNobody, kNobody) != 0) {
            ::_exit(10);
        }
        // The sanitizers read /proc/self, which a changed user may no longer do otherwise.
        ::prctl(PR_SET_DUMPABLE, 1);
        const std::string text = call();
        const bool written =
            ::write(result[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::_exit(written ? 0 : 11);
    }
    ::close(result[1]);
    const std::string text = readToEnd(result[0]);
    ::close(result[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        throw std::runtime_error("the unprivileged child did not end normally");
    }
    if (WEXITSTATUS(status) == 10) {
        return std::nullopt;
    }
    if (WEXITSTATUS(status) != 0) {
        throw std::runtime_error("the unprivileged child failed");
    }
    return text;
}

}  // namespace testsupport
