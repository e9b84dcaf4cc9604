#include "modem/report_parser.h"

ReportParser::ReportParser(std::string_view text) : m_text{text} {}

void ReportParser::add_pattern(std::string_view text) {
    m_patterns.push_back(ReportResult{std::string{text}, 0});
}

bool ReportParser::found() {
    for (const ReportResult& result : m_patterns) {
        if (m_text.find(result.pattern) != std::string::npos) {
            m_found = result.pattern;
            return true;
        }
    }
    return false;
}
