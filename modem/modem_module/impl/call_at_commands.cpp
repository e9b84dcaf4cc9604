#include "modem/modem_module/impl/call_at_commands.h"

#include "modem/at_keywords.h"

namespace {

std::string line(std::string_view text) {
    std::string command(text);
    command += AtKeywords::crlf;
    return command;
}

}  // namespace

DialAtCommand::DialAtCommand(std::string_view number, bool dataMode) {
    std::string command = "ATD";
    command += number;  // as given: the modem judges the dial string
    if (!dataMode) {
        command += ';';
    }
    command += AtKeywords::crlf;
    set_command(command);
    set_answer_timeout(kAnswerTimeoutMs);
    add_complete_rule(AtKeywords::ok, true);
    add_complete_rule(AtKeywords::connect, true);
    add_complete_rule(AtKeywords::error, false);
    add_complete_rule(AtKeywords::busy, false);
    add_complete_rule(AtKeywords::noCarrier, false);
    add_complete_rule(AtKeywords::noDialtone, false);
    add_complete_rule(AtKeywords::noAnswer, false);
}

AnswerAtCommand::AnswerAtCommand() {
    set_command(line("ATA"));
    set_answer_timeout(kAnswerTimeoutMs);
    add_complete_rule(AtKeywords::ok, true);
    add_complete_rule(AtKeywords::connect, true);
    add_complete_rule(AtKeywords::error, false);
    add_complete_rule(AtKeywords::noCarrier, false);
}

void AnswerAtCommand::on_complete(const std::string& /*full_answer*/, bool result,
                                  const std::string& result_reason) {
    if (!result) {
        return;
    }
    if (result_reason == AtKeywords::connect) {
        m_connect = true;
    } else if (result_reason == AtKeywords::ok) {
        m_ok = true;
    }
}

HangupAtCommand::HangupAtCommand() {
    set_command(line("ATH"));
    set_answer_timeout(kAnswerTimeoutMs);
    add_complete_rule(AtKeywords::ok, true);
    add_complete_rule(AtKeywords::error, false);
}

EchoOffAtCommand::EchoOffAtCommand() {
    set_command(line("ATE0"));
    set_answer_timeout(kAnswerTimeoutMs);
    add_complete_rule(AtKeywords::ok, true);
    add_complete_rule(AtKeywords::error, false);
}

ToTextModeAtCommand::ToTextModeAtCommand() {
    set_command("+++");
    set_delay_before(kGuardDelayMs);
    set_answer_timeout(kAnswerTimeoutMs);
    add_complete_rule(AtKeywords::ok, true);
}
