#include "modem/unreclaimed_parser.h"

#include "modem/disconnect_parser.h"
#include "modem/dtmf_parser.h"
#include "tools/debug_print.h"

bool UnreclaimedParser::parse(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    const std::string copy{text};
    SimpleUtils::debug_print("UnreclaimedParser::parse. %s", copy.c_str());

    DisconnectParser disconnect{text};
    m_disconnect = disconnect.found();
    if (m_disconnect) {
        m_reason = disconnect.reason();
    }

    DtmfParser dtmf{text};
    m_dtmf = dtmf.found();
    if (m_dtmf) {
        m_digits = dtmf.digits();
    }
    return m_disconnect || m_dtmf;
}
