#include "platform/seed_folder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <system_error>

namespace platform {
namespace {

namespace fs = std::filesystem;

constexpr const char* kManifestName = ".seeded";

using Manifest = std::map<std::string, std::uint64_t>;

// FNV-1a: stable across builds and machines, which std::hash does not promise.
std::uint64_t contentHash(const std::string& bytes) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const unsigned char c : bytes) {
        hash ^= c;
        hash *= 1099511628211ULL;
    }
    return hash;
}

std::string errorText(int errorNumber) {
    return std::generic_category().message(errorNumber);
}

// The whole file, or nothing with errno set.
std::optional<std::string> readFile(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string bytes;
    char buffer[8192];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int saved = errno;
            ::close(fd);
            errno = saved;
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return bytes;
}

// Writes through a temporary file renamed over the target, so an interrupted start never
// leaves a truncated copy that would later pass for the operator's edit. Returns 0 or the
// errno of the failure.
int writeFileReplacing(const fs::path& path, const std::string& bytes) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    if (ec) {
        return ec.value();
    }
    const fs::path temporary = path.parent_path() / ("." + path.filename().string() + ".seeding");
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return errno;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int saved = errno;
            ::close(fd);
            ::unlink(temporary.c_str());
            return saved;
        }
        done += static_cast<std::size_t>(put);
    }
    if (::close(fd) != 0 || ::rename(temporary.c_str(), path.c_str()) != 0) {
        const int saved = errno;
        ::unlink(temporary.c_str());
        return saved;
    }
    return 0;
}

Manifest readManifest(const fs::path& userFolder) {
    Manifest manifest;
    const std::optional<std::string> text = readFile(userFolder / kManifestName);
    if (!text) {
        return manifest;
    }
    std::size_t start = 0;
    while (start < text->size()) {
        std::size_t end = text->find('\n', start);
        if (end == std::string::npos) {
            end = text->size();
        }
        const std::string line = text->substr(start, end - start);
        start = end + 1;
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos || tab + 1 >= line.size()) {
            continue;
        }
        std::uint64_t hash = 0;
        const char* first = line.data();
        const char* last = line.data() + tab;
        if (const auto [stop, error] = std::from_chars(first, last, hash, 16);
            error == std::errc() && stop == last) {
            manifest[line.substr(tab + 1)] = hash;
        }
    }
    return manifest;
}

int writeManifest(const fs::path& userFolder, const Manifest& manifest) {
    std::string text;
    for (const auto& [name, hash] : manifest) {
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016" PRIx64, hash);
        text += hex;
        text += '\t';
        text += name;
        text += '\n';
    }
    return writeFileReplacing(userFolder / kManifestName, text);
}

class Seeder {
public:
    Seeder(const fs::path& installedFolder, const fs::path& userFolder)
        : m_from(installedFolder), m_to(userFolder), m_manifest(readManifest(userFolder)) {}

    SeedReport run() {
        for (const char* folder : kSeededFolders) {
            seedFolder(folder);
        }
        if (m_manifestChanged) {
            if (const int error = writeManifest(m_to, m_manifest); error != 0) {
                problem(m_to / kManifestName, "cannot write", error);
            }
        }
        return std::move(m_report);
    }

private:
    void seedFolder(const fs::path& folder) {
        const fs::path source = m_from / folder;
        std::error_code ec;
        if (!fs::is_directory(source, ec)) {
            return;  // a package without this folder has nothing to seed
        }
        fs::recursive_directory_iterator it(source, ec);
        if (ec) {
            problem(source, "cannot list", ec.value());
            return;
        }
        for (const fs::recursive_directory_iterator end; it != end; it.increment(ec)) {
            const fs::file_status status = it->status(ec);
            if (status.type() == fs::file_type::directory) {
                continue;  // created when a file inside it is copied
            }
            // A dangling link is a file the package meant to ship; devices, pipes and sockets
            // are nobody's command list (opening a pipe would block the start).
            if (status.type() != fs::file_type::regular &&
                status.type() != fs::file_type::not_found) {
                continue;
            }
            seedFile(it->path(), folder / it->path().lexically_relative(source));
        }
        if (ec) {
            problem(source, "cannot list", ec.value());
        }
    }

    void seedFile(const fs::path& source, const fs::path& relative) {
        const std::string name = relative.generic_string();
        if (name.find('\n') != std::string::npos) {
            return;  // the manifest could not name it
        }
        const std::optional<std::string> bytes = readFile(source);
        if (!bytes) {
            problem(source, "cannot read", errno);
            return;
        }
        const std::uint64_t hash = contentHash(*bytes);
        const fs::path target = m_to / relative;
        const auto known = m_manifest.find(name);

        std::error_code ec;
        const bool exists = fs::symlink_status(target, ec).type() != fs::file_type::not_found;
        if (!exists) {
            if (known != m_manifest.end()) {
                return;  // seeded once and removed by the operator
            }
            if (copy(*bytes, hash, target, name)) {
                m_report.copied.push_back(relative);
            }
            return;
        }
        if (known != m_manifest.end() && known->second == hash) {
            return;  // the package's file has not changed since it was seeded
        }
        const std::optional<std::string> present = readFile(target);
        if (!present) {
            return;  // whatever the operator put there stays
        }
        const std::uint64_t presentHash = contentHash(*present);
        if (presentHash == hash) {
            // Already the package's content: from now on a seeded copy of it.
            m_manifest[name] = hash;
            m_manifestChanged = true;
            return;
        }
        if (known != m_manifest.end() && presentHash == known->second &&
            copy(*bytes, hash, target, name)) {
            m_report.updated.push_back(relative);
        }
    }

    bool copy(const std::string& bytes, std::uint64_t hash, const fs::path& target,
              const std::string& name) {
        if (const int error = writeFileReplacing(target, bytes); error != 0) {
            problem(target, "cannot write", error);
            return false;
        }
        m_manifest[name] = hash;
        m_manifestChanged = true;
        return true;
    }

    void problem(const fs::path& path, const char* what, int errorNumber) {
        m_report.problems.push_back(std::string(what) + " " + path.string() + ": " +
                                    errorText(errorNumber));
    }

    fs::path m_from;
    fs::path m_to;
    Manifest m_manifest;
    bool m_manifestChanged = false;
    SeedReport m_report;
};

}  // namespace

SeedReport seedUserFolder(const fs::path& installedFolder, const fs::path& userFolder) {
    std::error_code ec;
    fs::create_directories(userFolder, ec);
    if (ec) {
        SeedReport report;
        report.problems.push_back("cannot create " + userFolder.string() + ": " + ec.message());
        return report;
    }
    if (fs::equivalent(installedFolder, userFolder, ec)) {
        return {};
    }
    return Seeder(installedFolder, userFolder).run();
}

}  // namespace platform
