#include "modem/t_comm_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <optional>

#include "modem/comm_mode.h"
#include "modem/line_rate.h"
#include "platform/serial_device_map.h"
#include "platform/tick.h"

namespace {

using Clock = std::chrono::steady_clock;
using Deadline = std::optional<Clock::time_point>;

constexpr std::uint32_t kMaxDword = 0xFFFFFFFFu;
// Without a write limit a flush still ends: the queue's time on the line plus this much
// (USB converters hold bytes back for up to their 16 ms latency timer).
constexpr std::uint64_t kFlushMarginMs = 50;
constexpr auto kFlushPollStep = std::chrono::milliseconds(2);

struct Limits {
    std::uint32_t readInterval;
    std::uint32_t readPerByte;
    std::uint32_t readConstant;
    std::uint32_t writePerByte;
    std::uint32_t writeConstant;
};

Limits limitsFor(std::uint8_t mode, std::uint32_t value) {
    switch (mode) {
        case 0:
            return {50, 30, value, 0, 0};
        case 1:
            return {kMaxDword, 0, value, 2, 0};
        case 3:
            return {50, 0, value, 0, 1};
        default:
            return {50, 0, value, 0, 0};
    }
}

// Milliseconds, 0 meaning "no limit". Capped at the 32-bit range the limits were defined in,
// so a huge count cannot overflow the clock arithmetic.
std::uint64_t totalLimit(std::uint32_t perByte, std::uint32_t constant, std::uint64_t count) {
    return std::min<std::uint64_t>(perByte * count + constant, kMaxDword);
}

Deadline deadlineAfter(Clock::time_point start, std::uint64_t ms) {
    return start + std::chrono::milliseconds(ms);
}

// Milliseconds count bytes take on the line at baud, bits per byte each, rounded up.
std::uint64_t lineTimeMs(std::uint64_t count, std::int32_t baud, std::uint64_t bits) {
    const std::uint64_t rate = static_cast<std::uint64_t>(std::max(baud, 1));
    return (count * bits * 1000 + rate - 1) / rate;
}

enum class Wait { Ready, Timeout, Stop, HangUp, Error };

// Waits until fd shows events, the deadline passes (none: no deadline) or the stop event
// fires. A stop wins over everything else.
Wait waitFor(int fd, short events, int stopEvent, const Deadline& deadline) {
    for (;;) {
        timespec timeout{};
        timespec* timeoutPointer = nullptr;
        if (deadline) {
            const auto left = std::max(*deadline - Clock::now(), Clock::duration::zero());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            timeout.tv_sec = static_cast<time_t>(ns / 1000000000);
            timeout.tv_nsec = static_cast<long>(ns % 1000000000);
            timeoutPointer = &timeout;
        }
        pollfd fds[2] = {{fd, events, 0}, {stopEvent, POLLIN, 0}};
        const nfds_t count = fd >= 0 ? 2 : 1;
        pollfd* first = fd >= 0 ? &fds[0] : &fds[1];
        const int result = ::ppoll(first, count, timeoutPointer, nullptr);
        if (result < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Wait::Error;
        }
        if (result == 0) {
            return Wait::Timeout;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            return Wait::Stop;
        }
        if (fd >= 0) {
            if ((fds[0].revents & events) != 0) {
                return Wait::Ready;
            }
            if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
                return Wait::HangUp;
            }
        }
    }
}

speed_t standardRate(int baud) {
    switch (baud) {
        case 50:
            return B50;
        case 75:
            return B75;
        case 110:
            return B110;
        case 134:
            return B134;
        case 150:
            return B150;
        case 200:
            return B200;
        case 300:
            return B300;
        case 600:
            return B600;
        case 1200:
            return B1200;
        case 1800:
            return B1800;
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
        case 230400:
            return B230400;
        case 460800:
            return B460800;
        case 500000:
            return B500000;
        case 576000:
            return B576000;
        case 921600:
            return B921600;
        case 1000000:
            return B1000000;
        case 1152000:
            return B1152000;
        case 1500000:
            return B1500000;
        case 2000000:
            return B2000000;
        case 2500000:
            return B2500000;
        case 3000000:
            return B3000000;
        case 3500000:
            return B3500000;
        case 4000000:
            return B4000000;
        default:
            return B0;
    }
}

