#include "tests/support/child_process.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <map>
#include <stdexcept>

extern char** environ;

namespace testsupport {

using Clock = std::chrono::steady_clock;

ChildProcess::ChildProcess(const std::string& executable, const std::vector<std::string>& args,
                           const std::filesystem::path& runtimeDir,
                           const std::vector<std::string>& extraEnv) {
    int in[2];
    int out[2];
    int err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 ||
        ::pipe2(err, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe2");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);

    std::vector<std::string> argStrings{executable};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argStrings) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    // The test's environment, with extraEnv and the runtime folder put over it by name.
    std::map<std::string, std::string> byName;
    const auto put = [&byName](const std::string& entry) {
        byName[entry.substr(0, entry.find('='))] = entry;
    };
    for (char** env = environ; *env != nullptr; ++env) {
        put(*env);
    }
    for (const std::string& extra : extraEnv) {
        put(extra);
    }
    put("XDG_RUNTIME_DIR=" + runtimeDir.string());
    std::vector<char*> envp;
    for (auto& entry : byName) {
        envp.push_back(entry.second.data());
    }
    envp.push_back(nullptr);

    const int rc =
        ::posix_spawn(&m_pid, executable.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    m_in = in[1];
    m_out = out[0];
    m_err = err[0];
    if (rc != 0) {
        m_pid = -1;
        throw std::runtime_error("posix_spawn failed for " + executable);
    }
}

ChildProcess::~ChildProcess() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    closeInput();
    ::close(m_out);
    ::close(m_err);
}

void ChildProcess::signal(int sig) {
    if (m_pid > 0) {
        ::kill(m_pid, sig);
    }
}

bool ChildProcess::write(std::string_view text) {
    return ::write(m_in, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

void ChildProcess::closeInput() {
    if (m_in >= 0) {
        ::close(m_in);
        m_in = -1;
    }
}

std::string ChildProcess::readErrorUntil(std::string_view marker, int timeoutMs) {
    while (m_errText.find(marker) == std::string::npos && readSome(m_err, m_errText, timeoutMs)) {
    }
    return m_errText;
}

std::string ChildProcess::readLine(int timeoutMs) {
    while (m_outText.find('\n') == std::string::npos && readSome(m_out, m_outText, timeoutMs)) {
    }
    const std::size_t end = m_outText.find('\n');
    std::string line = m_outText.substr(0, end);
    m_outText.erase(0, end == std::string::npos ? end : end + 1);
    return line;
}

std::string ChildProcess::readAll(bool fromStderr, int timeoutMs) {
    std::string& text = fromStderr ? m_errText : m_outText;
    while (readSome(fromStderr ? m_err : m_out, text, timeoutMs)) {
    }
    return text;
}

int ChildProcess::waitExit(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < deadline) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        ::poll(nullptr, 0, 10);
    }
    return -1;
}

bool ChildProcess::readSome(int fd, std::string& text, int timeoutMs) {
    pollfd in{fd, POLLIN, 0};
    if (::poll(&in, 1, timeoutMs) <= 0) {
        return false;
    }
    char buffer[1024];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got <= 0) {
        return false;
    }
    text.append(buffer, static_cast<std::size_t>(got));
    return true;
}

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
