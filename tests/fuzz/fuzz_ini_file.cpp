// INI files: arbitrary bytes as the file, then writes and reads whose names and values come
// from the input. A write is refused exactly when the interface says so, leaving the file as
// it was; an accepted write reads back as written and leaves every other key as it was.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cp1251.h"
#include "platform/cp1251_case.h"
#include "platform/ini_file.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/support/file_bytes.h"

namespace {

constexpr std::string_view kMissing = "\x01missing\x01";

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool hasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// The refusals writeString documents.
bool refused(std::string_view section, std::string_view key, std::string_view value) {
    section = trimmed(section);
    key = trimmed(key);
    return section.empty() || key.empty() || hasLineBreak(section) || hasLineBreak(key) ||
           hasLineBreak(value) || section.find(']') != std::string_view::npos ||
           key.find('=') != std::string_view::npos || key.front() == '[' || key.front() == ';';
}

bool sameName(std::string_view a, std::string_view b) {
    return platform::equalsNoCaseCp1251(trimmed(a), trimmed(b));
}

bool listed(const std::vector<std::string>& names, std::string_view name) {
    return std::any_of(names.begin(), names.end(),
                       [name](const std::string& known) { return sameName(known, name); });
}

// Each name once (without letter case).
void checkUnique(const std::vector<std::string>& names) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        for (std::size_t j = i + 1; j < names.size(); ++j) {
            FUZZ_CHECK(!platform::equalsNoCaseCp1251(names[i], names[j]));
        }
    }
}

std::vector<std::string> linesWithEnds(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t lf = text.find('\n', start);
        const std::size_t end = lf == std::string_view::npos ? text.size() : lf + 1;
        lines.emplace_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}

// Every line not written to stays byte for byte: between the common head and tail of the two
// files lie at most one old line (the key rewritten, or the last line given a line end) and a
// few new ones (a blank line, a section header, the key). A 1251 file that the write turned
// into UTF-8 is rewritten as a whole and not compared.
void checkUntouchedLines(const std::string& before, const std::string& after) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (!before.starts_with(kBom) && !platform::looksLikeUtf8(before) &&
        platform::looksLikeUtf8(after)) {
        return;
    }
    const std::vector<std::string> oldLines = linesWithEnds(before);
    const std::vector<std::string> newLines = linesWithEnds(after);
    const std::size_t shorter = std::min(oldLines.size(), newLines.size());
    std::size_t head = 0;
    while (head < shorter && oldLines[head] == newLines[head]) {
        ++head;
    }
    std::size_t tail = 0;
    while (tail < shorter - head &&
           oldLines[oldLines.size() - 1 - tail] == newLines[newLines.size() - 1 - tail]) {
        ++tail;
    }
    const std::size_t oldChanged = oldLines.size() - head - tail;
    const std::size_t newChanged = newLines.size() - head - tail;
    FUZZ_CHECK(oldChanged <= 1 && newChanged <= 4);
    if (oldChanged == 1) {
        const std::string& old = oldLines[head];
        const bool keyLine = old.find('=') != std::string::npos;
        const bool endAdded = old.back() != '\n' && newChanged > 0 &&
                              newLines[head].starts_with(old) &&
                              newLines[head].size() <= old.size() + 2;
        FUZZ_CHECK(keyLine || endAdded);
    }
}

struct Probe {
    std::string section;
    std::string key;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::quietTrace();
    FuzzedDataProvider input(data, size);
    const std::filesystem::path path = fuzz::scratchFolder() / "settings.ini";
    testsupport::writeBytes(path, input.ConsumeRandomLengthString(4096));
    platform::IniFile ini(path);
    checkUnique(ini.readSections());

    // A key written earlier, read again after every later write.
    std::vector<Probe> probes;
    while (input.remaining_bytes() > 0) {
        const int operation = input.ConsumeIntegralInRange(0, 3);
        const std::string section = input.ConsumeRandomLengthString(24);
        const std::string key = input.ConsumeRandomLengthString(24);
        if (operation == 3) {
            checkUnique(ini.readKeys(section));
            (void)ini.readString(section, key, kMissing);
            (void)ini.readInt(section, key, 7);
            continue;
        }
        std::string value;
        std::int32_t number = 0;
        bool flag = false;
        if (operation == 0) {
            value = input.ConsumeRandomLengthString(40);
        } else if (operation == 1) {
            number = input.ConsumeIntegral<std::int32_t>();
            value = std::to_string(number);
        } else {
            flag = input.ConsumeBool();
            value = flag ? "1" : "0";
        }

        std::vector<std::string> before;
        for (const Probe& probe : probes) {
            before.push_back(ini.readString(probe.section, probe.key, kMissing));
        }
        const std::string bytesBefore = testsupport::readBytes(path);
        const bool written = operation == 0   ? ini.writeString(section, key, value)
                             : operation == 1 ? ini.writeInt(section, key, number)
                                              : ini.writeBool(section, key, flag);
        if (refused(section, key, value)) {
            FUZZ_CHECK(!written);
            FUZZ_CHECK(testsupport::readBytes(path) == bytesBefore);
            continue;
        }
        FUZZ_CHECK(written);
        checkUntouchedLines(bytesBefore, testsupport::readBytes(path));
        FUZZ_CHECK(ini.readString(section, key, kMissing) == value);
        if (operation == 1) {
            FUZZ_CHECK(ini.readInt(section, key, number == 7 ? 8 : 7) == number);
        } else if (operation == 2) {
            FUZZ_CHECK(ini.readBool(section, key, !flag) == flag);
        }
        FUZZ_CHECK(listed(ini.readSections(), section));
        FUZZ_CHECK(listed(ini.readKeys(section), key));
        for (std::size_t i = 0; i < probes.size(); ++i) {
            if (!(sameName(probes[i].section, section) && sameName(probes[i].key, key))) {
                FUZZ_CHECK(ini.readString(probes[i].section, probes[i].key, kMissing) == before[i]);
            }
        }
        probes.push_back({section, key});
    }
    return 0;
}
