// The kernel's termios2 definitions cannot share a file with <termios.h>.

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

#include "tests/support/pty_client.h"

namespace testsupport {

void setCustomBaud(int fd, std::uint32_t baud) {
    struct termios2 settings {};
    if (::ioctl(fd, TCGETS2, &settings) != 0) {
        throw std::system_error(errno, std::generic_category(), "TCGETS2");
    }
    settings.c_cflag &= ~static_cast<tcflag_t>(CBAUD);
    settings.c_cflag |= BOTHER;
    settings.c_ospeed = baud;
    settings.c_ispeed = baud;
    if (::ioctl(fd, TCSETS2, &settings) != 0) {
        throw std::system_error(errno, std::generic_category(), "TCSETS2");
    }
}

}  // namespace testsupport
