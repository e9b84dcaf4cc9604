#include "modem/sms_report_parser.h"

#include <algorithm>
#include <cstdint>

#include "common/leading_int.h"
#include "modem/at_keywords.h"

namespace {

std::string_view trimmed(std::string_view text) {
    const std::size_t begin = text.find_first_not_of(' ');
    if (begin == std::string_view::npos) {
        return {};
    }
    return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

// From the last report line in answer: +CMTI: "SM",3 (some modems leave out the quotes).
std::optional<SmsReportParser::Location> locationIn(std::string_view answer,
                                                    std::string_view prefix) {
    const std::size_t at = answer.rfind(prefix);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view line = answer.substr(at + prefix.size());
    line = line.substr(0, line.find_first_of("\r\n"));
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view storage = trimmed(line.substr(0, comma));
    if (storage.size() >= 2 && storage.front() == '"' && storage.back() == '"') {
        storage = storage.substr(1, storage.size() - 2);
    }
    const std::string_view indexText = trimmed(line.substr(comma + 1));
    const std::optional<std::int32_t> index = SimpleUtils::leadingInt(indexText);
    const bool digitsOnly =
        !indexText.empty() && indexText.find_first_not_of("0123456789") == std::string_view::npos;
    if (storage.empty() || storage.find('"') != std::string_view::npos || !index || !digitsOnly) {
        return std::nullopt;
    }
    return SmsReportParser::Location{std::string(storage), *index};
}

}  // namespace

SmsReportParser::SmsReportParser() : m_prefixes{std::string{AtKeywords::cmti}} {}

void SmsReportParser::set(std::string_view answer, std::string_view reason) {
    m_answer = answer;
    m_reason = reason;
    m_location.reset();
    if (is_report()) {
        m_location = locationIn(answer, AtKeywords::cmti);
    }
}

bool SmsReportParser::is_report() const {
    return std::any_of(m_prefixes.begin(), m_prefixes.end(), [this](const std::string& prefix) {
        return m_reason.find(prefix) != std::string::npos;
    });
}
