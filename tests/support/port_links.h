#pragma once

#include <filesystem>

namespace testsupport {

// Makes <folder>/ports with the empty file `links-only`: only linked ports exist there, so no
// number can reach the machine's own serial devices.
void makeLinksOnly(const std::filesystem::path& appFolder);

// Makes <folder>/ports with `links-only` (so no number can reach the machine's own serial
// devices) and links ports/comN to target.
void linkPort(const std::filesystem::path& appFolder, int number,
              const std::filesystem::path& target);

}  // namespace testsupport
