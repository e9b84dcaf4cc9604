#pragma once

// The exchange of one port during a search. Several ports may be checked at once and their
// lines interleave, so each line begins with the port ("COM5 <<< ...") and goes to the
// search's exchange log whole.

#include <cstdint>
#include <string>
#include <string_view>

#include "modem/exchange_log.h"

// mark followed by the bytes, cut before the first NUL byte.
std::string exchangeLine(std::string_view mark, const char* data, std::uint32_t length);
// The line that stands for bytes of one answer left out of a log or report (1251 text).
std::string skippedLine(std::uint64_t bytes);

class PortExchangeLog : public ExchangeLog {
public:
    // target: not owned, null for none.
    PortExchangeLog(ExchangeLog* target, std::int32_t port);

    void onRead(const char* data, std::uint32_t length) override;
    void onWrite(const char* data, std::uint32_t length) override;
    void onNote(const std::string& text) override;
    void onStray(const char* data, std::uint32_t length) override;
    void onSkipped(std::uint64_t length) override;
    void onLine(const std::string& line) override;

private:
    void pass(std::string_view mark, const char* data, std::uint32_t length);

    ExchangeLog* m_target;
    std::string m_prefix;
};
