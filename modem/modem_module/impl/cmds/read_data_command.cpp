#include "modem/modem_module/impl/cmds/read_data_command.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "modem/at_keywords.h"

namespace {

// A whole "ERROR" line: the word alone may well occur inside the call's data.
constexpr std::string_view kErrorLine = "ERROR\r\n";
constexpr std::array<std::string_view, 2> kMarkers{AtKeywords::noCarrier, kErrorLine};

}  // namespace

void ReadDataCommand::on_data(const char* data, int length) {
    if (m_complete) {
        m_rest.append(data, static_cast<std::size_t>(std::max(length, 0)));
        return;
    }
    if (data != nullptr && length > 0) {
        m_data.insert(m_data.end(), data, data + length);
    }
    // The whole buffer is searched each time: a marker may arrive split across reads.
    auto first = m_data.end();
    std::size_t markerSize = 0;
    for (const std::string_view marker : kMarkers) {
        const auto found = std::search(m_data.begin(), m_data.end(), marker.begin(), marker.end());
        if (found < first) {
            first = found;
            markerSize = marker.size();
        }
    }
    if (first == m_data.end()) {
        return;
    }
    std::string_view after(&*first + markerSize,
                           static_cast<std::size_t>(m_data.end() - first) - markerSize);
    if (after.starts_with(AtKeywords::crlf)) {
        after.remove_prefix(AtKeywords::crlf.size());
    }
    m_rest.assign(after);
    m_data.erase(first, m_data.end());
    m_disconnected = true;
    m_complete = true;
}

std::string ReadDataCommand::hold_back_unfinished_marker() {
    if (m_disconnected) {
        return {};
    }
    const std::string_view data(m_data.data(), m_data.size());
    std::size_t held = 0;
    for (const std::string_view marker : kMarkers) {
        for (std::size_t n = std::min(marker.size() - 1, data.size()); n > held; --n) {
            if (data.ends_with(marker.substr(0, n))) {
                held = n;
                break;
            }
        }
    }
    std::string tail(data.substr(data.size() - held));
    m_data.resize(m_data.size() - held);
    return tail;
}
