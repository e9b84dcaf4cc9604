#pragma once

// The modem's end of a pseudo-terminal: the master, plus one slave descriptor held for the
// endpoint's whole life. Without that descriptor the master reports hang-up whenever the
// application has the slave closed (between two opens of the port, for instance), and the
// line settings the application applies could not be read.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace sim {

class PtyEndpoint {
public:
    PtyEndpoint();  // throws std::system_error
    ~PtyEndpoint();
    PtyEndpoint(const PtyEndpoint&) = delete;
    PtyEndpoint& operator=(const PtyEndpoint&) = delete;

    // The device the application opens, such as /dev/pts/7.
    const std::string& slavePath() const { return m_slavePath; }
    // Non-blocking; -1 once closed.
    int masterFd() const { return m_master; }
    bool isOpen() const { return m_master >= 0; }

    // The rate the application set on its side, in bits per second.
    std::uint32_t lineRate() const;

    // Plain read and write on the master: -1 with errno as the system left it.
    ssize_t readSome(char* buffer, std::size_t size);
    ssize_t writeSome(const char* data, std::size_t size);

    // Closes both ends: the application's next read fails as on an unplugged device.
    void close();

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
};

}  // namespace sim
