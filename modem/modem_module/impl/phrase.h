#pragma once

#include <string>
#include <string_view>

#include "common/msg_strings.h"

namespace SimpleUtils {

// The words of a text: line breaks count as spaces, runs of spaces as one, and the ends are
// trimmed. A text of nothing but blanks is one empty word; an empty text has none.
class Phrase {
public:
    explicit Phrase(std::string_view text);

    int number() const { return static_cast<int>(m_words.size()); }
    // An empty word for an index outside 0 .. number() - 1.
    const std::string& word(int index) const;

private:
    Msg::Strings m_words;
};

}  // namespace SimpleUtils
