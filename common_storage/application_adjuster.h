#pragma once

// The main window's placer: besides the placement it remembers the main window's caption,
// which also becomes the application's title, and it fixes the number formatting
// conventions the whole process works with.

#include <string>

#include "common_storage/window_access.h"
#include "common_storage/window_placer.h"

class ApplicationAdjuster : public WindowPlacer {
public:
    // Made once the toolkit has set the process's locale from the environment, so that the
    // conventions fixed here stay.
    ApplicationAdjuster(MainWindowAccess& form, bool loadAtStart);
    // Stores the main window's caption, then (as every placer) its placement.
    ~ApplicationAdjuster() override;

    const std::string& caption() const { return m_caption; }

private:
    std::string m_captionSection;
    std::string m_caption;
    MainWindowAccess* m_form;
};
