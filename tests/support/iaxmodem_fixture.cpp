#include "tests/support/iaxmodem_fixture.h"

#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include "tests/support/file_bytes.h"
#include "tests/support/pty_pair.h"

extern char** environ;

namespace testsupport {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kAttempts = 3;
// iaxmodem sets up its DSP and its IAX socket before it opens the pseudo-terminal; on a
// loaded machine with sanitizer builds around that takes a while.
constexpr auto kStartLimit = std::chrono::seconds(30);

// A UDP port nobody holds right now. iaxmodem binds it a moment later; should somebody
// take it in between, iaxmodem exits and the next attempt picks another.
int freeUdpPort() {
    const int sock = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (sock < 0) {
        throw std::system_error(errno, std::generic_category(), "socket");
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(sock, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(sock);
    if (port == 0) {
        throw std::runtime_error("no free UDP port");
    }
    return port;
}

std::string ownerText() {
    const passwd* user = ::getpwuid(::getuid());
    const group* grp = ::getgrgid(::getgid());
    if (user == nullptr || grp == nullptr) {
        return {};
    }
    return std::string{user->pw_name} + ":" + grp->gr_name;
}

// One "AT" CR to the device; true when OK comes back within a second.
bool answersAt(const std::string& device) {
    try {
        PtyClient client(device);
        client.send("AT\r");
        return client.readUntil("OK", 1000).find("OK") != std::string::npos;
    } catch (const std::runtime_error&) {
        return false;
    }
}

}  // namespace

IaxModem::IaxModem() {
    static std::atomic<int> counter{0};
    const std::string id = std::to_string(::getpid()) + "-" + std::to_string(counter++);
    m_name = "orvane-test-" + id;
    m_config = fs::path("/etc/iaxmodem") / m_name;
    // iaxmodem keeps the device name in a 64-byte buffer.
    m_device = "/tmp/iaxm-" + id;
    m_log = fs::temp_directory_path() / ("iaxm-" + id + ".log");

    std::error_code ec;
    fs::create_directories(m_config.parent_path(), ec);
    try {
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            if (tryStart()) {
                return;
            }
        }
    } catch (...) {
        stopProcess();
        throw;
    }
    const std::string reason = "iaxmodem did not answer AT on " + m_device + ": " + logTail();
    stopProcess();
    throw std::runtime_error(reason);
}

IaxModem::~IaxModem() {
    stopProcess();
}

bool IaxModem::tryStart() {
    stopProcess();
    {
        std::ofstream config(m_config);
        config << "device\t" << m_device << '\n';
        if (const std::string owner = ownerText(); !owner.empty()) {
            config << "owner\t" << owner << '\n';
        }
        config << "mode\t660\n"
               << "port\t" << freeUdpPort() << '\n'
               << "refresh\t0\n"
               << "server\t127.0.0.1\n"
               << "peername\torvane-test\n"
               << "secret\torvane\n"
               << "codec\tslinear\n"
               << "nodaemon\n";
        if (!config) {
            throw std::runtime_error("cannot write " + m_config.string() +
                                     " (iaxmodem reads its configuration only from there)");
        }
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, m_log.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::string program = "iaxmodem";
    std::string name = m_name;
    char* argv[] = {program.data(), name.data(), nullptr};
    const int rc = ::posix_spawnp(&m_pid, "iaxmodem", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        m_pid = -1;
        throw std::runtime_error("cannot start iaxmodem (is the iaxmodem package installed?): " +
                                 std::system_category().message(rc));
    }

    const auto deadline = Clock::now() + kStartLimit;
    while (Clock::now() < deadline) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return false;  // it gave up, on a taken port for instance
        }
        if (fs::is_symlink(fs::symlink_status(m_device)) && answersAt(m_device)) {
            return true;
        }
        ::poll(nullptr, 0, 100);
    }
    return false;
}

void IaxModem::stopProcess() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (::waitpid(m_pid, nullptr, WNOHANG) != m_pid) {
            if (Clock::now() > deadline) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, nullptr, 0);
                break;
            }
            ::poll(nullptr, 0, 20);
        }
        m_pid = -1;
    }
    std::error_code ec;
    fs::remove(m_config, ec);
    fs::remove(m_device, ec);
    fs::remove(m_log, ec);
}

std::string IaxModem::logTail() const {
    const std::string all = readBytes(m_log);
    return all.size() > 600 ? all.substr(all.size() - 600) : all;
}

}  // namespace testsupport
