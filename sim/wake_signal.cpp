#include "sim/wake_signal.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace sim {

WakeSignal::WakeSignal() : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (m_fd < 0) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
}

WakeSignal::~WakeSignal() {
    ::close(m_fd);
}

void WakeSignal::signal() {
    const std::uint64_t one = 1;
    // A full counter already wakes the reader; nothing is lost by a failed write.
    [[maybe_unused]] const auto written = ::write(m_fd, &one, sizeof one);
}

void WakeSignal::drain() {
    std::uint64_t count = 0;
    [[maybe_unused]] const auto got = ::read(m_fd, &count, sizeof count);
}

}  // namespace sim
