#include "platform/ini_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <system_error>
#include <utility>

#include "platform/cp1251.h"
#include "platform/cp1251_case.h"

namespace platform {
namespace {

constexpr std::string_view kBlanks = " \t\r";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kNewFileLineEnd = "\r\n";

// Read-modify-write of a file must not interleave between threads of this process, or one
// thread's key would be lost in the other's replacement.
std::mutex& fileMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

struct Line {
    std::string raw;  // the bytes as on disk, without the line end
    std::string end;  // "\r\n", "\n" or nothing for a last line without one
};

enum class LineKind { Other, Section, Key };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string name;   // section or key, 1251, trimmed
    std::string value;  // key lines: 1251, trimmed, outer quotes removed
};

enum class LoadResult { Read, Missing, Failed };

struct Document {
    std::vector<Line> lines;
    bool utf8 = false;
    bool bom = false;
    std::string lineEnd{kNewFileLineEnd};

    // The line's bytes without a byte order mark.
    std::string_view bytes(std::size_t index) const {
        std::string_view raw = lines[index].raw;
        if (index == 0 && bom) {
            raw.remove_prefix(kUtf8Bom.size());
        }
        return raw;
    }

    // The line as 1251 text, without a byte order mark.
    std::string text(std::size_t index) const {
        return utf8 ? utf8ToCp1251(bytes(index)) : std::string(bytes(index));
    }

    std::string encode(std::string_view text1251) const {
        return utf8 ? cp1251ToUtf8(text1251) : std::string(text1251);
    }

    std::string serialize() const {
        std::string out;
        for (const Line& line : lines) {
            out.append(line.raw).append(line.end);
        }
        return out;
    }
};

// The whole file; nothing when it does not exist, an error when it exists but cannot be read
// (a write must then leave it alone rather than replace it with a file of one key).
LoadResult readWholeFile(const std::filesystem::path& path, std::string& content) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT ? LoadResult::Missing : LoadResult::Failed;
    }
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    char buffer[8192];
    while (ok) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        content.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return ok ? LoadResult::Read : LoadResult::Failed;
}

LoadResult loadDocument(const std::filesystem::path& path, Document& doc) {
    std::string content;
    const LoadResult result = readWholeFile(path, content);
    if (result != LoadResult::Read) {
        return result;
    }
    doc.bom = content.starts_with(kUtf8Bom);
    doc.utf8 = doc.bom || looksLikeUtf8(content);
    bool lineEndSeen = false;
    std::size_t start = 0;
    while (start < content.size()) {
        const std::size_t lf = content.find('\n', start);
        Line line;
        if (lf == std::string::npos) {
            line.raw = content.substr(start);
            start = content.size();
        } else {
            const bool crlf = lf > start && content[lf - 1] == '\r';
            line.raw = content.substr(start, lf - start - (crlf ? 1 : 0));
            line.end = crlf ? "\r\n" : "\n";
            start = lf + 1;
            if (!lineEndSeen) {
                doc.lineEnd = line.end;
                lineEndSeen = true;
            }
        }
        doc.lines.push_back(std::move(line));
    }
    return LoadResult::Read;
}

ParsedLine parseLine(std::string_view text) {
    ParsedLine parsed;
    const std::string_view line = trimmed(text);
    if (line.empty() || line.front() == ';') {
        return parsed;
    }
    if (line.front() == '[') {
        const std::size_t close = line.find(']');
        parsed.kind = LineKind::Section;
        parsed.name = trimmed(line.substr(1, close == std::string_view::npos ? close : close - 1));
        return parsed;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return parsed;
    }
    parsed.name = trimmed(line.substr(0, equals));
    if (parsed.name.empty()) {
        return parsed;
    }
    parsed.kind = LineKind::Key;
    std::string_view value = trimmed(line.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    parsed.value = value;
    return parsed;
}

// Where a key is, or where it would go.
struct Location {
    std::optional<std::size_t> sectionLine;
    std::optional<std::size_t> keyLine;
    std::size_t lastLineOfSection = 0;  // the header or the last key line of the section
    std::optional<std::string> value;
};

// Only the first section of a name counts, as only the first key of a name does: a later
// duplicate is never read and never written.
Location locate(const Document& doc, std::string_view section, std::string_view key) {
    Location where;
    bool inSection = false;
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        ParsedLine parsed = parseLine(doc.text(i));
        if (parsed.kind == LineKind::Section) {
            inSection = !where.sectionLine && equalsNoCaseCp1251(parsed.name, section);
            if (inSection) {
                where.sectionLine = i;
                where.lastLineOfSection = i;
            }
        } else if (parsed.kind == LineKind::Key && inSection) {
            where.lastLineOfSection = i;
            if (!where.keyLine && equalsNoCaseCp1251(parsed.name, key)) {
                where.keyLine = i;
                where.value = std::move(parsed.value);
            }
        }
    }
    return where;
}

