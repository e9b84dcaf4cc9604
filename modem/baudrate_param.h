#pragma once

// One baud rate of the modem search, with the answer wait used for every search command at
// that rate, and the text form the settings keep the list in: entries separated by spaces,
// each "rate-wait", e.g. "115200-1000 9600-1000".

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct BaudrateParam {
    static constexpr std::int32_t kDefaultAnswerWaitMs = 1000;

    BaudrateParam(std::int32_t rate, std::int32_t waitMs = kDefaultAnswerWaitMs)  // NOLINT
        : baudRate(rate), answerWaitMs(waitMs) {}

    bool operator==(const BaudrateParam&) const = default;

    std::int32_t baudRate;
    std::int32_t answerWaitMs;
};

// In the order of trying; duplicates allowed.
using BaudrateParams = std::vector<BaudrateParam>;

// text = the entries as "rate-wait" separated by single spaces (cleared first).
void baud_list_to_text(const BaudrateParams& list, std::string& text);

// Appends the entries read from text. A piece that does not start with a number is skipped;
// a piece without a readable wait gets 1000 ms; anything after the second "-" is ignored.
void baud_list_from_text(std::string_view text, BaudrateParams& list);
