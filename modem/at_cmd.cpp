#include "modem/at_cmd.h"

#include <algorithm>

#include "common/msg_strings.h"
#include "common/text_utils.h"
#include "modem/at_keywords.h"

void ATCmd::on_data(const char* data, int length) {
    append_answer(data, length);

    // The whole answer is re-cut on every chunk: a line may arrive in pieces, and answers are
    // short enough that rescanning is cheaper than keeping a scan position right.
    Msg::Strings lines;
    SimpleUtils::splitNonBlank(m_answer, AtKeywords::crlf, lines, true);

    std::string reason;
    for (const std::string& line : lines) {
        // An unfinished line may still turn into something else ("O" before "OK").
        if (!SimpleUtils::endsWith(line, AtKeywords::crlf)) {
            continue;
        }
        for (const CompleteRule& rule : m_rules) {
            if (SimpleUtils::startsWith(line, rule.text)) {
                take_verdict(rule, reason);
            }
        }
    }
    report_if_complete(reason);
}

void ATCmd::on_complete(const std::string& /*full_answer*/, bool /*result*/,
                        const std::string& /*result_reason*/) {}

void ATCmd::add_complete_rule(std::string_view text, bool success) {
    if (text.empty()) {
        return;
    }
    const bool known = std::any_of(m_rules.begin(), m_rules.end(),
                                   [text](const CompleteRule& rule) { return rule.text == text; });
    if (known) {
        return;
    }
    m_rules.push_back(CompleteRule{std::string{text}, success});
    m_complete = false;
}

void ATCmd::append_answer(const char* data, int length) {
    if (data != nullptr && length > 0) {
        m_answer.append(data, static_cast<std::size_t>(length));
    }
}

void ATCmd::take_verdict(const CompleteRule& rule, std::string& reason) {
    m_result = rule.success;
    m_complete = true;
    reason = rule.text;
}

void ATCmd::report_if_complete(const std::string& reason) {
    if (m_complete) {
        on_complete(m_answer, m_result, reason);
    }
}
