#include "modem/disconnect_parser.h"

#include "modem/disconnect_reason.h"

DisconnectParser::DisconnectParser(std::string_view text) : ReportParser{text} {
    for (const DisconnectReason::Word& word : DisconnectReason::words) {
        add_pattern(word.text);
    }
}

int DisconnectParser::reason() const {
    return DisconnectReason::of(found_pattern());
}
