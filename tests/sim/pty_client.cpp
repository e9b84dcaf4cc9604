#include "tests/sim/pty_client.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <system_error>

namespace simtest {

namespace {

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

speed_t standardSpeed(std::uint32_t baud) {
    switch (baud) {
        case 300:
            return B300;
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        default:
            return B0;
    }
}

}  // namespace

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
    setBaud(baud);
}

PtyClient::~PtyClient() {
    ::close(m_fd);
}

void PtyClient::setBaud(std::uint32_t baud) {
    const speed_t speed = standardSpeed(baud);
    if (speed == B0) {
        setCustomBaud(m_fd, baud);
        return;
    }
    termios settings{};
    if (::tcgetattr(m_fd, &settings) != 0 || ::cfsetspeed(&settings, speed) != 0 ||
        ::tcsetattr(m_fd, TCSANOW, &settings) != 0) {
        throw std::system_error(errno, std::generic_category(), "set baud");
    }
}

void PtyClient::send(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(m_fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                pollfd out{m_fd, POLLOUT, 0};
                ::poll(&out, 1, 1000);
                continue;
            }
            throw std::system_error(errno, std::generic_category(), "write");
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

PtyClient::ReadResult PtyClient::readOnce(std::string& into, int ms) {
    pollfd in{m_fd, POLLIN, 0};
    const int ready = ::poll(&in, 1, ms);
    if (ready == 0) {
        return ReadResult::TimedOut;
    }
    if (ready < 0 || !(in.revents & POLLIN)) {
        return ReadResult::Failed;
    }
    char buffer[4096];
    const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
    if (got <= 0) {
        return ReadResult::Failed;
    }
    into.append(buffer, static_cast<std::size_t>(got));
    return ReadResult::Got;
}

std::string PtyClient::readUntil(std::string_view marker, std::uint32_t timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string text;
    while (text.find(marker) == std::string::npos && remainingMs(deadline) > 0) {
        if (readOnce(text, remainingMs(deadline)) == ReadResult::Failed) {
            break;
        }
    }
    return text;
}

std::string PtyClient::readCount(std::size_t count, std::uint32_t timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string text;
    while (text.size() < count && remainingMs(deadline) > 0) {
        if (readOnce(text, remainingMs(deadline)) == ReadResult::Failed) {
            break;
        }
    }
    return text;
}

std::string PtyClient::readFor(std::uint32_t ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    std::string text;
    while (remainingMs(deadline) > 0) {
        if (readOnce(text, remainingMs(deadline)) == ReadResult::Failed) {
            break;
        }
    }
    return text;
}

std::vector<std::string> PtyClient::readPiecesUntil(std::string_view marker,
                                                    std::uint32_t timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<std::string> pieces;
    std::string text;
    while (text.find(marker) == std::string::npos && remainingMs(deadline) > 0) {
        std::string piece;
        const ReadResult result = readOnce(piece, remainingMs(deadline));
        if (result == ReadResult::Failed) {
            break;
        }
        if (result == ReadResult::Got) {
            text += piece;
            pieces.push_back(std::move(piece));
        }
    }
    return pieces;
}

}  // namespace simtest