bool hasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// A value that reading would change (blanks at its ends, or outer quotes of its own) is
// written inside quotes, so what is written is what is read back.
std::string quotedIfNeeded(std::string_view value) {
    const bool blankEnds =
        !value.empty() && (kBlanks.find(value.front()) != std::string_view::npos ||
                           kBlanks.find(value.back()) != std::string_view::npos);
    const bool ownQuotes = value.size() >= 2 && value.front() == '"' && value.back() == '"';
    if (blankEnds || ownQuotes) {
        return '"' + std::string(value) + '"';
    }
    return std::string(value);
}

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Test seam for the crash between the complete temporary file and the rename:
// ORVANE_TEST_KILL_BEFORE_RENAME=N makes the N-th replace of this process kill it there with
// SIGKILL. Unset (always, outside the fault tests) it costs one getenv per save.
void killHereIfAsked() {
    static std::atomic<long> replaces{0};
    const char* wanted = std::getenv("ORVANE_TEST_KILL_BEFORE_RENAME");
    if (wanted != nullptr && std::strtol(wanted, nullptr, 10) == ++replaces) {
        ::raise(SIGKILL);
    }
}

// Writes a sibling file, flushes it to the disk and renames it over the target, so a crash
// leaves either the old file or the new one, never half of one.
bool replaceFile(const std::filesystem::path& path, std::string_view content) {
    std::error_code ec;
    std::filesystem::path target = path;
    if (std::filesystem::is_symlink(path, ec)) {
        target = std::filesystem::weakly_canonical(path, ec);
        if (ec) {
            return false;
        }
    }
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    std::filesystem::path temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = folder / ("." + target.filename().string() + ".tmp-" + std::to_string(::getpid()) +
                         "-" + std::to_string(counter++));
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            return false;
        }
    }
    if (fd < 0) {
        return false;
    }
    struct stat existing {};
    bool ok = true;
    if (::stat(target.c_str(), &existing) == 0) {
        ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
    }
    ok = ok && writeAll(fd, content) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok) {
        killHereIfAsked();
    }
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // The rename itself reaches the disk only with the folder.
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

std::optional<std::int32_t> parseDecimal(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
        if (value > std::int64_t{INT32_MAX} + 1) {
            return std::nullopt;
        }
    }
    value = negative ? -value : value;
    if (value > INT32_MAX || value < INT32_MIN) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace

IniFile::IniFile(std::filesystem::path path) : m_path(std::move(path)) {}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
    std::lock_guard<std::mutex> lock(fileMutex());
    Document doc;
    if (loadDocument(m_path, doc) != LoadResult::Read) {
        return std::string(defaultValue);
    }
    Location where = locate(doc, trimmed(section), trimmed(key));
    return where.value ? std::move(*where.value) : std::string(defaultValue);
}

std::int32_t IniFile::readInt(std::string_view section, std::string_view key,
                              std::int32_t defaultValue) const {
    const std::string text = readString(section, key, {});
    return parseDecimal(text).value_or(defaultValue);
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool defaultValue) const {
    return readInt(section, key, defaultValue ? 1 : 0) != 0;
}

std::vector<std::string> IniFile::readSections() const {
    std::lock_guard<std::mutex> lock(fileMutex());
    Document doc;
    std::vector<std::string> names;
    if (loadDocument(m_path, doc) != LoadResult::Read) {
        return names;
    }
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        ParsedLine parsed = parseLine(doc.text(i));
        if (parsed.kind != LineKind::Section) {
            continue;
        }
        bool known = false;
        for (const std::string& name : names) {
            known = known || equalsNoCaseCp1251(name, parsed.name);
        }
        if (!known) {
            names.push_back(std::move(parsed.name));
        }
    }
    return names;
}

std::vector<std::string> IniFile::readKeys(std::string_view section) const {
    std::lock_guard<std::mutex> lock(fileMutex());
    Document doc;
    std::vector<std::string> keys;
    if (loadDocument(m_path, doc) != LoadResult::Read) {
        return keys;
    }
    section = trimmed(section);
    bool inSection = false;
    bool sectionSeen = false;
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        ParsedLine parsed = parseLine(doc.text(i));
        if (parsed.kind == LineKind::Section) {
            inSection = !sectionSeen && equalsNoCaseCp1251(parsed.name, section);
            sectionSeen = sectionSeen || inSection;
        } else if (parsed.kind == LineKind::Key && inSection) {
            bool known = false;
            for (const std::string& name : keys) {
                known = known || equalsNoCaseCp1251(name, parsed.name);
            }
            if (!known) {
                keys.push_back(std::move(parsed.name));
            }
        }
    }
    return keys;
}