std::optional<tcflag_t> characterSize(int dataBits) {
    switch (dataBits) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        case 8:
            return CS8;
        default:
            return std::nullopt;
    }
}

}  // namespace

TCommPort::TCommPort(int port, int baudRate, int dataBits, int stopBits, bool parity, bool ctsFlow)
    : m_portNumber(port), m_ctsFlow(ctsFlow), m_baudRate(baudRate), m_dataBits(dataBits) {
    m_stopEvent = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    char mode[100];
    std::snprintf(mode, sizeof mode, "baud=%d parity=%c data=%d stop=%d", baudRate,
                  parity ? 'E' : 'N', dataBits, stopBits);
    open(port, baudRate, dataBits, mode, ctsFlow);
}

TCommPort::~TCommPort() {
    close();
    if (m_stopEvent >= 0) {
        ::close(m_stopEvent);
    }
}

bool TCommPort::open(int port, int baudRate, int dataBits, const std::string& modeString,
                     bool ctsFlow) {
    m_portNumber = port;
    m_modeString = modeString;
    m_ctsFlow = ctsFlow;
    // The text is only checked: the line keeps its own parity and stop bits; every caller
    // asks for no parity and one stop bit, which is what raw mode leaves.
    if (!parseCommMode(m_modeString)) {
        errno = EINVAL;
        return open_failed(OpenStep::parameters);
    }
    if (!open_device()) {
        return false;
    }
    m_baudRate = baudRate;
    m_dataBits = dataBits;
    if (!apply_line_settings()) {
        return open_failed(OpenStep::settings);
    }
    m_timeoutMode = 0;
    m_timeoutValue = 0;
    if (!set_timeouts(2, 100) || ::tcflush(m_handle, TCIOFLUSH) != 0) {
        return open_failed(OpenStep::settings);
    }
    m_opened = true;
    return true;
}

bool TCommPort::open_failed(OpenStep step) {
    m_openFailure = {step, errno};
    return false;
}

bool TCommPort::open_device() {
    m_devicePath = platform::serialDevicePath(m_portNumber);
    if (m_devicePath.empty()) {
        errno = ENOENT;
        return open_failed(OpenStep::device);
    }
    const int fd = ::open(m_devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return open_failed(OpenStep::device);
    }
    // Exclusive: the flock keeps out other programs that lock (and a second port object),
    // TIOCEXCL keeps out unprivileged openers that don't.
    // A device we may not have must be let go untouched: its holder's data stays queued.
    const OpenStep step = ::flock(fd, LOCK_EX | LOCK_NB) != 0 ? OpenStep::lock
                          : ::ioctl(fd, TIOCEXCL) != 0        ? OpenStep::exclusive
                                                              : OpenStep::none;
    if (step != OpenStep::none) {
        open_failed(step);
        ::close(fd);
        errno = m_openFailure.error;
        return false;
    }
    m_handle = fd;
    return true;
}

bool TCommPort::apply_line_settings() {
    const std::optional<tcflag_t> size = characterSize(m_dataBits);
    if (!size || m_baudRate <= 0) {
        errno = EINVAL;
        return false;
    }
    termios settings{};
    // A failure to read the settings is not itself fatal: the write below tells whether the
    // device takes them.
    (void)::tcgetattr(m_handle, &settings);
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cflag = (settings.c_cflag & ~CSIZE) | *size;
    if (m_ctsFlow) {
        settings.c_cflag |= CRTSCTS;
    } else {
        settings.c_cflag &= ~CRTSCTS;
    }
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    const speed_t rate = standardRate(m_baudRate);
    if (rate != B0) {
        ::cfsetispeed(&settings, rate);
        ::cfsetospeed(&settings, rate);
    }
    if (::tcsetattr(m_handle, TCSANOW, &settings) != 0) {
        return false;
    }
    if (rate == B0 && !line_rate::write(m_handle, static_cast<unsigned>(m_baudRate))) {
        return false;
    }
    // A modem may ignore commands while DTR is low. Pseudo-terminals have no modem lines.
    int lines = TIOCM_DTR | TIOCM_RTS;
    if (::ioctl(m_handle, TIOCMBIS, &lines) != 0 && errno != ENOTTY && errno != EINVAL) {
        return false;
    }
    return true;
}

