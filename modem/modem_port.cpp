#include "modem/modem_port.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

#include "platform/app_folder.h"
#include "platform/cp1251.h"
#include "platform/system_error.h"
#include "tools/common_static_log_kav.h"

using namespace platform::literals;

namespace {

constexpr std::string_view kWriteError = "Ошибка при записи в порт "_cp1251;
constexpr std::string_view kReadError = "Ошибка при чтении из порта "_cp1251;

}  // namespace

ModemPort::ModemPort(int port, int baudRate, int dataBits, int stopBits, bool parity, bool ctsFlow)
    : m_port(port, baudRate, dataBits, stopBits, parity, ctsFlow) {
    m_stopwatch.reset();
    std::error_code ignored;  // a missing file is the usual case
    std::filesystem::remove(platform::applicationPath("modem.dat"), ignored);
}

void ModemPort::stop() {
    std::lock_guard<std::mutex> lock(m_stopMutex);
    m_stop = true;
    m_port.request_stop();
}

void ModemPort::halt() {
    std::lock_guard<std::mutex> lock(m_stopMutex);
    m_halted = true;
    m_stop = true;
    m_port.request_stop();
}

void ModemPort::resume() {
    std::lock_guard<std::mutex> lock(m_stopMutex);
    m_halted = false;
}

bool ModemPort::execute(InquiryCmd& cmd) {
    {
        // Flag and port change together so that a racing stop() leaves both set.
        std::lock_guard<std::mutex> lock(m_stopMutex);
        m_stop = m_halted.load();
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

    if (cmd.command_size() != 0) {
        const char* data = cmd.command_data();
        const std::size_t size = cmd.command_size();
        trace_write(data, size);
        m_port.set_write_allowance(cmd.answer_timeout());
        if (!m_port.write(data, static_cast<int>(size))) {
            if (m_stop) {
                return true;  // the operator's stop released a write the line would not take
            }
            raise_port_error(kWriteError.data(), errno);
        }
        m_port.flush();
    }

    m_stopwatch.start();
    while (!cmd.is_complete() && !m_stop) {
        unsigned got = 0;
        if (!m_port.read(m_buffer, kReadChunk, got)) {
            raise_port_error(kReadError.data(), errno);
        }
        if (got > 0) {
            const int length = static_cast<int>(got);
            m_buffer[length] = '\0';
            cmd.on_data(m_buffer, length);
            trace_read(m_buffer, length);
        }
        if (cmd.answer_timeout() < m_stopwatch.elapsed()) {
            m_stop = true;
        }
        m_port.pause(kPollPauseMs);
    }
    m_stopwatch.reset();
    return true;
}

void ModemPort::raise_port_error(const char* prefix, int errorNumber) {
    std::string message(prefix);
    message += platform::systemErrorText(errorNumber);
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

void ModemPort::trace_read(const char* data, int length) {
    if (length < kReadTraceLimit) {
        CommonStaticLogKav::log()->none("ModemPort. Read: data=%s len=%d\n", data, length);
    }
    if (ExchangeLog* log = m_exchangeLog) {
        log->onRead(data, static_cast<std::uint32_t>(length));
    }
}
