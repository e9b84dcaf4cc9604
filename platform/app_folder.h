#pragma once

// The application folder: where settings, command lists and port links live.

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// The folder of /proc/self/exe when it is writable, otherwise $XDG_DATA_HOME/orvane
// (~/.local/share/orvane), created when missing. An override set with
// setApplicationFolder wins.
std::filesystem::path applicationFolder();

// Points the application folder elsewhere for the rest of the process (tests, tools that
// take --app-folder). An empty path returns to the default.
void setApplicationFolder(const std::filesystem::path& folder);

// The application folder as system text (code page 1251).
std::string applicationFolderText();

// A stored name (1251, "\" or "/" separated, such as "help\common.html") as a path inside
// folder.
std::filesystem::path joinStoredName(const std::filesystem::path& folder,
                                     std::string_view storedName);

// joinStoredName in the application folder.
std::filesystem::path applicationPath(std::string_view storedName);

}  // namespace platform
