#pragma once

// One serial port over a Linux terminal device, with the four read/write time-limit modes
// the rest of the system was written against:
//
//   mode  read interval  read per byte  read constant  write per byte  write constant
//   0     50             30             value          0               0
//   1     "none"         0              value          2               0
//   2     50             0              value          0               0
//   3     50             0              value          0               1
//
// A read waits up to the total limit (constant + per byte * count) for the first byte; once
// bytes have arrived it returns when count bytes are in, when the line has been quiet for
// the interval, or when the total limit is reached. A total limit of 0 in modes 0, 2 and 3
// means none: the read waits for the first byte until it comes or a stop is requested. Mode
// 1 has no interval: it waits up to the total limit for the first byte and then returns with
// whatever has arrived (with value 0 it returns at once).
//
// A write in a mode with a write limit (1: 2 ms per byte, 3: 1 ms in total) fails when bytes
// are still unwritten as the limit passes. The modes without one (0, 2) are still bounded: a
// modem that stops reading (a wedged USB modem, CTS held low) must not hang the writer. Such a
// write may take its bytes' time on the line at 20 bit times a byte plus the write allowance,
// and at least kMinWriteLimitMs; past that it fails with ETIMEDOUT. A stop ends any wait.
//
// Port objects are used by one thread at a time; only request_stop() may come from another.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

#include "modem/i_port.h"

class TCommPort : public IPort {
public:
    // Opens the port at once; whether that worked is told by is_open().
    TCommPort(int port, int baudRate, int dataBits, int stopBits, bool parity, bool ctsFlow);
    ~TCommPort() override;
    TCommPort(const TCommPort&) = delete;
    TCommPort& operator=(const TCommPort&) = delete;

    bool read(char* buffer, int count, unsigned& got) override;
    // As read, and it also ends at end, whatever its own limits say.
    bool read_until(char* buffer, int count, unsigned& got,
                    std::chrono::steady_clock::time_point end);
    bool write(const char* buffer, int count) override;
    bool read_full(char* buffer, int count, unsigned timeout_ms, unsigned& total) override;
    bool read_any(char* buffer, int count, unsigned timeout_ms, unsigned& total) override;

    bool is_open() const { return m_opened; }
    // Only when the device is open and baud differs from the rate in force.
    void set_baudrate(int baud);
    // mode 0 to 3, value in milliseconds. Asking for the mode already in force changes
    // nothing and succeeds.
    bool set_timeouts(std::uint8_t mode, std::uint32_t value);

    // Waits until the driver has sent its output queue, bounded by the write limit plus the
    // queue's time on the line (a small margin without a write limit) and by a stop request.
    // False when the queue did not empty.
    bool flush();
    // Whether bytes wait to be read, or arrive within ms milliseconds (0: no wait at all).
    // A failed line counts as waiting, so that the next read reports it; a stop as not.
    bool wait_input(std::uint32_t ms);
    // Makes a waiting write, flush, read, pause or wait_input give up at once (a read returns
    // what it has); stays in force until clear_stop(). Safe from any thread.
    void request_stop();
    void clear_stop();
    // Waits ms milliseconds; false when a stop ended the wait early (or was already in force).
    bool pause(std::uint32_t ms);

    // What a write in a mode without a write limit may take beyond its bytes' time on the
    // line: the answer wait of the command being written (a modem restarting after ATZ may
    // hold CTS low for seconds).
    void set_write_allowance(std::uint32_t ms) { m_writeAllowanceMs = ms; }
    // The shortest limit of such a write.
    static constexpr std::uint32_t kMinWriteLimitMs = 1000;

    int port_number() const { return m_portNumber; }
    int baud_rate() const { return m_baudRate; }
    std::uint8_t timeout_mode() const { return m_timeoutMode; }
    std::uint32_t timeout_value() const { return m_timeoutValue; }
    const std::string& mode_string() const { return m_modeString; }
    // The device the port number named when the port was made; empty if none.
    const std::filesystem::path& device_path() const { return m_devicePath; }

    // Where an open that did not succeed stopped, and the errno of that step, for telling the
    // operator why (port_open_diagnosis.h).
    enum class OpenStep { none, parameters, device, lock, exclusive, settings };
    struct OpenFailure {
        OpenStep step = OpenStep::none;
        int error = 0;
    };
    const OpenFailure& open_failure() const { return m_openFailure; }

private:
    bool open(int port, int baudRate, int dataBits, const std::string& modeString, bool ctsFlow);
    bool open_device();
    // Records the step and the current errno; false, for the open's early returns.
    bool open_failed(OpenStep step);
    bool apply_line_settings();
    void close();
    bool read_loop(char* buffer, int count, unsigned timeout_ms, unsigned& total, bool any);

    int m_handle = -1;
    std::uint8_t m_timeoutMode = 0;
    std::uint32_t m_timeoutValue = 0;
    bool m_opened = false;
    std::int32_t m_portNumber;
    std::string m_modeString;
    bool m_ctsFlow;
    std::int32_t m_baudRate;
    std::int32_t m_dataBits;

    // An eventfd: readable while a stop is requested, so every wait of the port can include
    // it in its poll set.
    int m_stopEvent = -1;
    std::uint32_t m_writeAllowanceMs = 0;
    std::filesystem::path m_devicePath;
    OpenFailure m_openFailure;
};
