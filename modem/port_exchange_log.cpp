#include "modem/port_exchange_log.h"

#include "common/text_utils.h"
#include "platform/cp1251.h"

using namespace platform::literals;

std::string exchangeLine(std::string_view mark, const char* data, std::uint32_t length) {
    std::string bytes;
    SimpleUtils::assignBytes(bytes, data, length, true);
    return std::string(mark) + bytes;
}

std::string skippedLine(std::uint64_t bytes) {
    return std::string(ExchangeLog::kStrayMark) + std::string("пропущено "_cp1251) +
           std::to_string(bytes) + std::string(" байт"_cp1251);
}

PortExchangeLog::PortExchangeLog(ExchangeLog* target, std::int32_t port)
    : m_target(target), m_prefix("COM" + std::to_string(port) + ' ') {}

void PortExchangeLog::onRead(const char* data, std::uint32_t length) {
    pass(kReadMark, data, length);
}

void PortExchangeLog::onWrite(const char* data, std::uint32_t length) {
    pass(kWriteMark, data, length);
}

void PortExchangeLog::onNote(const std::string& text) {
    pass(kNoteMark, text.data(), static_cast<std::uint32_t>(text.size()));
}

void PortExchangeLog::onStray(const char* data, std::uint32_t length) {
    pass(kStrayMark, data, length);
}

void PortExchangeLog::onSkipped(std::uint64_t length) {
    onLine(skippedLine(length));
}

void PortExchangeLog::onLine(const std::string& line) {
    if (m_target != nullptr) {
        m_target->onLine(m_prefix + line);
    }
}

void PortExchangeLog::pass(std::string_view mark, const char* data, std::uint32_t length) {
    if (m_target != nullptr) {
        m_target->onLine(exchangeLine(m_prefix + std::string(mark), data, length));
    }
}
