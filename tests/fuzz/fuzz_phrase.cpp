// The words of a text (Phrase) against a plain word splitter, and the message read that cuts
// its last value into length and PDU with it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/msg_strings.h"
#include "modem/modem_module/impl/phrase.h"
#include "modem/modem_module/impl/read_sms_at_cmd.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// Line breaks count as spaces, runs of them as one, the ends are trimmed; a text of nothing
// but gaps is one empty word and an empty text has none.
Msg::Strings wordsOf(std::string_view text) {
    Msg::Strings words;
    if (text.empty()) {
        return words;
    }
    std::string word;
    for (const char c : text) {
        if (c != ' ' && c != '\r' && c != '\n') {
            word.push_back(c);
        } else if (!word.empty()) {
            words.push_back(word);
            word.clear();
        }
    }
    if (!word.empty() || words.empty()) {
        words.push_back(word);
    }
    return words;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::quietTrace();
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const SimpleUtils::Phrase phrase(text);
    const Msg::Strings expected = wordsOf(text);
    FUZZ_CHECK(phrase.number() == static_cast<int>(expected.size()));
    for (int i = 0; i < phrase.number(); ++i) {
        FUZZ_CHECK(phrase.word(i) == expected[static_cast<std::size_t>(i)]);
    }
    FUZZ_CHECK(phrase.word(-1).empty() && phrase.word(phrase.number()).empty());

    // The same bytes as a whole answer to AT+CMGR.
    ReadSmsAtCmd read(1);
    read.on_data(text.data(), static_cast<int>(text.size()));
    if (read.data().empty()) {
        FUZZ_CHECK(read.length() == 0);
    } else {
        FUZZ_CHECK(read.is_complete() && read.result());
        FUZZ_CHECK(read.data().find_first_of(" \r\n") == std::string::npos);
    }
    return 0;
}
