#include "modem/search_plan.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "common/leading_int.h"

namespace {

constexpr std::string_view kPortPrefix = "COM";

}  // namespace

BaudrateParams default_baud_list() {
    return {115200, 9600, 57600, 38400, 19200, 4800, 2400, 1200, 300};
}

AtCmdParamMtList default_search_command_params() {
    return {AtCmdParamMt("AT<CR> <CR><LF>OK<CR><LF>"), AtCmdParamMt("AT<CR> 0<CR>")};
}

void search_lines_from_params(const AtCmdParamMtList& params, Msg::Strings& out) {
    out.clear();
    for (const AtCmdParamMt& record : params) {
        out.push_back(record.toText());
    }
}

void port_numbers_from_names(const std::vector<std::string>& names, PortNumbers& ports) {
    for (const std::string& name : names) {
        if (!std::string_view(name).starts_with(kPortPrefix)) {
            continue;
        }
        const std::optional<std::int32_t> number =
            SimpleUtils::leadingInt(std::string_view(name).substr(kPortPrefix.size()));
        // A negative number would wrap to a port nobody has.
        if (number && *number >= 0) {
            ports.push_back(static_cast<unsigned>(*number));
        }
    }
}

void list_com_ports(PortNumbers& ports, const platform::SerialRoots& roots) {
    port_numbers_from_names(platform::listSerialPorts(roots), ports);
}

void order_ports(PortNumbers& ports, std::int32_t lastPort, bool onlyOnePort) {
    std::sort(ports.begin(), ports.end());
    if (lastPort == 0) {
        return;
    }
    const auto last = static_cast<unsigned>(lastPort);
    const auto found = std::find(ports.begin(), ports.end(), last);
    if (found != ports.end()) {
        ports.erase(found);
    }
    ports.insert(ports.begin(), last);
    if (onlyOnePort) {
        ports.resize(1);
    }
}

void move_baud_first(BaudrateParams& list, std::int32_t lastBaud) {
    if (lastBaud == 0) {
        return;
    }
    const auto found = std::find_if(list.begin(), list.end(), [lastBaud](const BaudrateParam& p) {
        return p.baudRate == lastBaud;
    });
    if (found != list.end()) {
        std::rotate(list.begin(), found, found + 1);
    }
}
