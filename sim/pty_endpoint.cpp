#include "sim/pty_endpoint.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "sim/line_rate.h"

namespace sim {

namespace {

[[noreturn]] void fail(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

PtyEndpoint::PtyEndpoint() {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0) {
        fail("posix_openpt");
    }
    try {
        if (::grantpt(m_master) != 0) {
            fail("grantpt");
        }
        if (::unlockpt(m_master) != 0) {
            fail("unlockpt");
        }
        char name[128] = {};
        if (const int rc = ::ptsname_r(m_master, name, sizeof name); rc != 0) {
            errno = rc;
            fail("ptsname_r");
        }
        m_slavePath = name;
        m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_slave < 0) {
            fail("open pty slave");
        }
        // A fresh pseudo-terminal echoes and translates line ends on the slave side, which
        // would hand the modem its own replies back as commands before the application
        // gets round to making the line raw.
        termios settings{};
        if (::tcgetattr(m_slave, &settings) != 0) {
            fail("tcgetattr");
        }
        ::cfmakeraw(&settings);
        if (::tcsetattr(m_slave, TCSANOW, &settings) != 0) {
            fail("tcsetattr");
        }
        const int flags = ::fcntl(m_master, F_GETFL);
        if (flags < 0 || ::fcntl(m_master, F_SETFL, flags | O_NONBLOCK) != 0) {
            fail("fcntl O_NONBLOCK");
        }
    } catch (...) {
        close();
        throw;
    }
}

PtyEndpoint::~PtyEndpoint() {
    close();
}

std::uint32_t PtyEndpoint::lineRate() const {
    return m_slave >= 0 ? sim::lineRate(m_slave) : 0;
}

ssize_t PtyEndpoint::readSome(char* buffer, std::size_t size) {
    return ::read(m_master, buffer, size);
}

ssize_t PtyEndpoint::writeSome(const char* data, std::size_t size) {
    return ::write(m_master, data, size);
}

void PtyEndpoint::close() {
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
    if (m_slave >= 0) {
        ::close(m_slave);
        m_slave = -1;
    }
}

}  // namespace sim
