// Only the kernel's own terminal headers here: <termios.h> defines a different struct termios.
#include "modem/line_rate.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace line_rate {

std::optional<unsigned> read(int fd) {
    struct termios2 settings {};
    if (::ioctl(fd, TCGETS2, &settings) != 0) {
        return std::nullopt;
    }
    return settings.c_ospeed;
}

bool write(int fd, unsigned baud) {
    struct termios2 settings {};
    if (::ioctl(fd, TCGETS2, &settings) != 0) {
        return false;
    }
    settings.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    settings.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    settings.c_ispeed = baud;
    settings.c_ospeed = baud;
    return ::ioctl(fd, TCSETS2, &settings) == 0;
}

}  // namespace line_rate
