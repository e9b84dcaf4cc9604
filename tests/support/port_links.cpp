#include "tests/support/port_links.h"

#include <fstream>
#include <string>

namespace testsupport {

void linkPort(const std::filesystem::path& appFolder, int number,
              const std::filesystem::path& target) {
    const std::filesystem::path ports = appFolder / "ports";
    std::filesystem::create_directories(ports);
    std::ofstream(ports / "links-only").flush();
    const std::filesystem::path link = ports / ("com" + std::to_string(number));
    std::filesystem::remove(link);
    std::filesystem::create_symlink(target, link);
}

}  // namespace testsupport
