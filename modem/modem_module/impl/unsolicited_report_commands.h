#pragma once

// Reading what a modem says unasked between calls: a listen for one report line, and the
// call list asked for when the report was a ring.

#include <string>

#include "modem/at_cmd.h"
#include "modem/sms_report_parser.h"

// Writes nothing and listens for 100 ms; the first finished report line ends the listen, and
// what came after it in the same chunk is kept apart (rest()) for the next listen.
class ReadUnsolicitedReportsATCommand : public ATCmd {
public:
    ReadUnsolicitedReportsATCommand();
    void on_data(const char* data, int length) override { take_lines(data, length); }
    void on_complete(const std::string& full_answer, bool result,
                     const std::string& result_reason) override;
    bool ring() const { return m_ring; }
    const SmsReportParser& sms_report() const { return m_smsReport; }

private:
    bool m_ring = false;
    SmsReportParser m_smsReport;
};

// "AT+CLCC": who is calling, and whether it is a data call.
class RingTypeAtCommand : public ATCmd {
public:
    static constexpr std::uint32_t kAnswerTimeoutMs = 500;
    RingTypeAtCommand();
    void on_complete(const std::string& full_answer, bool result,
                     const std::string& result_reason) override;
    const std::string& number() const { return m_number; }
    // 1 for a data call, 0 for anything else.
    int type() const { return m_type; }

private:
    std::string m_number;
    int m_type = 0;
};
