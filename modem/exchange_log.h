#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Observer of the raw modem exchange. Called on whichever thread runs the exchange, so an
// implementation that touches a window must hand the bytes over rather than draw them.
class ExchangeLog {
public:
    // Bytes received from the modem.
    virtual void onRead(const char* data, std::uint32_t length) = 0;
    // Bytes written to the modem.
    virtual void onWrite(const char* data, std::uint32_t length) = 0;
    // A line about the exchange rather than bytes of it (why a port did not open), in 1251;
    // shown marked as such where the exchange is shown.
    virtual void onNote(const std::string& /*text*/) {}
    // Bytes received that belong to no command: what waited on the line before a command
    // was written, or came after its write but ahead of its echo (a late answer).
    virtual void onStray(const char* data, std::uint32_t length) = 0;
    // This many bytes of one answer are not shown: the first part of the answer has been
    // shown, its last part follows (a flooding modem must not flood the log).
    virtual void onSkipped(std::uint64_t length) = 0;
    // A whole line as it is shown, mark and bytes together: during a search, where several
    // ports may be checked at once, each line carries its port ahead of the mark
    // ("COM5 <<< " and the bytes, port_exchange_log.h).
    virtual void onLine(const std::string& line) = 0;
    virtual ~ExchangeLog() = default;

    // The marks that begin the shown lines.
    static constexpr std::string_view kReadMark = "<<< ";
    static constexpr std::string_view kWriteMark = ">>> ";
    static constexpr std::string_view kNoteMark = "!!! ";
    static constexpr std::string_view kStrayMark = "<<- ";

protected:
    ExchangeLog() = default;
    ExchangeLog(const ExchangeLog&) = default;
    ExchangeLog& operator=(const ExchangeLog&) = default;
    ExchangeLog(ExchangeLog&&) = default;
    ExchangeLog& operator=(ExchangeLog&&) = default;
};
