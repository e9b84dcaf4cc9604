#include "modem/sms_report_parser.h"

#include <algorithm>

#include "modem/at_keywords.h"

SmsReportParser::SmsReportParser() : m_prefixes{std::string{AtKeywords::cmti}} {}

void SmsReportParser::set(std::string_view answer, std::string_view reason) {
    m_answer = answer;
    m_reason = reason;
}

bool SmsReportParser::is_report() const {
    return std::any_of(m_prefixes.begin(), m_prefixes.end(), [this](const std::string& prefix) {
        return m_reason.find(prefix) != std::string::npos;
    });
}
