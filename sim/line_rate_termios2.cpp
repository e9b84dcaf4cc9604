// Only the kernel's own termios2 definitions here: see line_rate.h.

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cstdint>

#include "sim/line_rate.h"

namespace sim {

std::uint32_t customLineRate(int terminalFd) {
    struct termios2 settings {};
    if (::ioctl(terminalFd, TCGETS2, &settings) != 0) {
        return 0;
    }
    return settings.c_ospeed;
}

}  // namespace sim
