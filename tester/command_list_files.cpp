#include "tester/command_list_files.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>

#include "common/text_utils.h"
#include "platform/app_folder.h"
#include "platform/cp1251.h"
#include "platform/cp1251_case.h"

using namespace platform::literals;
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// Every line of the file without its CR and LF characters, empty lines included. False when
// the file cannot be read; a zero-length file gives no lines.
bool readLines(const fs::path& path, Msg::Strings& lines) {
    std::error_code error;
    // Only a plain file: opening a FIFO named like a list would block the caller for good.
    if (!fs::is_regular_file(path, error)) {
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        return false;
    }
    // Editors that save UTF-8 may put a byte order mark first; it belongs to no line and
    // must never reach a modem as part of the first command.
    if (SimpleUtils::startsWith(content, kUtf8ByteOrderMark)) {
        content.erase(0, kUtf8ByteOrderMark.size());
    }
    std::size_t begin = 0;
    while (begin < content.size()) {
        std::size_t end = content.find('\n', begin);
        if (end == std::string::npos) {
            end = content.size();
        }
        std::string line = content.substr(begin, end - begin);
        SimpleUtils::removeChar(line, '\r');
        lines.push_back(std::move(line));
        begin = end + 1;
    }
    return true;
}

// The header as a list editor writes it in 1251, and as a Linux editor saves it in UTF-8.
bool isHeaderLine(std::string_view line) {
    static const std::string utf8Header = platform::cp1251ToUtf8(commandListHeader());
    return line.find(commandListHeader()) != std::string_view::npos ||
           line.find(utf8Header) != std::string_view::npos;
}

// Names (UTF-8) in the order of their 1251 forms without letter case.
bool lessIgnoringCase(const std::string& a, const std::string& b) {
    const std::string foldedA = platform::foldedCp1251(platform::utf8ToCp1251(a));
    const std::string foldedB = platform::foldedCp1251(platform::utf8ToCp1251(b));
    const auto byteLess = [](char x, char y) {
        return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    };
    if (foldedA != foldedB) {
        return std::lexicographical_compare(foldedA.begin(), foldedA.end(), foldedB.begin(),
                                            foldedB.end(), byteLess);
    }
    // Names that differ only in letter case still come in one fixed order.
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), byteLess);
}

// "*" matches any run of characters, "?" any one character; both texts already folded.
bool matchesMask(std::string_view name, std::string_view mask) {
    std::size_t n = 0;
    std::size_t m = 0;
    std::size_t starMask = std::string_view::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        // A star is a wildcard even facing a '*' in the name (legal on Linux): taken as a
        // literal there, it would be used up and the rest of the name left unmatched.
        if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (m < mask.size() && (mask[m] == '?' || mask[m] == name[n])) {
            ++n;
            ++m;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') {
        ++m;
    }
    return m == mask.size();
}

// The names of the regular files in folder, in the order the file system gives them.
Msg::Strings regularFileNames(const fs::path& folder) {
    Msg::Strings names;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    if (error) {
        return names;
    }
    for (const fs::directory_iterator end; it != end; it.increment(error)) {
        if (error) {
            break;
        }
        std::error_code typeError;
        if (it->is_regular_file(typeError)) {
            names.push_back(it->path().filename().string());
        }
    }
    return names;
}

bool findFilesIn(const fs::path& folder, std::string_view mask, FilesList& out,
                 std::size_t maxCount) {
    if (out.size() >= maxCount) {
        return false;
    }
    const std::string foldedMask = platform::foldedCp1251(mask);
    Msg::Strings found;
    for (std::string& name : regularFileNames(folder)) {
        if (matchesMask(platform::foldedCp1251(platform::utf8ToCp1251(name)), foldedMask)) {
            found.push_back(std::move(name));
        }
    }
    // Linux folders list in hash order; name order makes "the first list" the same on
    // every machine, as it is on Windows.
    std::sort(found.begin(), found.end(), lessIgnoringCase);
    const std::size_t room = maxCount - out.size();
    if (found.size() > room) {
        found.resize(room);
    }
    out.insert(out.end(), found.begin(), found.end());
    return !found.empty();
}

fs::path commandListFolder() {
    return platform::applicationFolder() / kCommandListFolder;
}

}  // namespace

std::string_view commandListHeader() {
    return "[Текст команды] [Ответ на команду] [Ожидание ответа,мс] [Задержка перед командой,мс]"_cp1251;
}

bool loadCommandList(const fs::path& path, AtCmdParamMtList& out) {
    Msg::Strings lines;
    if (!readLines(path, lines) || lines.empty()) {
        return false;
    }
    auto first = lines.begin();
    if (isHeaderLine(*first)) {
        ++first;
    }
    const std::size_t before = out.size();
    for (auto line = first; line != lines.end(); ++line) {
        AtCmdParamMt record(*line);
        if (record.isValid()) {
            out.push_back(std::move(record));
        }
    }
    return out.size() > before;
}

bool findFiles(const fs::path& folder, std::string_view mask, FilesList& out,
               std::size_t maxCount) {
    return findFilesIn(folder, mask, out, maxCount);
}

void listCommandFiles(FilesList& out) {
    out.clear();
    findFilesIn(commandListFolder(), kCommandListMask, out, kMaxCommandListFiles);
}

fs::path commandListPath(std::string_view name) {
    std::string fileName(name);
    const std::size_t extensionSize = kCommandListExtension.size();
    const bool hasExtension =
        fileName.size() >= extensionSize &&
        platform::equalsNoCaseCp1251(
            std::string_view(fileName).substr(fileName.size() - extensionSize),
            kCommandListExtension);
    if (!hasExtension) {
        fileName += kCommandListExtension;
    }
    const fs::path folder = commandListFolder();
    fs::path path = folder / fileName;
    std::error_code error;
    if (!fs::exists(path, error)) {
        Msg::Strings candidates;
        for (std::string& found : regularFileNames(folder)) {
            if (platform::equalsNoCaseFileName(found, fileName)) {
                candidates.push_back(std::move(found));
            }
        }
        if (!candidates.empty()) {
            std::sort(candidates.begin(), candidates.end(), lessIgnoringCase);
            path = folder / candidates.front();
        }
    }
    return path;
}
