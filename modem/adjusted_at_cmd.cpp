#include "modem/adjusted_at_cmd.h"

#include <string>

AdjustedAtCmd::AdjustedAtCmd(std::string_view text, std::string_view expectedAnswer,
                             std::uint32_t answerTimeoutMs) {
    set_command(text);
    set_answer_timeout(answerTimeoutMs);
    add_complete_rule(expectedAnswer, true);
}

void AdjustedAtCmd::on_data(const char* data, int length) {
    append_answer(data, length);

    std::string reason;
    for (const CompleteRule& rule : rules()) {
        if (full_answer().find(rule.text) != std::string::npos) {
            take_verdict(rule, reason);
        }
    }
    report_if_complete(reason);
}
