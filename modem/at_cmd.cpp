#include "modem/at_cmd.h"

#include <algorithm>
#include <string_view>

#include "modem/at_keywords.h"

void ATCmd::on_data(const char* data, int length) {
    append_answer(data, length);

    // Each finished line is judged once, when its CR LF arrives: a flooding modem makes the
    // answer long, and judging it whole on every chunk would cost time growing with its square.
    // Rules added since the last chunk have not seen the earlier lines: judge them all again.
    if (m_rules.size() != m_judgedRules) {
        m_judgedRules = m_rules.size();
        m_judgedUpTo = 0;
        m_reason.clear();
    }
    for (;;) {
        const std::size_t end = m_answer.find(AtKeywords::crlf, m_judgedUpTo);
        if (end == std::string::npos) {
            break;  // an unfinished line may still turn into something else ("O" before "OK")
        }
        const std::string_view line = std::string_view(m_answer).substr(
            m_judgedUpTo, end + AtKeywords::crlf.size() - m_judgedUpTo);
        for (const CompleteRule& rule : m_rules) {
            if (line.starts_with(rule.text)) {
                take_verdict(rule, m_reason);
            }
        }
        m_judgedUpTo = end + AtKeywords::crlf.size();
    }
    report_if_complete(m_reason);
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
