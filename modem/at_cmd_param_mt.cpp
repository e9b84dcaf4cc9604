#include "modem/at_cmd_param_mt.h"

#include <array>
#include <utility>

#include "common/leading_int.h"
#include "common/text_utils.h"

namespace {

constexpr std::size_t kMinLineLength = 2;
// What editors leave after the last field, a Windows editor's tabs above all. Only literal
// bytes go: an escaped "\t" or "<CR>" at the end is decoded later and stays in the answer.
constexpr std::string_view kTrailingBlanks = " \t";

}  // namespace

void decodeCEscapes(std::string& text) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 11> escapes{{
        {"\\a", "\a"},
        {"\\b", "\b"},
        {"\\f", "\f"},
        {"\\n", "\n"},
        {"\\r", "\r"},
        {"\\t", "\t"},
        {"\\v", "\v"},
        {"\\\\", "\\"},
        {"\\'", "'"},
        {"\\\"", "\""},
        {"\\?", "?"},
    }};
    for (const auto& [sequence, character] : escapes) {
        SimpleUtils::replaceAll(text, sequence, character);
    }
}

AtCmdParamMt::AtCmdParamMt(std::string_view line) {
    line = line.substr(0, line.find_last_not_of(kTrailingBlanks) + 1);
    if (line.size() < kMinLineLength || line.front() == ';') {
        return;
    }
    Msg::Strings fields;
    SimpleUtils::split(line, " ", fields, true);
    SimpleUtils::flattenLineBreaksAll(fields, " ");
    if (fields.size() < 2) {
        return;
    }
    for (std::size_t i = 0; i < 2; ++i) {
        decodeCEscapes(fields[i]);
        SimpleUtils::unescapeLineBreaks(fields[i]);
    }
    command = std::move(fields[0]);
    answer = std::move(fields[1]);
    if (fields.size() > 2 && !fields[2].empty()) {
        answerWaitMs = SimpleUtils::leadingInt(fields[2]).value_or(kDefaultAnswerWaitMs);
    }
    if (fields.size() > 3 && !fields[3].empty()) {
        delayBeforeMs = SimpleUtils::leadingInt(fields[3]).value_or(kDefaultDelayMs);
    }
}

AtCmdParamMt::AtCmdParamMt(std::string commandBytes, std::string answerBytes,
                           std::int32_t answerWait, std::int32_t delayBefore)
    : command(std::move(commandBytes)),
      answer(std::move(answerBytes)),
      answerWaitMs(answerWait),
      delayBeforeMs(delayBefore) {}

bool AtCmdParamMt::isValid() const {
    return !command.empty() && !answer.empty() && answerWaitMs >= 0 && delayBeforeMs >= 0;
}

std::string AtCmdParamMt::toText() const {
    std::string commandText = command;
    std::string answerText = answer;
    SimpleUtils::escapeLineBreaks(commandText);
    SimpleUtils::escapeLineBreaks(answerText);
    // Reading drops a tab that ends the line; escaped, the answer's own reads back.
    if (answerText.ends_with('\t')) {
        answerText.replace(answerText.size() - 1, 1, "\\t");
    }
    std::string text = commandText + ' ' + answerText;
    if (text.size() > kMaxTextLength) {
        text.resize(kMaxTextLength);
    }
    return text;
}

void parseCommandLines(const Msg::Strings& lines, AtCmdParamMtList& out) {
    out.clear();
    for (const std::string& line : lines) {
        AtCmdParamMt record(line);
        if (record.isValid()) {
            out.push_back(std::move(record));
        }
    }
}
