#pragma once

// A test seam for end-to-end runs: passes every message on to the message table unchanged and
// appends a copy, as one UTF-8 line, to a file, so that a test driving the real window from
// outside can read what the table shows. orvane turns it on only when the environment
// variable ORVANE_MESSAGE_COPY names the file; without it nothing is copied.

#include <filesystem>
#include <fstream>
#include <string>

#include "common/info_viewer.h"

class MessageCopy final : public InfoViewerI {
public:
    static constexpr const char* kEnvironmentVariable = "ORVANE_MESSAGE_COPY";

    // target: the table the messages are meant for; file: appended to, created if missing.
    MessageCopy(InfoViewerI& target, const std::filesystem::path& file);

    // Called where the table is called: on the user-interface thread. A message that replaces
    // the last one is copied as a line of its own, marked with a leading "~ ".
    void show(const std::string& text, bool newLine) override;

private:
    InfoViewerI& m_target;
    std::ofstream m_file;
};
