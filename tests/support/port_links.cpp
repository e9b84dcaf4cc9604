#include "tests/support/port_links.h"

#include <fstream>
#include <string>

namespace testsupport {

void makeLinksOnly(const std::filesystem::path& appFolder) {
    std::filesystem::create_directories(appFolder / "ports");
    std::ofstream(appFolder / "ports" / "links-only").flush();
}

void linkPort(const std::filesystem::path& appFolder, int number,
              const std::filesystem::path& target) {
    makeLinksOnly(appFolder);
    const std::filesystem::path link = appFolder / "ports" / ("com" + std::to_string(number));
    std::filesystem::remove(link);
    std::filesystem::create_symlink(target, link);
}

}  // namespace testsupport
