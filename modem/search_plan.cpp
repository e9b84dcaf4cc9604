#include "modem/search_plan.h"

#include <sys/stat.h>

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

std::vector<std::vector<std::size_t>> same_device_groups(const PortNumbers& ports,
                                                         const platform::SerialRoots& roots) {
    std::vector<std::vector<std::size_t>> groups;
    std::vector<std::optional<dev_t>> devices;  // of each group's first port
    for (std::size_t index = 0; index < ports.size(); ++index) {
        std::optional<dev_t> device;
        const std::filesystem::path path =
            platform::serialDevicePath(static_cast<int>(ports[index]), roots);
        struct stat info {};
        if (!path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode)) {
            device = info.st_rdev;
        }
        const auto same = std::find_if(devices.begin(), devices.end(), [&](const auto& other) {
            return device && other == device;
        });
        if (same != devices.end()) {
            groups[static_cast<std::size_t>(same - devices.begin())].push_back(index);
        } else {
            groups.push_back({index});
            devices.push_back(device);
        }
    }
    return groups;
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
