#include "tests/support/pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <vector>

namespace testsupport {
namespace {

[[noreturn]] void fail(const char* what) {
    throw std::runtime_error(std::string("PtyPair: ") + what + " failed, errno " +
                             std::to_string(errno));
}

int pollTimeout(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

PtyPair::PtyPair() {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0) {
        fail("posix_openpt");
    }
    char name[128];
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 ||
        ::ptsname_r(m_master, name, sizeof name) != 0) {
        ::close(m_master);
        fail("grantpt/unlockpt/ptsname");
    }
    m_slavePath = name;
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios settings{};
    if (m_slave < 0 || ::tcgetattr(m_slave, &settings) != 0) {
        ::close(m_master);
        fail("opening the slave");
    }
    ::cfmakeraw(&settings);
    ::tcsetattr(m_slave, TCSANOW, &settings);
}

PtyPair::~PtyPair() {
    hangUp();
}

bool PtyPair::write(std::string_view data, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!data.empty()) {
        const ssize_t n = ::write(m_master, data.data(), data.size());
        if (n > 0) {
            data.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        }
        pollfd fd{m_master, POLLOUT, 0};
        if (::poll(&fd, 1, pollTimeout(deadline)) <= 0) {
            return false;
        }
    }
    return true;
}

std::string PtyPair::read(std::size_t count, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string data;
    std::vector<char> chunk(4096);
    while (data.size() < count) {
        const ssize_t n =
            ::read(m_master, chunk.data(), std::min(chunk.size(), count - data.size()));
        if (n > 0) {
            data.append(chunk.data(), static_cast<std::size_t>(n));
            continue;
        }
        if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            break;
        }
        pollfd fd{m_master, POLLIN, 0};
        if (::poll(&fd, 1, pollTimeout(deadline)) <= 0) {
            break;
        }
    }
    return data;
}

std::string PtyPair::readAvailable() {
    std::string data;
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, chunk, sizeof chunk);
        if (n <= 0) {
            return data;
        }
        data.append(chunk, static_cast<std::size_t>(n));
    }
}

std::size_t PtyPair::fillTowardsMaster() {
    std::size_t total = 0;
    const std::string block(4096, 'F');
    for (;;) {
        const ssize_t n = ::write(m_slave, block.data(), block.size());
        if (n > 0) {
            total += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        // The kernel moves bytes from the pty's transfer buffer into the master's line
        // discipline in the background, which can free some room just after a refusal.
        // Settle until the line stays shut.
        pollfd fd{m_slave, POLLOUT, 0};
        if (::poll(&fd, 1, 20) <= 0) {
            return total;
        }
    }
}

void PtyPair::hangUp() {
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
    if (m_slave >= 0) {
        ::close(m_slave);
        m_slave = -1;
    }
}

}  // namespace testsupport
