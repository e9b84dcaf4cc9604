#pragma once

#include <string>
#include <string_view>

#include "common/msg_strings.h"

// Tells whether the report line that ended a listen announces a newly stored message.
class SmsReportParser {
public:
    SmsReportParser();

    // answer: everything the listen read; reason: the report line's rule text.
    void set(std::string_view answer, std::string_view reason);
    // True when the reason holds one of the prefixes.
    bool is_report() const;

    const Msg::Strings& prefixes() const { return m_prefixes; }
    const std::string& answer() const { return m_answer; }
    const std::string& reason() const { return m_reason; }

private:
    Msg::Strings m_prefixes;
    std::string m_answer;
    std::string m_reason;
};
