#pragma once

#include <string_view>

#include "modem/report_parser.h"

// Finds the word with which the modem ended a call ("BUSY", "NO CARRIER", "NO DIALTONE",
// "NO ANSWER"; the first of these that occurs decides).
class DisconnectParser : public ReportParser {
public:
    explicit DisconnectParser(std::string_view text);

    // The DisconnectReason code of the word kept by found(); DisconnectReason::none before
    // found() or when no word occurred.
    int reason() const;
};
