#pragma once

// Command list files as the program's users write them, for tests that run lists. Link
// orvane_tester.

#include <filesystem>
#include <string>
#include <vector>

#include "tester/command_list_files.h"
#include "tests/support/file_bytes.h"

namespace testsupport {

// Writes <appFolder>/cfg/<name>.cmd_list: the caption line, then one line per command, each
// ended by CR LF. Returns its path.
inline std::filesystem::path writeCommandList(const std::filesystem::path& appFolder,
                                              const std::string& name,
                                              const std::vector<std::string>& lines) {
    std::string text = std::string(commandListHeader()) + "\r\n";
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    const std::filesystem::path path = appFolder / "cfg" / (name + ".cmd_list");
    writeBytes(path, text);
    return path;
}

}  // namespace testsupport
