#pragma once

// Seeding the per-user application folder of an installed orvane from the installed folder.
//
// The installed folder holds the sample command lists (cfg/), their help pages (cfg_help/)
// and the general help (help/). The operator edits, adds and removes lists in the per-user
// copy, so seeding never overwrites or restores the operator's work:
// - a file the user folder lacks and that was never seeded is copied (the first start, or a
//   file a newer package brought);
// - a seeded file the operator removed stays removed;
// - a seeded file the operator left untouched follows a newer package's version;
// - an edited seeded file, and any file of the operator's own, is kept as it is.
// What was seeded is remembered in <user folder>/.seeded: one line per file, the content's
// hash as copied, a tab and the file's name relative to the folder.

#include <filesystem>
#include <string>
#include <vector>

namespace platform {

struct SeedReport {
    std::vector<std::filesystem::path> copied;   // relative names, first copies
    std::vector<std::filesystem::path> updated;  // relative names, untouched copies renewed
    std::vector<std::string> problems;           // one line per file that could not be seeded
};

// The folders that are seeded, relative to both folders.
inline constexpr const char* kSeededFolders[] = {"cfg", "cfg_help", "help"};

// Seeds userFolder (created when missing) from installedFolder. Never throws for a file or
// folder it cannot read or write: each such file becomes a line of problems and the others
// are still seeded.
SeedReport seedUserFolder(const std::filesystem::path& installedFolder,
                          const std::filesystem::path& userFolder);

}  // namespace platform
