#include "modem/modem_port.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/app_folder.h"
#include "platform/cp1251.h"
#include "platform/system_error.h"
#include "tools/common_static_log_kav.h"

using namespace platform::literals;

namespace {

// The errors of a device that is gone (unplugged, the far side of a pseudo-terminal closed):
// nothing will ever come through it again.
bool meansDeadDevice(int errorNumber) {
    return errorNumber == EIO || errorNumber == ENXIO || errorNumber == ENODEV;
}

}  // namespace

const std::string_view ModemPort::kWriteErrorPrefix = "Ошибка при записи в порт "_cp1251;
const std::string_view ModemPort::kReadErrorPrefix = "Ошибка при чтении из порта "_cp1251;

ModemPort::ModemPort(int port, int baudRate, int dataBits, int stopBits, bool parity, bool ctsFlow)
    : m_port(port, baudRate, dataBits, stopBits, parity, ctsFlow) {
    m_stopwatch.reset();
    std::error_code ignored;  // a missing file is the usual case
    std::filesystem::remove(platform::applicationPath("modem.dat"), ignored);
}

void ModemPort::stop() {
    std::lock_guard<std::mutex> lock(m_stopMutex);
    ++m_stops;
    m_stop = true;
    m_port.request_stop();
}

void ModemPort::halt() {
    std::lock_guard<std::mutex> lock(m_stopMutex);
    m_halted = true;
    ++m_stops;
    m_stop = true;
    m_port.request_stop();
}

void ModemPort::resume() {
    std::lock_guard<std::mutex> lock(m_stopMutex);
    m_halted = false;
}

bool ModemPort::execute(InquiryCmd& cmd) {
    return run(cmd, nullptr);
}

bool ModemPort::execute_unless_stopped_since(InquiryCmd& cmd, std::uint64_t mark) {
    return run(cmd, &mark);
}

bool ModemPort::run(InquiryCmd& cmd, const std::uint64_t* mark) {
    if (m_dead) {
        throw std::runtime_error(m_deadError);
    }
    {
        // Flag and port change together so that a racing stop() leaves both set.
        std::lock_guard<std::mutex> lock(m_stopMutex);
        m_stop = m_halted || (mark != nullptr && *mark != m_stops);
        if (!m_stop) {
            m_port.clear_stop();
        }
    }

    // The pause ends early on a stop, which is then still in force for the check below.
    if (cmd.delay_before() != 0) {
        m_port.pause(cmd.delay_before());
    }
    if (m_stop) {
        return false;
    }

    if (cmd.drains_line()) {
        drain_line(cmd.answer_timeout());
        if (m_stop) {
            return false;
        }
    }

    if (cmd.command_size() != 0) {
        const char* data = cmd.command_data();
        const std::size_t size = cmd.command_size();
        trace_write(data, size);
        m_port.set_write_allowance(cmd.answer_timeout());
        if (!m_port.write(data, static_cast<int>(size))) {
            if (m_stop) {
                return true;  // the operator's stop released a write the line would not take
            }
            raise_port_error(kWriteErrorPrefix, errno);
        }
        m_port.flush();
    }

    m_stopwatch.start();
    m_shown.clear();
    const bool toDeadline = cmd.reads_end_at_deadline();
    const auto deadline = Clock::now() + std::chrono::milliseconds(cmd.answer_timeout());
    try {
        while (!cmd.is_complete() && !m_stop) {
            const unsigned got = read_chunk(toDeadline ? deadline : Clock::time_point::max());
            if (got > 0) {
                const int length = static_cast<int>(got);
                cmd.on_data(m_buffer, length);
                trace_read(m_buffer, length, cmd.stray_length());
            }
            if (toDeadline ? Clock::now() >= deadline
                           : cmd.answer_timeout() < m_stopwatch.elapsed()) {
                m_stop = true;
                if (toDeadline) {
                    break;
                }
            }
            m_port.pause(kPollPauseMs);
        }
    } catch (...) {
        show_rest(false);
        throw;
    }
    show_rest(false);
    m_stopwatch.reset();
    return true;
}

void ModemPort::drain_line(std::uint32_t limitMs) {
    if (!m_port.wait_input(0)) {
        return;
    }
    platform::Stopwatch draining;
    draining.start();
    m_shown.clear();
    try {
        do {
            const unsigned got = read_chunk();
            if (got > 0) {
                const int length = static_cast<int>(got);
                trace_read(m_buffer, length, got);
            }
        } while (!m_stop && draining.elapsed() < limitMs && m_port.wait_input(kQuietMs));
    } catch (...) {
        show_rest(true);
        throw;
    }
    show_rest(true);
}

unsigned ModemPort::read_chunk(Clock::time_point end) {
    unsigned got = 0;
    if (!m_port.read_until(m_buffer, kReadChunk, got, end)) {
        raise_port_error(kReadErrorPrefix, errno);
    }
    m_buffer[got] = '\0';
    return got;
}

void ModemPort::raise_port_error(std::string_view prefix, int errorNumber) {
    std::string message(prefix);
    message += platform::systemErrorText(errorNumber);
    if (meansDeadDevice(errorNumber) && !m_dead) {
        m_deadError = message;
        m_dead = true;
    }
    throw std::runtime_error(message);
}

void ModemPort::trace_write(const char* data, std::size_t length) {
    const std::string shown(data, ::strnlen(data, length));
    CommonStaticLogKav::log()->none("ModemPort. Write: data=%s len=%d\n", shown.c_str(),
                                    static_cast<int>(length));
    if (ExchangeLog* log = m_exchangeLog) {
        log->onWrite(data, static_cast<std::uint32_t>(length));
    }
}

void ModemPort::trace_read(const char* data, int length, std::size_t stray) {
    if (length < kReadTraceLimit) {
        CommonStaticLogKav::log()->none("ModemPort. Read: data=%s len=%d\n", data, length);
    }
    const std::size_t live = m_shown.append(data, static_cast<std::size_t>(length));
    ExchangeLog* log = m_exchangeLog;
    if (log == nullptr) {
        return;
    }
    const std::size_t strayLive = std::min(stray, live);
    if (strayLive > 0) {
        log->onStray(data, static_cast<std::uint32_t>(strayLive));
    }
    if (live > strayLive) {
        log->onRead(data + strayLive, static_cast<std::uint32_t>(live - strayLive));
    }
}

void ModemPort::show_rest(bool stray) {
    ExchangeLog* log = m_exchangeLog;
    const std::string_view tail = m_shown.tail();
    if (log != nullptr) {
        if (m_shown.skipped() > 0) {
            log->onSkipped(m_shown.skipped());
        }
        if (!tail.empty()) {
            const auto length = static_cast<std::uint32_t>(tail.size());
            stray ? log->onStray(tail.data(), length) : log->onRead(tail.data(), length);
        }
    }
    m_shown.clear();
}
