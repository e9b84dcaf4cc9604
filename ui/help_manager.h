#pragma once

// Finds the two help pages (the general one and the one of the selected command list), owns
// the help window that shows them and tells the main window whether there is any help.
//
// Paths stay as the file system has them (UTF-8), so a folder of any name works. File names
// match without letter case, an exact match first, as command lists do, so pages copied from
// Windows as "X.HTM" are found.

#include <QPointer>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "common/msg_strings.h"
#include "ui/help_form.h"
#include "ui/view_frame.h"

// The log the help window appends to in the working folder.
inline constexpr const char* kHelpTraceFile = "debug.log";

class HelpManager {
public:
    // The window is made on the first showHelp, as a top-level child of parent.
    explicit HelpManager(QWidget* parent = nullptr);
    ~HelpManager();
    HelpManager(const HelpManager&) = delete;
    HelpManager& operator=(const HelpManager&) = delete;

    std::function<void(bool available)> onAvailabilityChanged;
    Msg::Strings htmlExtensions{".html", ".htm"};
    Msg::Strings textExtensions{".txt"};

    // A stored name (1251) relative to the application folder, "\" or "/" separated
    // ("help\common.html"); with an extension it names the page itself, without one the
    // first extension that exists wins.
    void setCommonFile(std::string_view name);
    // The selected command list's title (UTF-8, as its file name); its page lives in
    // "cfg_help". Reloads both pages when the window is visible.
    void setAdditionalFile(std::string_view name);

    const std::string& commonFile() const { return m_commonFile; }
    const std::string& additionalFile() const { return m_additionalFile; }

    // The pages' paths as they resolve now; blank when no page is found.
    std::filesystem::path commonPath() const;
    std::filesystem::path additionalPath() const;

    bool helpAvailable() const;
    void showHelp();
    void closeHelp();

    // Null until the first showHelp.
    THelpForm* window() const { return m_window.data(); }
    TViewFrame* commonFrame() const { return m_commonFrame.data(); }
    TViewFrame* additionalFrame() const { return m_additionalFrame.data(); }

private:
    void notifyAvailability();

    QWidget* m_parent;
    // Qt parents own the window (the main window) and the frames (their tabs); the guarded
    // pointers let either side go first.
    QPointer<THelpForm> m_window;
    QPointer<TViewFrame> m_commonFrame;
    QPointer<TViewFrame> m_additionalFrame;
    std::string m_commonFile;
    std::string m_additionalFile;
};

// Appends line and a line feed to file in the working folder, creating it; a file that cannot
// be opened is ignored.
void appendTraceLine(const char* file, std::string_view line);
