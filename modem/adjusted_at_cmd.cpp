#include "modem/adjusted_at_cmd.h"

#include <algorithm>
#include <string>
#include <vector>

AdjustedAtCmd::AdjustedAtCmd(std::string_view text, std::string_view expectedAnswer,
                             std::uint32_t answerTimeoutMs) {
    set_command(text);
    set_answer_timeout(answerTimeoutMs);
    add_complete_rule(expectedAnswer, true);
}

void AdjustedAtCmd::start_judging() {
    m_found.assign(rules().size(), false);
    m_carry.clear();
    m_echo.reset();
    const std::string_view command(command_data(), command_size());
    const std::string_view echo = EchoSplitter::echoOf(command);
    const bool checksEcho = std::any_of(rules().begin(), rules().end(), [&](const auto& rule) {
        return command.starts_with(rule.text) ||
               (!echo.empty() && std::string_view(rule.text).starts_with(echo));
    });
    if (m_ownReplyOnly && !checksEcho) {
        m_echo.emplace(command);
    }
}

void AdjustedAtCmd::on_data(const char* data, int length) {
    append_answer(data, length);
    std::string_view fresh = data != nullptr && length > 0
                                 ? std::string_view(data, static_cast<std::size_t>(length))
                                 : std::string_view{};
    const std::size_t chunkLength = fresh.size();
    m_strayLength = 0;
    if (rules_changed()) {
        start_judging();
        fresh = full_answer();
    }
    if (m_echo) {
        const EchoSplitter::Step step = m_echo->feed(fresh);
        if (step.echoEnded) {
            // What came before the echo was no reply: only what follows it counts.
            m_carry.clear();
            const std::size_t before = fresh.size() - chunkLength;  // judged again
            m_strayLength = step.stray > before ? step.stray - before : 0;
        }
        fresh = step.reply;
    }
    search(fresh);

    std::string reason;
    for (std::size_t i = 0; i < rules().size(); ++i) {
        if (m_found[i]) {
            take_verdict(rules()[i], reason);
        }
    }
    report_if_complete(reason);
}

void AdjustedAtCmd::search(std::string_view bytes) {
    // A rule once found stays found, and each chunk is searched only together with the few
    // bytes before it where a match could begin, so a long answer (a flooding modem) costs
    // time in proportion to its length.
    std::size_t longest = 0;
    for (const CompleteRule& rule : rules()) {
        longest = std::max(longest, rule.text.size());
    }
    std::string window = m_carry;
    window.append(bytes);
    for (std::size_t i = 0; i < rules().size(); ++i) {
        if (!m_found[i]) {
            m_found[i] = window.find(rules()[i].text) != std::string::npos;
        }
    }
    const std::size_t keep = longest > 0 ? longest - 1 : 0;
    m_carry.assign(window, window.size() - std::min(keep, window.size()));
}
