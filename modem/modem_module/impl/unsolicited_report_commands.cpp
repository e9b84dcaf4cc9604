#include "modem/modem_module/impl/unsolicited_report_commands.h"

#include "common/msg_strings.h"
#include "common/text_utils.h"
#include "modem/at_keywords.h"

ReadUnsolicitedReportsATCommand::ReadUnsolicitedReportsATCommand() {
    add_complete_rule(AtKeywords::ring, true);
    add_complete_rule(AtKeywords::cring, true);
    for (const std::string& prefix : m_smsReport.prefixes()) {
        add_complete_rule(prefix, true);
    }
}

void ReadUnsolicitedReportsATCommand::on_complete(const std::string& full_answer, bool result,
                                                  const std::string& result_reason) {
    if (!result) {
        return;
    }
    if (result_reason.find(AtKeywords::ring) != std::string::npos ||
        result_reason.find(AtKeywords::cring) != std::string::npos) {
        m_ring = true;
    } else {
        m_smsReport.set(full_answer, result_reason);
    }
}

RingTypeAtCommand::RingTypeAtCommand() {
    std::string command = "AT+CLCC";
    command += AtKeywords::crlf;
    set_command(command);
    set_answer_timeout(kAnswerTimeoutMs);
    add_complete_rule(AtKeywords::ok, true);
    add_complete_rule(AtKeywords::error, false);
}

void RingTypeAtCommand::on_complete(const std::string& full_answer, bool result,
                                    const std::string& /*result_reason*/) {
    if (!result) {
        return;
    }
    Msg::Strings lines;
    SimpleUtils::splitNonBlank(full_answer, AtKeywords::crlf, lines, false);
    for (const std::string& line : lines) {
        if (!SimpleUtils::startsWith(line, "+CLCC")) {
            continue;
        }
        // +CLCC: <id>,<dir>,<stat>,<mode>,<mpty>,"<number>",<type>: the mode 1 is data.
        Msg::Strings values;
        SimpleUtils::split(line, ",", values, true);
        if (values.size() > 5) {
            std::string number = values[5];
            if (number.size() > 1) {
                number = number.substr(1, number.size() - 2);
            }
            m_number = number;
            m_type = values[3] == "1" ? 1 : 0;
        }
        return;
    }
}
