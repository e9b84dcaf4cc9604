#pragma once

#include <string>
#include <string_view>

#include "modem/report_parser.h"

// Collects the key tones the modem reports, one "+DTMF:" line per tone.
class DtmfParser : public ReportParser {
public:
    explicit DtmfParser(std::string_view text);

    // The tone characters in the order reported: from each line holding a report, the first
    // non-space character after it (a report with nothing after it adds nothing). Empty
    // before found() or when no report occurred.
    std::string digits() const;
};
