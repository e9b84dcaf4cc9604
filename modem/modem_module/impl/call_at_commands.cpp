#include "modem/modem_module/impl/call_at_commands.h"

#include "modem/at_keywords.h"
#include "modem/disconnect_reason.h"

namespace {

std::string line(std::string_view text) {
    std::string command(text);
    command += AtKeywords::crlf;
    return command;
}

// The rest of the CONNECT line that completed an answer taken line by line: its last line.
std::string connectDetailOf(std::string_view answer) {
    while (!answer.empty() && (answer.back() == '\r' || answer.back() == '\n')) {
        answer.remove_suffix(1);
    }
    const std::size_t lf = answer.rfind('\n');
    std::string_view last = lf == std::string_view::npos ? answer : answer.substr(lf + 1);
    if (!last.starts_with(AtKeywords::connect)) {
        return {};
    }
    last.remove_prefix(AtKeywords::connect.size());
    const std::size_t begin = last.find_first_not_of(' ');
    if (begin == std::string_view::npos) {
        return {};
    }
    return std::string(last.substr(begin, last.find_last_not_of(' ') - begin + 1));
}

}  // namespace

DialAtCommand::DialAtCommand(std::string_view number, bool dataMode)
    : m_failureReason(DisconnectReason::noCarrier) {
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

void DialAtCommand::on_complete(const std::string& full_answer, bool result,
                                const std::string& result_reason) {
    if (result) {
        m_connectDetail = connectDetailOf(full_answer);
        return;
    }
    const int reason = DisconnectReason::of(result_reason);
    m_failureReason = reason != DisconnectReason::none ? reason : DisconnectReason::noCarrier;
}

AnswerAtCommand::AnswerAtCommand() {
    set_command(line("ATA"));
    set_answer_timeout(kAnswerTimeoutMs);
    add_complete_rule(AtKeywords::ok, true);
    add_complete_rule(AtKeywords::connect, true);
    add_complete_rule(AtKeywords::error, false);
    add_complete_rule(AtKeywords::noCarrier, false);
}

void AnswerAtCommand::on_complete(const std::string& full_answer, bool result,
                                  const std::string& result_reason) {
    if (!result) {
        return;
    }
    if (result_reason == AtKeywords::connect) {
        m_connect = true;
        m_connectDetail = connectDetailOf(full_answer);
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
