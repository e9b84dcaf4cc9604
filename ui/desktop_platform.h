#pragma once

// How the desktop tool meets the display system, before and right after Qt starts.

#include <string>

struct xcb_connection_t;

namespace ui {

// Which Qt platform to ask for. A Wayland client cannot place its windows, so stored
// placements would not apply there; through XWayland they do.
class QtPlatformChoice {
public:
    // Asks the X display named by display (DISPLAY) whether it answers, unless a platform
    // is asked for already (qtPlatform, QT_QPA_PLATFORM, not null nor empty).
    QtPlatformChoice(const char* qtPlatform, const char* display);
    // Let it go once Qt holds its own connection: a display whose last client leaves starts
    // afresh (Xvfb does) and refuses connections meanwhile.
    ~QtPlatformChoice();
    QtPlatformChoice(const QtPlatformChoice&) = delete;
    QtPlatformChoice& operator=(const QtPlatformChoice&) = delete;

    // "xcb" when the display answered; empty for Qt's own choice (a stale DISPLAY included).
    const std::string& platform() const { return m_platform; }

private:
    xcb_connection_t* m_connection = nullptr;
    std::string m_platform;
};

// Makes the character type UTF-8 where the locale's is not (LANG unset, LC_ALL=C). Xlib writes
// a window's old-style title (WM_NAME, which window lists and tools read) in it: in ASCII,
// "Тест модема" would reach them as Latin-1 garbage. Call it once the Qt application object
// has set the locale from the environment.
void useUtf8CharacterType();

}  // namespace ui
