#pragma once

// Where progress messages go: the message table of the main window, the console of the
// headless runner, or nowhere.

#include <string>

class InfoViewerI {
public:
    // newLine true adds text as a new message; false replaces the text of the last message,
    // for progress that updates in place.
    virtual void show(const std::string& text, bool newLine) = 0;
    virtual ~InfoViewerI() = default;
};

// Drops every message; stands in until a real viewer is given.
class InfoViewerStub : public InfoViewerI {
public:
    void show(const std::string& /*text*/, bool /*newLine*/) override {}
};
