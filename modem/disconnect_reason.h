#pragma once

#include <array>
#include <string_view>

#include "modem/at_keywords.h"

// Why a call ended, as handed to the handler's disconnect and reset events. Every path that
// ends a call speaks these codes: the report parsers, the data reader and call control.
namespace DisconnectReason {

inline constexpr int none = 0;
inline constexpr int busy = 1;
inline constexpr int noCarrier = 2;
inline constexpr int noDialtone = 3;
inline constexpr int noAnswer = 4;

struct Word {
    std::string_view text;
    int reason;
};

// The modem's call-ending words in the order a text is searched for them: when a text holds
// several, the first of this table decides.
inline constexpr std::array<Word, 4> words{{
    {AtKeywords::busy, busy},
    {AtKeywords::noCarrier, noCarrier},
    {AtKeywords::noDialtone, noDialtone},
    {AtKeywords::noAnswer, noAnswer},
}};

// The code of a whole word (exact comparison); `none` for anything else, an empty word too.
constexpr int of(std::string_view word) {
    for (const Word& entry : words) {
        if (entry.text == word) {
            return entry.reason;
        }
    }
    return none;
}

}  // namespace DisconnectReason
