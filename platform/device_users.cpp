#include "platform/device_users.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string_view>

namespace platform {
namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

constexpr std::string_view kDevPrefix = "/dev/";

// The kernel keeps 15 bytes of a command name; a longer executable name is cut to that.
constexpr std::size_t kCommandNameLimit = 15;

int pidOf(const char* name) {
    int pid = 0;
    for (const char* c = name; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9' || pid > 10000000) {
            return 0;
        }
        pid = pid * 10 + (*c - '0');
    }
    return pid;
}

std::string procPath(int pid, const char* leaf) {
    return "/proc/" + std::to_string(pid) + "/" + leaf;
}

bool holdsDevice(int pid, dev_t device) {
    const DirHandle fds(::opendir(procPath(pid, "fd").c_str()));
    if (!fds) {
        return false;  // gone, or another user's process
    }
    const int dirFd = ::dirfd(fds.get());
    while (const dirent* entry = ::readdir(fds.get())) {
        char target[PATH_MAX];
        // Only descriptors of nodes under /dev are worth a look: sockets and pipes read as
        // "socket:[...]" and the like, and a stat of a file on a network file system could
        // wait as long as its server does.
        const ssize_t length = entry->d_name[0] == '.'
                                   ? -1
                                   : ::readlinkat(dirFd, entry->d_name, target, sizeof target);
        if (length < static_cast<ssize_t>(kDevPrefix.size()) ||
            std::string_view(target, kDevPrefix.size()) != kDevPrefix) {
            continue;
        }
        struct stat info {};
        if (::fstatat(dirFd, entry->d_name, &info, 0) == 0 && S_ISCHR(info.st_mode) &&
            info.st_rdev == device) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::vector<DeviceHolder> deviceHolders(const std::filesystem::path& device) {
    struct stat node {};
    if (::stat(device.c_str(), &node) != 0 || !S_ISCHR(node.st_mode)) {
        return {};
    }
    const int self = static_cast<int>(::getpid());
    std::vector<DeviceHolder> holders;
    const DirHandle proc(::opendir("/proc"));
    if (!proc) {
        return holders;
    }
    while (const dirent* entry = ::readdir(proc.get())) {
        const int pid = pidOf(entry->d_name);
        if (pid > 0 && pid != self && holdsDevice(pid, node.st_rdev)) {
            holders.push_back({pid, processName(pid)});
        }
    }
    std::sort(holders.begin(), holders.end(),
              [](const DeviceHolder& a, const DeviceHolder& b) { return a.pid < b.pid; });
    return holders;
}

std::optional<DeviceHolder> deviceLockOwner(const std::filesystem::path& device) {
    struct stat node {};
    if (::stat(device.c_str(), &node) != 0) {
        return std::nullopt;
    }
    // The node as /proc/locks names it: the file system's device and the inode.
    char wanted[64];
    std::snprintf(wanted, sizeof wanted, "%02x:%02x:%lu", ::major(node.st_dev),
                  ::minor(node.st_dev), static_cast<unsigned long>(node.st_ino));
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        // "1: FLOCK  ADVISORY  WRITE 4242 00:18:3 0 EOF"; waiters read "1: -> FLOCK ...".
        std::istringstream fields(line);
        std::string number, kind, mode, access, where;
        long pid = 0;
        if (!(fields >> number >> kind >> mode >> access >> pid >> where) || kind != "FLOCK" ||
            where != wanted) {
            continue;
        }
        if (pid <= 0) {
            return DeviceHolder{};  // held from a namespace this process cannot see into
        }
        DeviceHolder owner{static_cast<int>(pid), processName(static_cast<int>(pid))};
        if (owner.name.empty()) {
            owner.pid = 0;
        }
        return owner;
    }
    return std::nullopt;
}

std::string processName(int pid) {
    std::ifstream comm(procPath(pid, "comm"));
    std::string name;
    if (!std::getline(comm, name)) {
        return {};
    }
    if (name.size() == kCommandNameLimit) {
        // Possibly cut: the executable's own name tells the rest, when it may be read.
        std::error_code ec;
        std::string full = std::filesystem::read_symlink(procPath(pid, "exe"), ec).filename();
        constexpr std::string_view kDeleted = " (deleted)";
        if (full.ends_with(kDeleted)) {
            full.resize(full.size() - kDeleted.size());
        }
        if (!ec && full.starts_with(name)) {
            return full;
        }
    }
    return name;
}

std::string deviceGroupName(const std::filesystem::path& device) {
    struct stat node {};
    if (::stat(device.c_str(), &node) != 0) {
        return {};
    }
    group entry{};
    group* found = nullptr;
    std::string buffer(4096, '\0');
    if (::getgrgid_r(node.st_gid, &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr) {
        return found->gr_name;
    }
    return std::to_string(node.st_gid);
}

bool deviceGroupMayUse(const std::filesystem::path& device) {
    struct stat node {};
    constexpr mode_t kReadWrite = S_IRGRP | S_IWGRP;
    return ::stat(device.c_str(), &node) == 0 && (node.st_mode & kReadWrite) == kReadWrite;
}

}  // namespace platform
