#include "common/text_utils.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "platform/cp1251.h"

namespace {

using namespace SimpleUtils;
using namespace std::string_literals;
using Msg::Strings;

Strings splitOf(std::string_view text, std::string_view separator, bool dropBlank,
                Strings list = {}) {
    split(text, separator, list, dropBlank);
    return list;
}

Strings nonBlankOf(std::string_view text, bool keepSeparator, Strings list = {}) {
    splitNonBlank(text, "\r\n", list, keepSeparator);
    return list;
}

std::string replaced(std::string text, std::string_view pattern, std::string_view replacement) {
    replaceAll(text, pattern, replacement);
    return text;
}

std::string flattened(std::string text, std::string_view separator) {
    flattenLineBreaks(text, separator);
    return text;
}

// The line-break names, written and read back, are the command list line's tests
// (tests/modem/at_cmd_param_mt_test).
TEST(SplitTest, PiecesBetweenSeparatorsKeepBlankOnesUnlessDropped) {
    EXPECT_EQ(splitOf("0,,23", ",", false), (Strings{"0", "", "23"}));
    EXPECT_EQ(splitOf("0,,23", ",", true), (Strings{"0", "23"}));
    EXPECT_EQ(splitOf(",a,", ",", false), (Strings{"", "a", ""}));
    EXPECT_EQ(splitOf("a\r\n\r\nb", "\r\n", false), (Strings{"a", "", "b"}));
    EXPECT_EQ(splitOf("no separator", ",", false), (Strings{"no separator"}));
    EXPECT_EQ(splitOf("", ",", false), (Strings{""}));
    EXPECT_TRUE(splitOf("", ",", true).empty());
    // Appends to the list, and dropping blanks cleans the whole list.
    const Strings appended = splitOf("x,y", ",", false, {"old", ""});
    EXPECT_EQ(appended, (Strings{"old", "", "x", "y"}));
    EXPECT_EQ(splitOf("z,", ",", true, appended), (Strings{"old", "x", "y", "z"}));
}

#ifdef NDEBUG
TEST(SplitTest, ZeroLengthSeparatorOrPatternIsHarmless) {
    EXPECT_EQ(splitOf("abc", "", false), (Strings{"abc"}));
    Strings pieces;
    splitNonBlank("abc", "", pieces, true);
    EXPECT_EQ(pieces, (Strings{"abc"}));
    EXPECT_EQ(replaced("abc", "", "x"), "abc");
}
#else
TEST(SplitDeathTest, ZeroLengthSeparatorOrPatternIsCaughtInDebugBuilds) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Strings pieces;
    EXPECT_DEATH(split("abc", "", pieces, false), "separator");
    EXPECT_DEATH(splitNonBlank("abc", "", pieces, false), "separator");
    EXPECT_DEATH(replaced("abc", "", "x"), "pattern");
}
#endif

TEST(SplitNonBlankTest, KeepsTheSeparatorOnEveryPieceItEndedOrSkipsEmptyPieces) {
    EXPECT_EQ(nonBlankOf("A\r\n\r\nB", true), (Strings{"A\r\n", "\r\n", "B"}));
    EXPECT_EQ(nonBlankOf("\r\nOK\r\n", true), (Strings{"\r\n", "OK\r\n"}));
    EXPECT_EQ(nonBlankOf("\r\n+CLCC: 1\r\n\r\nOK\r\n", false, {"kept"}),
              (Strings{"kept", "+CLCC: 1", "OK"}));
    EXPECT_TRUE(nonBlankOf("", false).empty());
    EXPECT_TRUE(nonBlankOf("\r\n\r\n", false).empty());
}

TEST(FlattenLineBreaksTest, LineBreaksBecomeSeparatorAndEndsAreTrimmed) {
    EXPECT_EQ(flattened("\r\nOK\r\n", " "), "OK");
    EXPECT_EQ(flattened("A\r\nB", " "), "A  B");
    EXPECT_EQ(flattened("  \r\n A \n", " "), "A");
    EXPECT_EQ(flattened("\r\n", " "), "");
    EXPECT_EQ(flattened("\r\nA\r\nB", ""), "AB");  // a zero-length separator just removes

    std::string text = "a;b|c";
    flattenLineBreaks(text, ",", Strings{";", "|"});
    EXPECT_EQ(text, "a,b,c");
    Strings list{"\r\nOK\r\n", "1\r2", ""};
    flattenLineBreaksAll(list, " ");
    EXPECT_EQ(list, (Strings{"OK", "1 2", ""}));
    flattenLineBreaksAll(list, "-", Strings{" "});
    EXPECT_EQ(list, (Strings{"OK", "1-2", ""}));
}

