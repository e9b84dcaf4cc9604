#include "common/text_utils.h"

#include <algorithm>
#include <cassert>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <utility>

namespace SimpleUtils {

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

// A time stamp never grows past this, however long its prefix and suffix; longer ones are cut.
constexpr std::size_t kMaxTimeTextLength = 511;

}  // namespace

// --- splitting -------------------------------------------------------------------------

void split(std::string_view text, std::string_view separator, Msg::Strings& list, bool dropBlank) {
    assert(!separator.empty() && "split needs a separator");
    if (separator.empty()) {
        // Searching for nothing would match at every position forever; the whole text is
        // the only sensible piece.
        list.emplace_back(text);
    } else {
        std::size_t start = 0;
        for (;;) {
            const std::size_t found = text.find(separator, start);
            if (found == std::string_view::npos) {
                list.emplace_back(text.substr(start));
                break;
            }
            list.emplace_back(text.substr(start, found - start));
            start = found + separator.size();
        }
    }
    if (dropBlank) {
        removeBlank(list);
    }
}

void splitNonBlank(std::string_view text, std::string_view separator, Msg::Strings& list,
                   bool keepSeparator) {
    assert(!separator.empty() && "splitNonBlank needs a separator");
    if (separator.empty()) {
        if (!text.empty()) {
            list.emplace_back(text);
        }
        return;
    }
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t found = text.find(separator, start);
        if (found == std::string_view::npos) {
            list.emplace_back(text.substr(start));
            return;
        }
        const std::size_t end = keepSeparator ? found + separator.size() : found;
        if (end > start) {
            list.emplace_back(text.substr(start, end - start));
        }
        start = found + separator.size();
    }
}

void removeBlank(Msg::Strings& list) {
    std::erase_if(list, [](const std::string& s) { return s.empty(); });
}

// --- trimming and cleaning -------------------------------------------------------------

void trimLeftChar(std::string& text, char c) {
    const std::size_t first = text.find_first_not_of(c);
    text.erase(0, first == std::string::npos ? text.size() : first);
}

void trimRightChar(std::string& text, char c) {
    const std::size_t last = text.find_last_not_of(c);
    text.erase(last == std::string::npos ? 0 : last + 1);
}

void trimLeftChars(std::string& text, std::string_view set) {
    const std::size_t first = text.find_first_not_of(set);
    text.erase(0, first == std::string::npos ? text.size() : first);
}

void flattenLineBreaks(std::string& text, std::string_view separator) {
    static const Msg::Strings lineBreaks{std::string(1, kCr), std::string(1, kLf)};
    flattenLineBreaks(text, separator, lineBreaks);
}

void flattenLineBreaks(std::string& text, std::string_view separator,
                       const Msg::Strings& patterns) {
    for (const std::string& pattern : patterns) {
        replaceAll(text, pattern, separator);
    }
    if (!separator.empty()) {
        trimLeftChar(text, separator.front());
        trimRightChar(text, separator.front());
    }
}

void flattenLineBreaksAll(Msg::Strings& list, std::string_view separator) {
    for (std::string& text : list) {
        flattenLineBreaks(text, separator);
    }
}

void flattenLineBreaksAll(Msg::Strings& list, std::string_view separator,
                          const Msg::Strings& patterns) {
    for (std::string& text : list) {
        flattenLineBreaks(text, separator, patterns);
    }
}

void replaceAll(std::string& text, std::string_view pattern, std::string_view replacement) {
    assert(!pattern.empty() && "replaceAll needs a pattern");
    if (pattern.empty()) {
        return;  // an empty pattern matches everywhere: the loop below would never end
    }
    std::size_t found = text.find(pattern);
    if (found == std::string::npos) {
        return;
    }
    // Built aside: one pass whatever the number of matches, and a pattern or replacement that
    // views the text itself stays valid until the end.
    std::string result;
    std::size_t from = 0;
    do {
        result.append(text, from, found - from).append(replacement);
        from = found + pattern.size();
        found = text.find(pattern, from);
    } while (found != std::string::npos);
    result.append(text, from);
    text = std::move(result);
}

void removeChar(std::string& text, char c) {
    std::erase(text, c);
}

void collapseRepeats(std::string& text, char c) {
    const auto last =
        std::unique(text.begin(), text.end(), [c](char a, char b) { return a == c && b == c; });
    text.erase(last, text.end());
}

std::string textBetween(std::string_view text, std::string_view open, std::string_view close) {
    const std::size_t openAt = text.find(open);
    if (openAt == std::string_view::npos) {
        return {};
    }
    const std::size_t from = openAt + open.size();
    // The close marker counts from the start of the text: a first close that lies inside or
    // before the open marker means there is no text between them.
    const std::size_t closeAt = text.find(close);
    if (closeAt == std::string_view::npos || closeAt < from) {
        return {};
    }
    return std::string(text.substr(from, closeAt - from));
}

void toLowerAscii(std::string& text) {
    // std::tolower would follow the locale and could touch 1251 letters.
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
}

void assignBytes(std::string& text, const char* data, std::size_t length, bool cutAtNul) {
    if (data == nullptr || length == 0) {
        text.clear();
        return;
    }
    text.assign(data, length);
    if (cutAtNul) {
        const std::size_t nul = text.find('\0');
        if (nul != std::string::npos) {
            text.erase(nul);
        }
    }
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.starts_with(prefix);
}

bool endsWith(std::string_view text, std::string_view suffix) {
    return text.ends_with(suffix);
}

// --- line-break names ------------------------------------------------------------------

void escapeLineBreaks(std::string& text) {
    replaceAll(text, "\r", "<CR>");
    replaceAll(text, "\n", "<LF>");
}

void unescapeLineBreaks(std::string& text) {
    replaceAll(text, "<CR>", "\r");
    replaceAll(text, "<cr>", "\r");
    replaceAll(text, "<LF>", "\n");
    replaceAll(text, "<lf>", "\n");
}

// --- file names ------------------------------------------------------------------------

std::size_t lastPathSeparator(std::string_view path) {
    const std::size_t backslash = path.rfind('\\');
    return backslash != std::string_view::npos ? backslash : path.rfind('/');
}

std::string fileNameOf(std::string_view path) {
    const std::size_t sep = lastPathSeparator(path);
    return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

std::string fileTitleOf(std::string_view path) {
    std::string name = fileNameOf(path);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) {
        name.erase(dot);
    }
    return name;
}

// --- time stamps -----------------------------------------------------------------------

std::string localTimeText(std::string_view prefix, std::string_view suffix, bool withMilliseconds) {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    localtime_r(&seconds, &local);

    // Only the clock part goes through printf: prefix and suffix are byte strings that may
    // hold anything, a NUL or a '%' included.
    char clock[32];
    if (withMilliseconds) {
        std::snprintf(clock, sizeof clock, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                      local.tm_sec, static_cast<int>(millis));
    } else {
        std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", local.tm_hour, local.tm_min,
                      local.tm_sec);
    }

    std::string result;
    result.reserve(std::min(prefix.size() + sizeof clock + suffix.size(), kMaxTimeTextLength));
    result.append(prefix).append(clock).append(suffix);
    if (result.size() > kMaxTimeTextLength) {
        result.resize(kMaxTimeTextLength);
    }
    return result;
}

std::string fillPlaces(std::string_view pattern, std::initializer_list<std::string> values) {
    std::string out;
    auto value = values.begin();
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() &&
            (pattern[i + 1] == 'd' || pattern[i + 1] == 's') && value != values.end()) {
            out += *value++;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

}  // namespace SimpleUtils
