#pragma once

// How the desktop tool meets the display system, before and right after Qt starts.

#include <string>

namespace ui {

// The Qt platform to ask for: "xcb" when none is asked for yet (qtPlatform null or empty) and
// the X display named by display accepts a connection; empty otherwise, leaving Qt's own
// choice. A Wayland client cannot place its windows, so stored placements would not apply
// there; through XWayland they do. A stale DISPLAY changes nothing.
std::string preferredQtPlatform(const char* qtPlatform, const char* display);

// Makes the character type UTF-8 where the locale's is not (LANG unset, LC_ALL=C). Xlib writes
// a window's old-style title (WM_NAME, which window lists and tools read) in it: in ASCII,
// "Тест модема" would reach them as Latin-1 garbage. Call it once the Qt application object
// has set the locale from the environment.
void useUtf8CharacterType();

}  // namespace ui