std::string IniFile::readUtf8String(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
    std::lock_guard<std::mutex> lock(fileMutex());
    Document doc;
    if (loadDocument(m_path, doc) != LoadResult::Read) {
        return std::string(defaultValue);
    }
    const Location where = locate(doc, trimmed(section), trimmed(key));
    if (!where.keyLine) {
        return std::string(defaultValue);
    }
    // Its 1251 text has lost what 1251 lacks: a UTF-8 file's value is read from the bytes.
    return doc.utf8 ? parseLine(doc.bytes(*where.keyLine)).value : cp1251ToUtf8(*where.value);
}

bool IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    return write(section, key, value, false);
}

bool IniFile::writeUtf8String(std::string_view section, std::string_view key,
                              std::string_view value) {
    return write(section, key, value, true);
}

bool IniFile::write(std::string_view section, std::string_view key, std::string_view value,
                    bool utf8Value) {
    section = trimmed(section);
    key = trimmed(key);
    if (section.empty() || key.empty() || hasLineBreak(section) || hasLineBreak(key) ||
        hasLineBreak(value) || section.find(']') != std::string_view::npos ||
        key.find('=') != std::string_view::npos || key.front() == '[' || key.front() == ';') {
        return false;
    }
    std::lock_guard<std::mutex> lock(fileMutex());
    Document doc;
    const LoadResult loaded = loadDocument(m_path, doc);
    if (loaded == LoadResult::Failed) {
        return false;  // replacing a file we could not read would lose everything in it
    }
    // The value as the file's bytes.
    std::string stored;
    if (!utf8Value) {
        stored = doc.encode(quotedIfNeeded(value));
    } else if (doc.utf8) {
        stored = quotedIfNeeded(value);
    } else if (fitsCp1251(value)) {
        stored = quotedIfNeeded(utf8ToCp1251(value));
    } else {
        return false;  // in 1251 it would read back as another text
    }
    const std::string before = doc.serialize();
    const Location where = locate(doc, section, key);
    if (where.keyLine) {
        // The key keeps its spelling and the blanks around its "=" as the file has them.
        Line& line = doc.lines[*where.keyLine];
        const std::size_t equals = line.raw.find('=');
        const std::size_t valueStart = line.raw.find_first_not_of(" \t", equals + 1);
        line.raw.erase(valueStart == std::string::npos ? line.raw.size() : valueStart);
        line.raw += stored;
    } else {
        const std::string keyLine = doc.encode(std::string(key) + '=') + stored;
        if (where.sectionLine) {
            Line& after = doc.lines[where.lastLineOfSection];
            if (after.end.empty()) {
                after.end = doc.lineEnd;
            }
            doc.lines.insert(
                doc.lines.begin() + static_cast<std::ptrdiff_t>(where.lastLineOfSection) + 1,
                Line{keyLine, doc.lineEnd});
        } else {
            if (!doc.lines.empty()) {
                Line& last = doc.lines.back();
                if (last.end.empty()) {
                    last.end = doc.lineEnd;
                }
                if (!trimmed(doc.text(doc.lines.size() - 1)).empty()) {
                    doc.lines.push_back(Line{{}, doc.lineEnd});
                }
            }
            doc.lines.push_back(Line{doc.encode('[' + std::string(section) + ']'), doc.lineEnd});
            doc.lines.push_back(Line{keyLine, doc.lineEnd});
        }
    }
    std::string after = doc.serialize();
    if (!doc.utf8 && looksLikeUtf8(after)) {
        // 1251 bytes that happen to form UTF-8 (the text "ВЁ" is C2 A8) would be read back as
        // UTF-8 and come out as other text. The whole file becomes UTF-8 then: every 1251 text,
        // the lines not written to included, reads back as it was.
        for (Line& line : doc.lines) {
            line.raw = cp1251ToUtf8(line.raw);
        }
        after = doc.serialize();
    }
    if (loaded == LoadResult::Read && after == before) {
        return true;
    }
    return replaceFile(m_path, after);
}

bool IniFile::writeInt(std::string_view section, std::string_view key, std::int32_t value) {
    return writeString(section, key, std::to_string(value));
}

bool IniFile::writeBool(std::string_view section, std::string_view key, bool value) {
    return writeString(section, key, value ? "1" : "0");
}

}  // namespace platform
