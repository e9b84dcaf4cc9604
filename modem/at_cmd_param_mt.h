#pragma once

// One line of a command list: the command to send, the answer expected, how long to wait for
// it and how long to pause before sending. The modem search commands kept in the settings
// use the same line syntax, so the record lives beside the commands it turns into.
//
// Line syntax: fields separated by runs of spaces (tabs are not separators):
//   command answer [answer-wait-ms [delay-before-ms]]
// Tabs and spaces at the very end of the line are dropped first.
// Command and answer take C escapes (\r, \n, \\, ...) and the line-break names <CR> <LF>.
// A line shorter than two characters or starting with ";" is not a command.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/msg_strings.h"

class AtCmdParamMt {
public:
    static constexpr std::int32_t kDefaultAnswerWaitMs = 1000;
    static constexpr std::int32_t kDefaultDelayMs = 0;
    // toText never grows past this many characters.
    static constexpr std::size_t kMaxTextLength = 999;

    AtCmdParamMt() = default;
    // Parses line; a line that is no command leaves the record invalid.
    explicit AtCmdParamMt(std::string_view line);
    AtCmdParamMt(std::string commandBytes, std::string answerBytes,
                 std::int32_t answerWait = kDefaultAnswerWaitMs,
                 std::int32_t delayBefore = kDefaultDelayMs);

    // Command and answer present, wait and delay not negative.
    bool isValid() const;

    // "command answer" with CR and LF written as <CR> and <LF> (and a tab that ends the
    // answer as \t); wait and delay are not part of it, so it reads back with the defaults.
    std::string toText() const;

    bool operator==(const AtCmdParamMt&) const = default;

    std::string command;  // bytes to send
    std::string answer;   // bytes expected somewhere in the answer
    std::int32_t answerWaitMs = kDefaultAnswerWaitMs;
    std::int32_t delayBeforeMs = kDefaultDelayMs;
};

using AtCmdParamMtList = std::vector<AtCmdParamMt>;

// Replaces the eleven C escapes, each throughout the text before the next:
// \a \b \f \n \r \t \v \\ \' \" \?. Because the passes follow one another, "\\n" (two
// backslashes, n) ends as a backslash and a line feed.
void decodeCEscapes(std::string& text);

// Clears out, then appends the valid record of each line, in order. No header line is
// recognised here: these lines come from the settings, not from a file.
void parseCommandLines(const Msg::Strings& lines, AtCmdParamMtList& out);
