#include "common_storage/window_placer.h"

#include <system_error>
#include <utility>

#include "platform/app_folder.h"
#include "platform/cp1251.h"
#include "platform/ini_file.h"

using namespace platform::literals;

namespace {

constexpr std::string_view kIniName = "orvane.ini";

constexpr std::string_view kSection = "Расположение"_cp1251;
constexpr std::string_view kKeyLeft = "Левый угол окна"_cp1251;
constexpr std::string_view kKeyTop = "Верхний угол окна"_cp1251;
constexpr std::string_view kKeyWidth = "Ширина окна"_cp1251;
constexpr std::string_view kKeyHeight = "Высота окна"_cp1251;

std::string namedSection(std::string_view name) {
    std::string section(kSection);
    section += " \"";
    section += name;
    section += '"';
    return section;
}

}  // namespace

WindowPlacer::WindowPlacer(WindowAccess& window, bool loadAtStart)
    : WindowPlacer(window, std::string(kSection), loadAtStart) {}

WindowPlacer::WindowPlacer(WindowAccess& window, std::string_view name, bool loadAtStart)
    : WindowPlacer(window, namedSection(name), loadAtStart) {}

WindowPlacer::WindowPlacer(WindowAccess& window, std::string section, bool loadAtStart)
    : m_iniPath(platform::applicationPath(kIniName)),
      m_section(std::move(section)),
      m_window(&window),
      m_loadAtStart(loadAtStart) {
    if (m_loadAtStart) {
        load();
    }
}

WindowPlacer::~WindowPlacer() {
    try {
        save();
    } catch (...) {
        // A placement that cannot be stored costs the operator a window position, nothing
        // more: never let it end the program on its way out.
    }
}

bool WindowPlacer::load() {
    std::error_code error;
    if (m_iniPath.empty() || !std::filesystem::exists(m_iniPath, error)) {
        return false;
    }
    const platform::IniFile ini(m_iniPath);
    m_left = ini.readInt(m_section, kKeyLeft, 0);
    m_top = ini.readInt(m_section, kKeyTop, 0);
    m_width = ini.readInt(m_section, kKeyWidth, 0);
    m_height = ini.readInt(m_section, kKeyHeight, 0);
    if (m_width > 0 && m_height > 0) {
        apply();
    }
    return true;
}

void WindowPlacer::apply() {
    const WindowRect desktop = m_window->desktopRect();
    // 64 bits: a desktop at the far end of the coordinate range must not overflow the sums.
    const std::int64_t right = std::int64_t{desktop.left} + desktop.width;
    const std::int64_t bottom = std::int64_t{desktop.top} + desktop.height;
    // A window starting at the edge itself would be just as invisible as one beyond it.
    if (m_left >= right) {
        m_left = static_cast<std::int32_t>(right - m_width);
    }
    if (m_top >= bottom) {
        m_top = static_cast<std::int32_t>(bottom - m_height);
    }
    m_window->setGeometry({m_left, m_top, m_width, m_height});
}

bool WindowPlacer::save() {
    if (m_iniPath.empty()) {
        return false;
    }
    const WindowRect rect = m_window->geometry();
    m_left = rect.left;
    m_top = rect.top;
    m_width = rect.width;
    m_height = rect.height;
    platform::IniFile ini(m_iniPath);
    // Every key is tried even after a failure, so one bad write loses no more than it must.
    bool written = ini.writeInt(m_section, kKeyLeft, m_left);
    written = ini.writeInt(m_section, kKeyTop, m_top) && written;
    written = ini.writeInt(m_section, kKeyWidth, m_width) && written;
    written = ini.writeInt(m_section, kKeyHeight, m_height) && written;
    return written;
}
