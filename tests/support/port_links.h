#pragma once

#include <filesystem>
#include <fstream>
#include <string>

namespace testsupport {

// Makes <folder>/ports with the empty file `links-only`: only linked ports exist there, so no
// number can reach the machine's own serial devices.
inline void makeLinksOnly(const std::filesystem::path& appFolder) {
    std::filesystem::create_directories(appFolder / "ports");
    std::ofstream(appFolder / "ports" / "links-only").flush();
}

// Makes the links-only ports folder and links ports/comN to target.
inline void linkPort(const std::filesystem::path& appFolder, int number,
                     const std::filesystem::path& target) {
    makeLinksOnly(appFolder);
    const std::filesystem::path link = appFolder / "ports" / ("com" + std::to_string(number));
    std::filesystem::remove(link);
    std::filesystem::create_symlink(target, link);
}

}  // namespace testsupport
