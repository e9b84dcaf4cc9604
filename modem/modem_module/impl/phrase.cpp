#include "modem/modem_module/impl/phrase.h"

#include "common/text_utils.h"

namespace SimpleUtils {

Phrase::Phrase(std::string_view text) {
    if (text.empty()) {
        return;
    }
    std::string flat{text};
    flattenLineBreaks(flat, " ");
    collapseRepeats(flat, ' ');
    split(flat, " ", m_words, false);
}

const std::string& Phrase::word(int index) const {
    static const std::string none;
    if (index < 0 || index >= number()) {
        return none;
    }
    return m_words[static_cast<std::size_t>(index)];
}

}  // namespace SimpleUtils
