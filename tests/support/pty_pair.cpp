#include "tests/support/pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <system_error>

#include "modem/line_rate.h"

namespace testsupport {
namespace {

[[noreturn]] void fail(const char* what) {
    throw std::runtime_error(std::string("PtyPair: ") + what + " failed, errno " +
                             std::to_string(errno));
}

int msLeft(std::chrono::steady_clock::time_point deadline) {
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

bool writeAll(int fd, std::string_view data, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n > 0) {
            data.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        }
        pollfd out{fd, POLLOUT, 0};
        if (::poll(&out, 1, msLeft(deadline)) <= 0) {
            return false;
        }
    }
    return true;
}

Wanted upTo(std::size_t count) {
    return
        [count](const std::string& text) { return count > text.size() ? count - text.size() : 0; };
}

Wanted untilText(std::string_view marker) {
    return [marker](const std::string& text) -> std::size_t {
        return text.find(marker) == std::string::npos ? 4096 : 0;
    };
}

Wanted anything() {
    return [](const std::string&) -> std::size_t { return 4096; };
}

std::string readWhile(int fd, std::chrono::milliseconds timeout, const Wanted& wanted,
                      std::vector<std::string>* pieces) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string text;
    char buffer[4096];
    for (std::size_t more = wanted(text); more > 0; more = wanted(text)) {
        pollfd in{fd, POLLIN, 0};
        const int ready = ::poll(&in, 1, msLeft(deadline));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        const ssize_t got = ready > 0 ? ::read(fd, buffer, std::min(more, sizeof buffer)) : 0;
        if (got <= 0) {
            break;  // the time ran out, the line hung up or failed
        }
        text.append(buffer, static_cast<std::size_t>(got));
        if (pieces != nullptr) {
            pieces->emplace_back(buffer, static_cast<std::size_t>(got));
        }
    }
    return text;
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

PtyClient::PtyClient(const std::string& device, std::uint32_t baud) {
    m_fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        throw std::system_error(errno, std::generic_category(), "open " + device);
    }
    termios settings{};
    ::tcgetattr(m_fd, &settings);
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    ::tcsetattr(m_fd, TCSANOW, &settings);
    if (!line_rate::write(m_fd, baud)) {
        ::close(m_fd);
        throw std::system_error(errno, std::generic_category(), "set baud");
    }
}

PtyClient::~PtyClient() {
    ::close(m_fd);
}

void PtyClient::send(std::string_view bytes) {
    if (!writeAll(m_fd, bytes, std::chrono::milliseconds(20000))) {
        throw std::runtime_error("the line took no more bytes");
    }
}

}  // namespace testsupport
