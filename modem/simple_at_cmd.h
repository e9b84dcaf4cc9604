#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/msg_strings.h"
#include "modem/at_cmd.h"

// A generated AT command line that ends in "OK" (success) or "ERROR" (failure). The extended
// form is AT+<name>[=<parameter>] CR LF; the plain form sends <name> CR LF and ignores the
// parameter, so a free-text command such as ATI can be sent through it.
class SimpleAtCmd : public ATCmd {
public:
    // An empty name sends nothing; the command then only listens for "OK" or "ERROR".
    SimpleAtCmd(std::string_view name, std::string_view parameter, int minFields, bool extended,
                std::uint32_t answerTimeoutMs);
    SimpleAtCmd(std::string_view name, int parameter, int minFields, bool extended,
                std::uint32_t answerTimeoutMs);

    // Takes the comma-separated values of the information line "+<name>:" that must open the
    // answer, up to the first occurrence of terminator (the rule that completed the command).
    // Line breaks inside become spaces; empty values are kept. False, with values empty, when
    // the answer does not open with the information line (echo must be off).
    bool parse_answer(const std::string& full_answer, std::string_view terminator,
                      Msg::Strings& values) const;

    const std::string& name() const { return m_name; }
    int min_fields() const { return m_minFields; }

private:
    std::string m_name;
    // How many values an answer must yield for a descendant to accept it.
    int m_minFields;
    std::string m_trimChars{"\r\n "};
};
