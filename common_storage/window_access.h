#pragma once

// What the placement and start-up helpers need of a window and of the desktop, kept free of
// any toolkit: the desktop tool implements these with its widgets, tests with plain fakes.
// All texts are code page 1251.

#include <cstdint>
#include <string>
#include <string_view>

// A rectangle in desktop pixels: left and top of the window, its width and height.
struct WindowRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;

    friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

class WindowAccess {
public:
    virtual ~WindowAccess() = default;

    // The window's current placement. Whatever geometry() returns, setGeometry() must take
    // back unchanged, so that a window reopens exactly where it was closed.
    virtual WindowRect geometry() const = 0;
    virtual void setGeometry(const WindowRect& rect) = 0;

    virtual std::string caption() const = 0;
    virtual void setCaption(std::string_view caption) = 0;

    // The whole virtual desktop over all monitors (not just the window's screen).
    virtual WindowRect desktopRect() const = 0;
};

// The main window also names the application.
class MainWindowAccess : public WindowAccess {
public:
    // The title the desktop shows for the application as a whole (task bar, dialogs).
    virtual void setApplicationTitle(std::string_view title) = 0;
};

// A modal warning without owner window, warning icon and one OK button. It may be shown
// before any window exists.
class WarningBox {
public:
    virtual ~WarningBox() = default;
    virtual void showWarning(std::string_view text, std::string_view caption) = 0;
};
