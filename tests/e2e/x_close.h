#pragma once

#include <string>

namespace e2e {

// Asks a top-level window to close the way a window manager does: a WM_DELETE_WINDOW client
// message. xdotool has no such command (its windowclose destroys the window). False when the
// display cannot be opened.
bool sendWindowClose(const std::string& display, unsigned long window);

}  // namespace e2e
