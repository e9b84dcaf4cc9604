#include "modem/at_cmd.h"

#include <algorithm>
#include <string_view>

void ATCmd::on_data(const char* data, int length) {
    append_answer(data, length);
    std::string_view fresh = data != nullptr && length > 0
                                 ? std::string_view(data, static_cast<std::size_t>(length))
                                 : std::string_view{};
    if (rules_changed()) {
        m_lineStart.clear();
        m_lineEndsInCr = false;
        m_reason.clear();
        fresh = full_answer();
    }

    // Each finished line is judged once, when its CR LF arrives, from the few bytes a rule can
    // look at: a flooding modem makes the answer long, and judging it whole on every chunk
    // would cost time growing with its square.
    std::size_t longest = 0;
    for (const CompleteRule& rule : m_rules) {
        longest = std::max(longest, rule.text.size());
    }
    while (!fresh.empty()) {
        const std::size_t lf = fresh.find('\n');
        const std::size_t taken = lf == std::string_view::npos ? fresh.size() : lf + 1;
        const bool lineEnds =
            lf != std::string_view::npos && (lf > 0 ? fresh[lf - 1] == '\r' : m_lineEndsInCr);
        if (m_lineStart.size() < longest) {
            m_lineStart.append(fresh.substr(0, std::min(taken, longest - m_lineStart.size())));
        }
        m_lineEndsInCr = fresh[taken - 1] == '\r';
        fresh.remove_prefix(taken);
        if (!lineEnds) {
            continue;  // an unfinished line may still turn into something else ("O" before "OK")
        }
        for (const CompleteRule& rule : m_rules) {
            if (m_lineStart.starts_with(rule.text)) {
                take_verdict(rule, m_reason);
            }
        }
        m_lineStart.clear();
        m_lineEndsInCr = false;
    }
    report_if_complete(m_reason);
}

void ATCmd::take_lines(const char* data, int length) {
    std::string_view chunk = data != nullptr && length > 0
                                 ? std::string_view(data, static_cast<std::size_t>(length))
                                 : std::string_view{};
    while (!chunk.empty() && !m_complete) {
        const std::size_t lf = chunk.find('\n');
        const std::size_t taken = lf == std::string_view::npos ? chunk.size() : lf + 1;
        ATCmd::on_data(chunk.data(), static_cast<int>(taken));
        chunk.remove_prefix(taken);
    }
    m_rest.append(chunk);
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

bool ATCmd::rules_changed() {
    if (m_rules.size() == m_judgedRules) {
        return false;
    }
    m_judgedRules = m_rules.size();
    return true;
}

void ATCmd::take_verdict(const CompleteRule& rule, std::string& reason) {
    m_result = rule.success;
    m_complete = true;
    reason = rule.text;
}

void ATCmd::report_if_complete(const std::string& reason) {
    if (m_complete) {
        on_complete(m_answer.text(), m_result, reason);
    }
}
