#pragma once

// The application folder: where settings, command lists and port links live.

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// The folder of /proc/self/exe when it is a portable folder (build/app, an unpacked copy)
// and writable, otherwise the per-user folder $XDG_DATA_HOME/orvane (~/.local/share/orvane),
// created and seeded from the executable's folder (see resolveApplicationFolder). Decided
// once per process. An override set with setApplicationFolder wins.
std::filesystem::path applicationFolder();

// The file the install step writes beside the installed executables. Its presence makes
// the folder an installed one, whose executables always use the per-user folder: root may
// write to /opt, and settings written there would be shared by every user and lost with
// the package.
inline constexpr const char* kInstalledMarker = "orvane.installed";

// The per-user folder: $XDG_DATA_HOME/orvane, or ~/.local/share/orvane (not created here).
std::filesystem::path userDataFolder();

// The decision of applicationFolder for an executable in exeFolder: exeFolder when it holds
// no install marker and is writable, otherwise userFolder, seeded from exeFolder. What could
// not be seeded is written to standard error, one line each, and the folder is still used.
std::filesystem::path resolveApplicationFolder(const std::filesystem::path& exeFolder,
                                               const std::filesystem::path& userFolder);

// Points the application folder elsewhere for the rest of the process (tests, tools that
// take --app-folder). An empty path returns to the default.
void setApplicationFolder(const std::filesystem::path& folder);

// A stored name (1251, "\" or "/" separated, such as "help\common.html") as a path inside
// folder.
std::filesystem::path joinStoredName(const std::filesystem::path& folder,
                                     std::string_view storedName);

// joinStoredName in the application folder.
std::filesystem::path applicationPath(std::string_view storedName);

}  // namespace platform
