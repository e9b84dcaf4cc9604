#include "modem/modem_module/impl/cmds/read_data_command.h"

#include <algorithm>
#include <string_view>

#include "modem/at_keywords.h"

namespace {

// A whole "ERROR" line: the word alone may well occur inside the call's data.
constexpr std::string_view kErrorLine = "ERROR\r\n";

}  // namespace

void ReadDataCommand::on_data(const char* data, int length) {
    if (data != nullptr && length > 0) {
        m_data.insert(m_data.end(), data, data + length);
    }
    // The whole buffer is searched each time: a marker may arrive split across reads.
    for (const std::string_view marker : {AtKeywords::noCarrier, kErrorLine}) {
        const auto found = std::search(m_data.begin(), m_data.end(), marker.begin(), marker.end());
        if (found != m_data.end()) {
            m_data.erase(found, m_data.end());
            m_disconnected = true;
            m_complete = true;
        }
    }
}