TEST(ReplaceAllTest, InsertedTextIsNeverScannedAgain) {
    EXPECT_EQ(replaced("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(replaced("abab", "ab", "b"), "bb");
    EXPECT_EQ(replaced("xaay", "a", ""), "xy");
    // Pattern and replacement may be views into the text being changed.
    std::string text = "ab";
    replaceAll(text, std::string_view(text).substr(1), text);
    EXPECT_EQ(text, "aab");
}

TEST(TextBetweenTest, TakesTextBetweenTheFirstOpenAndTheFirstCloseFromTheStart) {
    EXPECT_EQ(textBetween("+CMGR: 1 OK", "+CMGR:", "OK"), " 1 ");
    EXPECT_EQ(textBetween("[a][b]", "[", "]"), "a");
    EXPECT_EQ(textBetween("ab", "a", "b"), "");
    EXPECT_EQ(textBetween("no open OK", "+CMGR:", "OK"), "");
    EXPECT_EQ(textBetween("+CMGR: 1", "+CMGR:", "OK"), "");
    // The close is searched from the start of the text: a close before the open, or one that
    // overlaps its end, or the same character for both, never encloses anything.
    EXPECT_EQ(textBetween("OK +CMGR: 1 OK", "+CMGR:", "OK"), "");
    EXPECT_EQ(textBetween("abc", "ab", "bc"), "");
    EXPECT_EQ(textBetween("\"text\"", "\"", "\""), "");
    EXPECT_EQ(textBetween("|a|b|", "|", "|"), "");
}

// The capitals 1251 puts where ASCII letters plus 0x80 would be (ЖЯ) stay as they are.
TEST(ByteTextTest, ToLowerAsciiLeavesOtherBytesAlone) {
    using namespace platform::literals;
    std::string text{"AT+CSQ Привет ЁЖЯ zZ@[`{"_cp1251};
    toLowerAscii(text);
    EXPECT_EQ(text, std::string{"at+csq Привет ЁЖЯ zz@[`{"_cp1251});
}

TEST(ByteTextTest, AssignBytesCutsAtNulOnRequest) {
    const char data[] = {'O', 'K', '\0', 'x', '\xE0'};
    std::string text = "previous";
    assignBytes(text, data, sizeof data, false);
    EXPECT_EQ(text, std::string(data, sizeof data));
    assignBytes(text, data, sizeof data, true);
    EXPECT_EQ(text, "OK");
    assignBytes(text, data, 1, true);
    EXPECT_EQ(text, "O");
    assignBytes(text, nullptr, 0, true);
    EXPECT_EQ(text, "");
}

TEST(FileNameTest, NameAndTitleAfterTheLastSeparatorBackslashFirst) {
    EXPECT_EQ(fileNameOf("C:\\dir.x\\name"), "name");
    EXPECT_EQ(fileTitleOf("C:\\dir.x\\name"), "name");
    EXPECT_EQ(fileNameOf("a/b.c/d.e"), "d.e");
    EXPECT_EQ(fileTitleOf("a/b.c/d.e"), "d");
    EXPECT_EQ(fileTitleOf("list.ini"), "list");
    EXPECT_EQ(fileTitleOf("cfg/.ini"), "");
    EXPECT_EQ(fileTitleOf("a.b.c"), "a.b");
    EXPECT_EQ(fileNameOf("dir/"), "");
    EXPECT_EQ(fileNameOf("plain"), "plain");
    EXPECT_EQ(lastPathSeparator("a\\b/c"), 1u);
    EXPECT_EQ(lastPathSeparator("a/b/c"), 3u);
    EXPECT_EQ(lastPathSeparator("abc"), std::string::npos);
}

TEST(LocalTimeTextTest, ClockBetweenPrefixAndSuffixCopiedAsBytesAndCutTo511) {
    const std::regex plain(R"(\[([01]\d|2[0-3]):[0-5]\d:[0-6]\d\] )");
    const std::regex withMs(R"(([01]\d|2[0-3]):[0-5]\d:[0-6]\d\.\d{3})");
    EXPECT_TRUE(std::regex_match(localTimeText("[", "] ", false), plain));
    EXPECT_TRUE(std::regex_match(localTimeText("", "", true), withMs));

    const std::string prefix = "%s%n\0"s;
    const std::string text = localTimeText(prefix, "%d", false);
    ASSERT_EQ(text.size(), prefix.size() + 8 + 2);
    EXPECT_EQ(text.substr(0, prefix.size()), prefix);
    EXPECT_EQ(text.substr(text.size() - 2), "%d");

    EXPECT_EQ(localTimeText(std::string(600, 'p'), "", true), std::string(511, 'p'));
    const std::string cut = localTimeText(std::string(500, 'p'), std::string(20, 's'), false);
    ASSERT_EQ(cut.size(), 511u);
    EXPECT_EQ(cut.substr(508), "sss");
    EXPECT_EQ(localTimeText(std::string(490, 'p'), std::string(13, 's'), false).size(), 511u);
}

}  // namespace
