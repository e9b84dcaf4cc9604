#include "tests/support/pty_client.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <system_error>

#include "modem/line_rate.h"

namespace testsupport {

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
    if (!line_rate::write(m_fd, baud)) {
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

template <class Done>
std::string PtyClient::readWhile(Done done, std::uint32_t timeoutMs,
                                 std::vector<std::string>* pieces) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string text;
    while (!done(text)) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd in{m_fd, POLLIN, 0};
        if (left <= 0) {
            break;
        }
        const int ready = ::poll(&in, 1, static_cast<int>(left));
        if (ready == 0) {
            continue;
        }
        char buffer[4096];
        const ssize_t got =
            ready > 0 && (in.revents & POLLIN) ? ::read(m_fd, buffer, sizeof buffer) : -1;
        if (got <= 0) {
            break;  // hang-up or failure
        }
        text.append(buffer, static_cast<std::size_t>(got));
        if (pieces != nullptr) {
            pieces->emplace_back(buffer, static_cast<std::size_t>(got));
        }
    }
    return text;
}

std::string PtyClient::readUntil(std::string_view marker, std::uint32_t timeoutMs) {
    return readWhile([marker](const std::string& t) { return t.find(marker) != std::string::npos; },
                     timeoutMs);
}

std::string PtyClient::readCount(std::size_t count, std::uint32_t timeoutMs) {
    return readWhile([count](const std::string& t) { return t.size() >= count; }, timeoutMs);
}

std::string PtyClient::readFor(std::uint32_t ms) {
    return readWhile([](const std::string&) { return false; }, ms);
}

std::vector<std::string> PtyClient::readPiecesUntil(std::string_view marker,
                                                    std::uint32_t timeoutMs) {
    std::vector<std::string> pieces;
    readWhile([marker](const std::string& t) { return t.find(marker) != std::string::npos; },
              timeoutMs, &pieces);
    return pieces;
}

}  // namespace testsupport
