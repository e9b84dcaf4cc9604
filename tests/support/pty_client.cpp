#include "tests/support/pty_client.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>

#include "modem/line_rate.h"
#include "tests/support/pty_pair.h"

namespace testsupport {
namespace {

using std::chrono::milliseconds;

Wanted until(std::string_view marker) {
    return [marker](const std::string& text) -> std::size_t {
        return text.find(marker) == std::string::npos ? 4096 : 0;
    };
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
    if (!line_rate::write(m_fd, baud)) {
        ::close(m_fd);
        throw std::system_error(errno, std::generic_category(), "set baud");
    }
}

PtyClient::~PtyClient() {
    ::close(m_fd);
}

void PtyClient::send(std::string_view bytes) {
    if (!writeAll(m_fd, bytes, milliseconds(20000))) {
        throw std::runtime_error("the line took no more bytes");
    }
}

std::string PtyClient::readUntil(std::string_view marker, std::uint32_t timeoutMs) {
    return readWhile(m_fd, milliseconds(timeoutMs), until(marker));
}

std::string PtyClient::readCount(std::size_t count, std::uint32_t timeoutMs) {
    return readWhile(m_fd, milliseconds(timeoutMs), [count](const std::string& text) {
        return count > text.size() ? count - text.size() : 0;
    });
}

std::string PtyClient::readFor(std::uint32_t ms) {
    return readWhile(m_fd, milliseconds(ms), [](const std::string&) { return std::size_t{4096}; });
}

std::vector<std::string> PtyClient::readPiecesUntil(std::string_view marker,
                                                    std::uint32_t timeoutMs) {
    std::vector<std::string> pieces;
    readWhile(m_fd, milliseconds(timeoutMs), until(marker), &pieces);
    return pieces;
}

}  // namespace testsupport
