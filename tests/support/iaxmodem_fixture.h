#pragma once

// Debian's iaxmodem as an independent Hayes modem on a pseudo-terminal: no telephony
// server is needed to talk AT to it. Each object runs one iaxmodem with a configuration of
// its own in /etc/iaxmodem (iaxmodem takes nothing but a configuration name), and removes
// the configuration, the device link and the process when it goes.

#include <sys/types.h>

#include <filesystem>
#include <string>

namespace testsupport {

class IaxModem {
public:
    // Starts iaxmodem and waits until its device answers "AT" with OK. Throws
    // std::runtime_error saying why when it cannot (not installed, /etc/iaxmodem not
    // writable, no answer in time).
    IaxModem();
    ~IaxModem();
    IaxModem(const IaxModem&) = delete;
    IaxModem& operator=(const IaxModem&) = delete;

    // The device link iaxmodem made to its pseudo-terminal, such as /tmp/iaxm-4711-0.
    const std::string& devicePath() const { return m_device; }

private:
    bool tryStart();
    void stopProcess();
    std::string logTail() const;

    std::string m_name;
    std::filesystem::path m_config;
    std::string m_device;
    std::filesystem::path m_log;
    pid_t m_pid = -1;
};

}  // namespace testsupport
