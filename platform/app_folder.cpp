#include "platform/app_folder.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <system_error>

#include "platform/cp1251.h"
#include "platform/seed_folder.h"

namespace platform {
namespace {

// Guards the override; tests set it while engine threads may read it.
std::mutex& folderMutex() {
    static std::mutex mutex;
    return mutex;
}

std::filesystem::path& folderOverride() {
    static std::filesystem::path folder;
    return folder;
}

std::filesystem::path defaultFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        std::filesystem::path folder = userDataFolder();
        std::filesystem::create_directories(folder, ec);
        return folder;
    }
    return resolveApplicationFolder(exe.parent_path(), userDataFolder());
}

}  // namespace

std::filesystem::path userDataFolder() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    std::filesystem::path base;
    if (dataHome != nullptr && dataHome[0] == '/') {
        base = dataHome;
    } else {
        const char* home = std::getenv("HOME");
        base = std::filesystem::path(home != nullptr && home[0] != '\0' ? home : "/tmp") /
               ".local" / "share";
    }
    return base / "orvane";
}

std::filesystem::path resolveApplicationFolder(const std::filesystem::path& exeFolder,
                                               const std::filesystem::path& userFolder) {
    std::error_code ec;
    const bool installed = std::filesystem::exists(exeFolder / kInstalledMarker, ec);
    if (!installed && ::access(exeFolder.c_str(), W_OK) == 0) {
        return exeFolder;
    }
    const SeedReport report = seedUserFolder(exeFolder, userFolder);
    for (const std::string& problem : report.problems) {
        std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, problem.c_str());
    }
    return userFolder;
}

std::filesystem::path applicationFolder() {
    {
        std::lock_guard<std::mutex> lock(folderMutex());
        if (!folderOverride().empty()) {
            return folderOverride();
        }
    }
    static const std::filesystem::path folder = defaultFolder();
    return folder;
}

void setApplicationFolder(const std::filesystem::path& folder) {
    std::lock_guard<std::mutex> lock(folderMutex());
    folderOverride() = folder;
}

std::filesystem::path joinStoredName(const std::filesystem::path& folder,
                                     std::string_view storedName) {
    std::string name = cp1251ToUtf8(storedName);
    for (char& c : name) {
        if (c == '\\') {
            c = '/';
        }
    }
    while (!name.empty() && name.front() == '/') {
        name.erase(0, 1);
    }
    return folder / std::filesystem::path(name);
}

std::filesystem::path applicationPath(std::string_view storedName) {
    return joinStoredName(applicationFolder(), storedName);
}

}  // namespace platform