void TCommPort::close() {
    if (m_handle >= 0) {
        ::tcflush(m_handle, TCIOFLUSH);
        // The exclusive flag belongs to the terminal, not to this descriptor: on a
        // pseudo-terminal whose other side stays open it would outlive the close and lock
        // out every later unprivileged open.
        ::ioctl(m_handle, TIOCNXCL);
        ::close(m_handle);
        m_handle = -1;
    }
    m_opened = false;
}

bool TCommPort::set_timeouts(std::uint8_t mode, std::uint32_t value) {
    if (mode == m_timeoutMode && value == m_timeoutValue) {
        return true;
    }
    if (mode > 3) {
        errno = EINVAL;
        return false;
    }
    m_timeoutMode = mode;
    m_timeoutValue = value;
    // The limits are applied by read and write themselves; what can fail is the device.
    if (m_handle < 0) {
        errno = EBADF;
        return false;
    }
    return true;
}

void TCommPort::set_baudrate(int baud) {
    if (m_handle < 0 || baud == m_baudRate || baud <= 0) {
        return;
    }
    const speed_t rate = standardRate(baud);
    if (rate == B0) {
        if (!line_rate::read(m_handle)) {
            return;
        }
        m_baudRate = baud;
        line_rate::write(m_handle, static_cast<unsigned>(baud));
        return;
    }
    termios settings{};
    if (::tcgetattr(m_handle, &settings) != 0) {
        return;
    }
    ::cfsetispeed(&settings, rate);
    ::cfsetospeed(&settings, rate);
    m_baudRate = baud;
    ::tcsetattr(m_handle, TCSANOW, &settings);
}

bool TCommPort::read(char* buffer, int count, unsigned& got) {
    return read_until(buffer, count, got, Clock::time_point::max());
}

