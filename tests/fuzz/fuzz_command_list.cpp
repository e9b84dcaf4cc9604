// Command list lines and files: the line parser on every line of the input, and the loader on
// the whole input written to a list file.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

#include "modem/at_cmd_param_mt.h"
#include "platform/cp1251.h"
#include "platform/cp1251_case.h"
#include "tester/command_list_files.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/support/file_bytes.h"

namespace {

// The record's own promises, and that its text form reads back where nothing in it stands
// in the way: no raw line break (files and settings never hand one over), no backslash (the
// text form does not escape C escapes), no leading ";" and no cut.
void checkLine(std::string_view line) {
    const AtCmdParamMt record(line);
    if (line.size() < 2 || line.front() == ';') {
        FUZZ_CHECK(!record.isValid() && record.command.empty() && record.answer.empty());
    }
    if (record.isValid()) {
        FUZZ_CHECK(!record.command.empty() && !record.answer.empty());
        FUZZ_CHECK(record.answerWaitMs >= 0 && record.delayBeforeMs >= 0);
    }
    const std::string text = record.toText();
    FUZZ_CHECK(text.size() <= AtCmdParamMt::kMaxTextLength);
    const bool plain = line.find_first_of("\r\n") == std::string_view::npos &&
                       (record.command + record.answer).find('\\') == std::string::npos &&
                       !record.command.starts_with(';');
    if (record.isValid() && plain && text.size() < AtCmdParamMt::kMaxTextLength) {
        const AtCmdParamMt again(text);
        FUZZ_CHECK(again.isValid());
        FUZZ_CHECK(again.command == record.command);
        FUZZ_CHECK(again.answer == record.answer);
        FUZZ_CHECK(again.answerWaitMs == AtCmdParamMt::kDefaultAnswerWaitMs);
        FUZZ_CHECK(again.delayBeforeMs == AtCmdParamMt::kDefaultDelayMs);
    }
}

// The file's lines as the loader documents them: a UTF-8 byte order mark dropped, LF ends a
// line, CR is no part of any line.
Msg::Strings linesOf(std::string content) {
    if (content.starts_with("\xEF\xBB\xBF")) {
        content.erase(0, 3);
    }
    Msg::Strings lines;
    std::string line;
    for (std::size_t i = 0; i < content.size(); ++i) {
        if (content[i] == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (content[i] != '\r') {
            line.push_back(content[i]);
        }
    }
    if (!content.empty() && content.back() != '\n') {
        lines.push_back(line);
    }
    return lines;
}

void checkFile(const std::string& content) {
    const std::filesystem::path path = fuzz::scratchFolder() / "list.cmd_list";
    testsupport::writeBytes(path, content);
    const AtCmdParamMt sentinel("SENTINEL OK 5 6");
    AtCmdParamMtList loaded{sentinel};
    const bool any = loadCommandList(path, loaded);
    FUZZ_CHECK(!loaded.empty() && loaded.front() == sentinel);
    FUZZ_CHECK(any == (loaded.size() > 1));

    Msg::Strings lines = linesOf(content);
    const std::string utf8Header = platform::cp1251ToUtf8(commandListHeader());
    if (!lines.empty() && (lines.front().find(commandListHeader()) != std::string::npos ||
                           lines.front().find(utf8Header) != std::string::npos)) {
        lines.erase(lines.begin());
    }
    AtCmdParamMtList expected;
    parseCommandLines(lines, expected);
    FUZZ_CHECK(loaded.size() == expected.size() + 1);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        FUZZ_CHECK(loaded[i + 1] == expected[i]);
        FUZZ_CHECK(loaded[i + 1].isValid());
    }
}

// "*" any run of characters, "?" any one; both texts already folded.
bool wildcardMatch(std::string_view name, std::string_view mask) {
    if (mask.empty()) {
        return name.empty();
    }
    if (mask.front() == '*') {
        for (std::size_t skip = 0; skip <= name.size(); ++skip) {
            if (wildcardMatch(name.substr(skip), mask.substr(1))) {
                return true;
            }
        }
        return false;
    }
    return !name.empty() && (mask.front() == '?' || mask.front() == name.front()) &&
           wildcardMatch(name.substr(1), mask.substr(1));
}

// File names (UTF-8, as on disk) in the list folder the mask search looks at.
constexpr const char* kListFolderNames[] = {
    "Basic.cmd_list", "ПРОВЕРКА.CMD_LIST", "проверка2.cmd_list", "a*b?.txt",
    ".hidden",        "x.cmd_listx",       "Ёлка.cmd_list"};

// The list folder's search: the matching names, sorted without letter case, cut at maxCount.
void checkFindFiles(std::string_view mask, std::size_t maxCount) {
    static const std::filesystem::path folder = [] {
        const std::filesystem::path made = fuzz::scratchFolder() / "cfg";
        std::filesystem::create_directory(made);
        for (const char* name : kListFolderNames) {
            std::ofstream(made / name) << "AT OK\n";
        }
        std::filesystem::create_directory(made / "folder.cmd_list");
        return made;
    }();
    if (mask.size() > 24 || std::count(mask.begin(), mask.end(), '*') > 4) {
        return;  // the reference matcher is exponential in stars
    }
    // Names are found as they are on disk and matched and sorted by their 1251 forms.
    const auto folded = [](const std::string& utf8) {
        return platform::foldedCp1251(platform::utf8ToCp1251(utf8));
    };
    const std::string foldedMask = platform::foldedCp1251(mask);
    Msg::Strings expected;
    for (const char* name : kListFolderNames) {
        if (wildcardMatch(folded(name), foldedMask)) {
            expected.push_back(name);
        }
    }
    FilesList found{"kept"};
    const bool any = findFiles(folder, mask, found, maxCount + 1);
    FUZZ_CHECK(!found.empty() && found.front() == "kept");
    found.erase(found.begin());
    FUZZ_CHECK(any == !found.empty());
    // No two of the names fold alike, so the order is fixed.
    std::sort(expected.begin(), expected.end(),
              [&](const std::string& a, const std::string& b) { return folded(a) < folded(b); });
    expected.resize(std::min(expected.size(), maxCount));
    FUZZ_CHECK(found == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::quietTrace();
    const std::string content(reinterpret_cast<const char*>(data), size);
    for (std::size_t begin = 0, end = 0; begin <= content.size(); begin = end + 1) {
        end = std::min(content.find('\n', begin), content.size());
        checkLine(std::string_view(content).substr(begin, end - begin));
    }
    checkFile(content);
    // The first line doubles as a file mask, its length as the number of names wanted.
    const std::string_view firstLine = std::string_view(content).substr(0, content.find('\n'));
    checkFindFiles(firstLine, firstLine.size() % 8);
    return 0;
}
