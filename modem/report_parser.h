#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Looks for the first of several report words inside one received text. The text may hold
// anything the modem printed (several lines, partial lines, echoes); a plain byte search
// finds a word wherever it stands.
class ReportParser {
public:
    struct ReportResult {
        std::string pattern;
        std::uint8_t tag = 0;  // unused by this system: always 0
    };

    explicit ReportParser(std::string_view text);
    virtual ~ReportParser() = default;
    ReportParser(const ReportParser&) = default;
    ReportParser& operator=(const ReportParser&) = default;

    // Patterns are searched in the order added.
    void add_pattern(std::string_view text);

    // Searches the text for each pattern in turn and keeps the first that occurs: the order
    // of the patterns decides, not the position in the text. Descendants read the finding
    // afterwards, so call this first.
    bool found();

    // The pattern kept by the last found(); empty before it or when none occurred.
    const std::string& found_pattern() const { return m_found; }
    const std::string& text() const { return m_text; }

private:
    std::vector<ReportResult> m_patterns;
    std::string m_text;
    std::string m_found;
};
