#include "modem/dtmf_parser.h"

#include "common/msg_strings.h"
#include "common/text_utils.h"
#include "modem/at_keywords.h"

namespace {

// Modems end lines with CR LF, but some end them with a lone CR or LF; each of those ends a
// line too, so that one line never carries two reports.
Msg::Strings linesOf(std::string text) {
    SimpleUtils::replaceAll(text, "\r\n", "\n");
    SimpleUtils::replaceAll(text, "\r", "\n");
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    Msg::Strings lines;
    SimpleUtils::split(text, "\n", lines, false);
    return lines;
}

}  // namespace

DtmfParser::DtmfParser(std::string_view text) : ReportParser{text} {
    add_pattern(AtKeywords::dtmf);
}

std::string DtmfParser::digits() const {
    std::string digits;
    if (found_pattern().empty()) {
        return digits;
    }
    for (std::string& line : linesOf(text())) {
        if (line.find(AtKeywords::dtmf) == std::string::npos) {
            continue;
        }
        // Modems differ in whether a space follows the colon.
        SimpleUtils::removeChar(line, ' ');
        const std::size_t at = line.find(AtKeywords::dtmf);
        const std::size_t tone = at + AtKeywords::dtmf.size();
        if (at != std::string::npos && tone < line.size()) {
            digits.push_back(line[tone]);
        }
    }
    return digits;
}
