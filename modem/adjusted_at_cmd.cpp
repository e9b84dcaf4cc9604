#include "modem/adjusted_at_cmd.h"

#include <string>
#include <vector>

AdjustedAtCmd::AdjustedAtCmd(std::string_view text, std::string_view expectedAnswer,
                             std::uint32_t answerTimeoutMs) {
    set_command(text);
    set_answer_timeout(answerTimeoutMs);
    add_complete_rule(expectedAnswer, true);
}

void AdjustedAtCmd::on_data(const char* data, int length) {
    append_answer(data, length);

    // A rule once found stays found; each chunk is searched only from where a match could
    // still begin, so a long answer (a flooding modem) costs time in proportion to its length.
    const std::vector<CompleteRule>& all = rules();
    m_searchedUpTo.resize(all.size(), 0);
    m_found.resize(all.size(), false);
    const std::string& answer = full_answer();
    std::string reason;
    for (std::size_t i = 0; i < all.size(); ++i) {
        const std::string& text = all[i].text;
        if (!m_found[i]) {
            const std::size_t overlap = text.size() - 1;
            const std::size_t from = m_searchedUpTo[i] > overlap ? m_searchedUpTo[i] - overlap : 0;
            m_found[i] = answer.find(text, from) != std::string::npos;
            m_searchedUpTo[i] = answer.size();
        }
        if (m_found[i]) {
            take_verdict(all[i], reason);
        }
    }
    report_if_complete(reason);
}
