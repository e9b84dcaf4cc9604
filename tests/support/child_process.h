#pragma once

// Other processes a test runs: its subjects, and other holders of its devices.

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// An executable of ours started for a test, with its own runtime folder (so it never shares
// the single-instance lock with another run), its output read through pipes and its input a
// pipe of the test's.
class ChildProcess {
public:
    // Throws std::runtime_error when the process cannot be started. extraEnv: NAME=value
    // entries added to (or replacing) the test's environment.
    ChildProcess(const std::string& executable, const std::vector<std::string>& args,
                 const std::filesystem::path& runtimeDir,
                 const std::vector<std::string>& extraEnv = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void signal(int sig);
    bool write(std::string_view text);
    void closeInput();

    // Standard error up to and including marker; what came when the time ran out.
    std::string readErrorUntil(std::string_view marker, int timeoutMs = 10000);
    // The next line of standard output without its LF (what came when the time ran out);
    // whatever came after it stays for the next read.
    std::string readLine(int timeoutMs = 10000);
    // Everything until the stream ends (or the time runs out between two reads), less the
    // lines readLine took.
    std::string readAll(bool fromStderr, int timeoutMs = 10000);

    // The exit status, or -1 when the process has not ended in time or ended by a signal.
    int waitExit(int timeoutMs = 10000);

private:
    static bool readSome(int fd, std::string& text, int timeoutMs);

    pid_t m_pid = -1;
    int m_in = -1;
    int m_out = -1;
    int m_err = -1;
    std::string m_errText;
    std::string m_outText;
};

// Other users of a test's pseudo-terminal: a copy of `sleep` running under a chosen name with
// the device open (and flock-locked, if asked), as ModemManager or a terminal program holds a
// real port; and a call made as an unprivileged user, whom a device's rights concern.
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
