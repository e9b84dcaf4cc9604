#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/msg_strings.h"

// Tells whether the report line that ended a listen announces a newly stored message, and
// where the modem stored it: "+CMTI: <storage>,<index>".
class SmsReportParser {
public:
    SmsReportParser();

    // answer: everything the listen read, the report line last; reason: the report line's
    // rule text.
    void set(std::string_view answer, std::string_view reason);
    // True when the reason holds one of the prefixes.
    bool is_report() const;

    // The storage the report names, without its quotes ("SM"), and the index in it; nothing
    // when the report line does not carry both.
    struct Location {
        std::string storage;
        int index = 0;
    };
    const std::optional<Location>& location() const { return m_location; }

    const Msg::Strings& prefixes() const { return m_prefixes; }
    const std::string& answer() const { return m_answer; }
    const std::string& reason() const { return m_reason; }

private:
    Msg::Strings m_prefixes;
    std::string m_answer;
    std::string m_reason;
    std::optional<Location> m_location;
};
