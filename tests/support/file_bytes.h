#pragma once

// Whole files as raw bytes, for tests that check exactly what reached the disk, and command
// list files as the program's users write them (writeCommandList needs orvane_tester).

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "tester/command_list_files.h"

namespace testsupport {

inline std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

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
