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
    for (const std::string& line : linesOf(text())) {
        const std::size_t at = line.find(AtKeywords::dtmf);
        if (at == std::string::npos) {
            continue;
        }
        // Modems differ in whether a space follows the colon. Only spaces after the report
        // are skipped: removing the line's spaces first could join a garbled "+D TMF:" into a
        // report standing before the real one.
        const std::size_t tone = line.find_first_not_of(' ', at + AtKeywords::dtmf.size());
        if (tone != std::string::npos) {
            digits.push_back(line[tone]);
        }
    }
    return digits;
}