bool TCommPort::read_until(char* buffer, int count, unsigned& got, Clock::time_point end) {
    got = 0;
    if (m_handle < 0) {
        errno = EBADF;
        return false;
    }
    if (count < 0) {
        errno = EINVAL;
        return false;
    }
    if (count == 0) {
        return true;
    }
    const Limits limits = limitsFor(m_timeoutMode, m_timeoutValue);
    const auto start = Clock::now();
    const std::uint64_t total =
        totalLimit(limits.readPerByte, limits.readConstant, static_cast<std::uint64_t>(count));
    const bool noInterval = limits.readInterval == kMaxDword;
    Deadline deadline = total != 0 || noInterval ? deadlineAfter(start, total) : Deadline{};
    if (end != Clock::time_point::max() && (!deadline || end < *deadline)) {
        deadline = end;
    }
    const auto interval = std::chrono::milliseconds(limits.readInterval);
    const unsigned wanted = static_cast<unsigned>(count);
    Clock::time_point lastByte{};
    bool pollSaidReadable = false;
    for (;;) {
        const ssize_t n = ::read(m_handle, buffer + got, wanted - got);
        if (n > 0) {
            got += static_cast<unsigned>(n);
            lastByte = Clock::now();
            pollSaidReadable = false;
            if (got == wanted) {
                return true;
            }
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        // End of file on a terminal is a hang-up: the device went away under us.
        if (n == 0 && pollSaidReadable) {
            errno = EIO;
            return got > 0;
        }
        if (n < 0 && errno != EAGAIN) {
            // Bytes already read are handed over; the failure stays and shows on the next
            // read.
            return got > 0;
        }
        Deadline until = deadline;
        if (got > 0) {
            if (noInterval) {
                return true;
            }
            until = lastByte + interval;
            if (deadline && *deadline < *until) {
                until = deadline;
            }
        }
        if (until && Clock::now() >= *until) {
            return true;
        }
        switch (waitFor(m_handle, POLLIN, m_stopEvent, until)) {
            case Wait::Ready:
                pollSaidReadable = true;
                break;
            case Wait::Timeout:
            case Wait::Stop:
                return true;
            case Wait::HangUp:
                errno = EIO;
                return got > 0;
            case Wait::Error:
                return got > 0;
        }
    }
}

bool TCommPort::write(const char* buffer, int count) {
    if (m_handle < 0) {
        errno = EBADF;
        return false;
    }
    if (count < 0) {
        errno = EINVAL;
        return false;
    }
    const Limits limits = limitsFor(m_timeoutMode, m_timeoutValue);
    std::uint64_t limit =
        totalLimit(limits.writePerByte, limits.writeConstant, static_cast<std::uint64_t>(count));
    if (limit == 0) {
        // Twice the ten bits a byte really takes: room for a slow converter and a busy line.
        limit = std::max<std::uint64_t>(
            lineTimeMs(static_cast<std::uint64_t>(count), m_baudRate, 20) + m_writeAllowanceMs,
            kMinWriteLimitMs);
    }
    const Deadline deadline = deadlineAfter(Clock::now(), limit);
    int written = 0;
    while (written < count) {
        const ssize_t n = ::write(m_handle, buffer + written, static_cast<size_t>(count - written));
        if (n > 0) {
            written += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN) {
            return false;
        }
        switch (waitFor(m_handle, POLLOUT, m_stopEvent, deadline)) {
            case Wait::Ready:
                break;
            case Wait::Timeout:
                errno = ETIMEDOUT;
                return false;
            case Wait::Stop:
                errno = ECANCELED;
                return false;
            case Wait::HangUp:
                errno = EIO;
                return false;
            case Wait::Error:
                return false;
        }
    }
    return true;
}

bool TCommPort::flush() {
    if (m_handle < 0) {
        errno = EBADF;
        return false;
    }
    int queued = 0;
    if (::ioctl(m_handle, TIOCOUTQ, &queued) != 0) {
        return false;
    }
    if (queued <= 0) {
        return true;
    }
    // Ten bits a character: start, eight data bits, stop.
    const std::uint64_t lineMs = lineTimeMs(static_cast<std::uint64_t>(queued), m_baudRate, 10);
    const Limits limits = limitsFor(m_timeoutMode, m_timeoutValue);
    const std::uint64_t limit =
        totalLimit(limits.writePerByte, limits.writeConstant, static_cast<std::uint64_t>(queued));
    const auto deadline = Clock::now() + std::chrono::milliseconds(
                                             limit + lineMs + (limit == 0 ? kFlushMarginMs : 0));
    for (;;) {
        const auto now = Clock::now();
        if (now >= deadline) {
            errno = ETIMEDOUT;
            return false;
        }
        if (waitFor(-1, 0, m_stopEvent, std::min(deadline, now + kFlushPollStep)) == Wait::Stop) {
            errno = ECANCELED;
            return false;
        }
        if (::ioctl(m_handle, TIOCOUTQ, &queued) != 0) {
            return false;
        }
        if (queued <= 0) {
            return true;
        }
    }
}

bool TCommPort::wait_input(std::uint32_t ms) {
    if (m_handle < 0) {
        return false;
    }
    switch (waitFor(m_handle, POLLIN, m_stopEvent,
                    deadlineAfter(Clock::now(), static_cast<std::uint64_t>(ms)))) {
        case Wait::Timeout:
        case Wait::Stop:
            return false;
        case Wait::Ready:
        case Wait::HangUp:
        case Wait::Error:
            break;
    }
    return true;
}

void TCommPort::request_stop() {
    const std::uint64_t one = 1;
    const ssize_t written = ::write(m_stopEvent, &one, sizeof one);
    (void)written;
}

void TCommPort::clear_stop() {
    std::uint64_t value = 0;
    const ssize_t got = ::read(m_stopEvent, &value, sizeof value);
    (void)got;
}

bool TCommPort::pause(std::uint32_t ms) {
    return waitFor(-1, 0, m_stopEvent, deadlineAfter(Clock::now(), ms)) != Wait::Stop;
}

bool TCommPort::read_full(char* buffer, int count, unsigned timeout_ms, unsigned& total) {
    return read_loop(buffer, count, timeout_ms, total, false);
}

bool TCommPort::read_any(char* buffer, int count, unsigned timeout_ms, unsigned& total) {
    return read_loop(buffer, count, timeout_ms, total, true);
}

bool TCommPort::read_loop(char* buffer, int count, unsigned timeout_ms, unsigned& total, bool any) {
    const std::uint32_t start = platform::tickCount();
    int wanted = count;
    unsigned done = 0;
    total = 0;
    for (int pass = 0; pass < 100; ++pass) {
        unsigned got = 0;
        if (!read(buffer + done, wanted, got)) {
            got = 0;
        }
        wanted -= static_cast<int>(got);
        done += got;
        total = done;
        if (wanted <= 0) {
            return true;
        }
        if (any && got > 0) {
            return true;
        }
        if (platform::elapsedSince(start) > timeout_ms) {
            return false;
        }
    }
    return false;
}
