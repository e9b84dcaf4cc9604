#include "sim/port_link.h"

#include <stdexcept>
#include <system_error>
#include <utility>

namespace sim {

namespace fs = std::filesystem;

fs::path portLinkPath(const fs::path& appFolder, int portNumber) {
    return appFolder / "ports" / ("com" + std::to_string(portNumber));
}

PortLink::PortLink(const fs::path& appFolder, int portNumber, const fs::path& device)
    : m_path(portLinkPath(appFolder, portNumber)), m_device(device) {
    fs::create_directories(m_path.parent_path());
    const fs::file_status status = fs::symlink_status(m_path);
    if (fs::is_symlink(status)) {
        fs::remove(m_path);
    } else if (fs::exists(status)) {
        throw std::runtime_error(m_path.string() + " exists and is not a link");
    }
    fs::create_symlink(m_device, m_path);
}

PortLink::~PortLink() {
    remove();
}

PortLink::PortLink(PortLink&& other) noexcept
    : m_path(std::exchange(other.m_path, {})), m_device(std::exchange(other.m_device, {})) {}

PortLink& PortLink::operator=(PortLink&& other) noexcept {
    if (this != &other) {
        remove();
        m_path = std::exchange(other.m_path, {});
        m_device = std::exchange(other.m_device, {});
    }
    return *this;
}

void PortLink::remove() {
    if (m_path.empty()) {
        return;
    }
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(m_path, ec)) &&
        fs::read_symlink(m_path, ec) == m_device) {
        fs::remove(m_path, ec);
    }
    m_path.clear();
    m_device.clear();
}

}  // namespace sim
