#pragma once

// Remembers where a window was and how big it was, in the settings file of the application
// folder, and puts the window back there the next time it is created.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "common_storage/window_access.h"

class WindowPlacer {
public:
    // The placement of a window without a name lives in section "Расположение", that of a
    // named one in "Расположение "<name>"" (1251). With loadAtStart the stored placement is
    // applied at once. The window must outlive the placer: the destructor reads its
    // placement, so a window destroys its placer before it takes itself apart.
    WindowPlacer(WindowAccess& window, bool loadAtStart);
    WindowPlacer(WindowAccess& window, std::string_view name, bool loadAtStart);
    virtual ~WindowPlacer();
    WindowPlacer(const WindowPlacer&) = delete;
    WindowPlacer& operator=(const WindowPlacer&) = delete;

    // Reads the stored placement and applies it when its width and height are positive;
    // false when there is no settings file yet (the window keeps its designed placement).
    bool load();
    // Stores the window's current placement; false when the file could not be written.
    bool save();

    const std::filesystem::path& ini_path() const { return m_iniPath; }
    const std::string& section() const { return m_section; }

private:
    WindowPlacer(WindowAccess& window, std::string section, bool loadAtStart);
    void apply();

    std::filesystem::path m_iniPath;
    std::string m_section;
    WindowAccess* m_window;
    std::int32_t m_left = 0;
    std::int32_t m_top = 0;
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    bool m_loadAtStart;
};
