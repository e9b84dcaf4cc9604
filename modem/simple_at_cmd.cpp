#include "modem/simple_at_cmd.h"

#include <string>

#include "common/text_utils.h"
#include "modem/at_keywords.h"

namespace {

std::string commandLine(std::string_view name, std::string_view parameter, bool extended) {
    std::string line;
    if (extended) {
        line.append(AtKeywords::at).append(AtKeywords::plus).append(name);
        if (!parameter.empty()) {
            line.append(AtKeywords::equals).append(parameter);
        }
    } else {
        line.append(name);
    }
    line.append(AtKeywords::crlf);
    return line;
}

}  // namespace

SimpleAtCmd::SimpleAtCmd(std::string_view name, std::string_view parameter, int minFields,
                         bool extended, std::uint32_t answerTimeoutMs)
    : m_name{name}, m_minFields{minFields} {
    if (!name.empty()) {
        set_command(commandLine(name, parameter, extended));
    }
    set_answer_timeout(answerTimeoutMs);
    add_complete_rule(AtKeywords::ok, true);
    add_complete_rule(AtKeywords::error, false);
}

SimpleAtCmd::SimpleAtCmd(std::string_view name, int parameter, int minFields, bool extended,
                         std::uint32_t answerTimeoutMs)
    : SimpleAtCmd{name, std::to_string(parameter), minFields, extended, answerTimeoutMs} {}

bool SimpleAtCmd::parse_answer(const std::string& full_answer, std::string_view terminator,
                               Msg::Strings& values) const {
    values.clear();

    std::string answer{full_answer};
    SimpleUtils::trimLeftChars(answer, m_trimChars);

    std::string prefix;
    prefix.append(AtKeywords::plus).append(m_name).append(":");
    if (!SimpleUtils::startsWith(answer, prefix)) {
        return false;
    }

    std::string text = SimpleUtils::textBetween(answer, prefix, terminator);
    SimpleUtils::flattenLineBreaks(text, " ");
    SimpleUtils::split(text, ",", values, false);
    return true;
}
