#include "common/text_utils.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <string>

#include "platform/cp1251.h"

namespace {

using namespace SimpleUtils;
using namespace std::string_literals;
using Msg::Strings;

TEST(SplitTest, PiecesBetweenSeparatorsKeepBlankOnesUnlessDropped) {
    Strings pieces;
    split("0,,23", ",", pieces, false);
    EXPECT_EQ(pieces, (Strings{"0", "", "23"}));

    pieces.clear();
    split("0,,23", ",", pieces, true);
    EXPECT_EQ(pieces, (Strings{"0", "23"}));

    pieces.clear();
    split(",a,", ",", pieces, false);
    EXPECT_EQ(pieces, (Strings{"", "a", ""}));

    pieces.clear();
    split("a\r\n\r\nb", "\r\n", pieces, false);
    EXPECT_EQ(pieces, (Strings{"a", "", "b"}));

    pieces.clear();
    split("no separator", ",", pieces, false);
    EXPECT_EQ(pieces, (Strings{"no separator"}));
}

TEST(SplitTest, ZeroLengthTextGivesOneBlankPieceOrNone) {
    Strings pieces;
    split("", ",", pieces, false);
    EXPECT_EQ(pieces, (Strings{""}));

    pieces.clear();
    split("", ",", pieces, true);
    EXPECT_TRUE(pieces.empty());
}

TEST(SplitTest, AppendsToTheListAndDropBlankCleansTheWholeList) {
    Strings pieces{"old", ""};
    split("x,y", ",", pieces, false);
    EXPECT_EQ(pieces, (Strings{"old", "", "x", "y"}));

    split("z,", ",", pieces, true);
    EXPECT_EQ(pieces, (Strings{"old", "x", "y", "z"}));
}

#ifdef NDEBUG
TEST(SplitTest, ZeroLengthSeparatorOrPatternIsHarmless) {
    Strings pieces;
    split("abc", "", pieces, false);
    EXPECT_EQ(pieces, (Strings{"abc"}));

    pieces.clear();
    splitNonBlank("abc", "", pieces, true);
    EXPECT_EQ(pieces, (Strings{"abc"}));

    std::string text = "abc";
    replaceAll(text, "", "x");
    EXPECT_EQ(text, "abc");
}
#else
TEST(SplitDeathTest, ZeroLengthSeparatorOrPatternIsCaughtInDebugBuilds) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Strings pieces;
    EXPECT_DEATH(split("abc", "", pieces, false), "separator");
    EXPECT_DEATH(splitNonBlank("abc", "", pieces, false), "separator");
    std::string text = "abc";
    EXPECT_DEATH(replaceAll(text, "", "x"), "pattern");
}
#endif

TEST(SplitNonBlankTest, KeepsSeparatorOnEveryPieceItEnded) {
    Strings pieces;
    splitNonBlank("A\r\n\r\nB", "\r\n", pieces, true);
    EXPECT_EQ(pieces, (Strings{"A\r\n", "\r\n", "B"}));

    pieces.clear();
    splitNonBlank("\r\nOK\r\n", "\r\n", pieces, true);
    EXPECT_EQ(pieces, (Strings{"\r\n", "OK\r\n"}));
}

TEST(SplitNonBlankTest, WithoutSeparatorsSkipsZeroLengthPieces) {
    Strings pieces{"kept"};
    splitNonBlank("\r\n+CLCC: 1\r\n\r\nOK\r\n", "\r\n", pieces, false);
    EXPECT_EQ(pieces, (Strings{"kept", "+CLCC: 1", "OK"}));

    pieces.clear();
    splitNonBlank("", "\r\n", pieces, false);
    splitNonBlank("\r\n\r\n", "\r\n", pieces, false);
    EXPECT_TRUE(pieces.empty());
}

TEST(TrimTest, RemovesRunsAtOneEnd) {
    std::string text = "xxaxbxx";
    trimLeftChar(text, 'x');
    EXPECT_EQ(text, "axbxx");
    trimRightChar(text, 'x');
    EXPECT_EQ(text, "axb");

    text = "xxx";
    trimLeftChar(text, 'x');
    EXPECT_EQ(text, "");
    text = "xxx";
    trimRightChar(text, 'x');
    EXPECT_EQ(text, "");

    text = "\r\n \r\nOK \r\n";
    trimLeftChars(text, "\r\n ");
    EXPECT_EQ(text, "OK \r\n");
    text = " \r\n\n";
    trimLeftChars(text, "\r\n ");
    EXPECT_EQ(text, "");
}

TEST(FlattenLineBreaksTest, LineBreaksBecomeSeparatorAndEndsAreTrimmed) {
    std::string text = "\r\nOK\r\n";
    flattenLineBreaks(text, " ");
    EXPECT_EQ(text, "OK");

    text = "A\r\nB";
    flattenLineBreaks(text, " ");
    EXPECT_EQ(text, "A  B");

    text = "  \r\n A \n";
    flattenLineBreaks(text, " ");
    EXPECT_EQ(text, "A");

    // A zero-length separator just removes the patterns.
    text = "\r\nA\r\nB";
    flattenLineBreaks(text, "");
    EXPECT_EQ(text, "AB");

    text = "a;b|c";
    flattenLineBreaks(text, ",", Strings{";", "|"});
    EXPECT_EQ(text, "a,b,c");

    Strings list{"\r\nOK\r\n", "1\r2", ""};
    flattenLineBreaksAll(list, " ");
    EXPECT_EQ(list, (Strings{"OK", "1 2", ""}));
    flattenLineBreaksAll(list, "-", Strings{" "});
    EXPECT_EQ(list, (Strings{"OK", "1-2", ""}));
}

TEST(ReplaceAllTest, InsertedTextIsNeverScannedAgain) {
    std::string text = "aaa";
    replaceAll(text, "a", "aa");
    EXPECT_EQ(text, "aaaaaa");

    text = "abab";
    replaceAll(text, "ab", "b");
    EXPECT_EQ(text, "bb");

    text = "xaay";
    replaceAll(text, "a", "");
    EXPECT_EQ(text, "xy");

    text = "none";
    replaceAll(text, "zz", "y");
    EXPECT_EQ(text, "none");

    // Pattern and replacement may be views into the text being changed.
    text = "ab";
    replaceAll(text, std::string_view(text).substr(1), text);
    EXPECT_EQ(text, "aab");
}

TEST(CleaningTest, RemoveCharAndCollapseRepeats) {
    std::string text = "a,,,b,,c";
    collapseRepeats(text, ',');
    EXPECT_EQ(text, "a,b,c");

    text = ",,a  b,,";
    collapseRepeats(text, ',');
    EXPECT_EQ(text, ",a  b,");

    text = "1,2,,3";
    removeChar(text, ',');
    EXPECT_EQ(text, "123");
}

TEST(TextBetweenTest, TakesTextBetweenFirstOpenAndFirstClose) {
    EXPECT_EQ(textBetween("+CMGR: 1 OK", "+CMGR:", "OK"), " 1 ");
    EXPECT_EQ(textBetween("[a][b]", "[", "]"), "a");
    EXPECT_EQ(textBetween("ab", "a", "b"), "");
    EXPECT_EQ(textBetween("no open OK", "+CMGR:", "OK"), "");
    EXPECT_EQ(textBetween("+CMGR: 1", "+CMGR:", "OK"), "");
}

TEST(TextBetweenTest, CloseIsSearchedFromTheStartOfTheText) {
    // The first close lies before the open: no text, even though another close follows.
    EXPECT_EQ(textBetween("OK +CMGR: 1 OK", "+CMGR:", "OK"), "");
    // Close overlapping the end of open.
    EXPECT_EQ(textBetween("abc", "ab", "bc"), "");
    // The same single character for both can never enclose anything.
    EXPECT_EQ(textBetween("\"text\"", "\"", "\""), "");
    EXPECT_EQ(textBetween("|a|b|", "|", "|"), "");
}

TEST(ByteTextTest, ToLowerAsciiLeavesOtherBytesAlone) {
    using namespace platform::literals;
    std::string text{"AT+CSQ Привет ЁЖЯ zZ@[`{"_cp1251};
    toLowerAscii(text);
    EXPECT_EQ(text, std::string{"at+csq Привет ЁЖЯ zz@[`{"_cp1251});

    std::string all;
    for (int b = 0x80; b <= 0xFF; ++b) {
        all.push_back(static_cast<char>(b));
    }
    const std::string high = all;
    toLowerAscii(all);
    EXPECT_EQ(all, high);
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

TEST(LineBreakNamesTest, EscapeAndUnescape) {
    std::string text = "AT\r\nOK\n\r";
    escapeLineBreaks(text);
    EXPECT_EQ(text, "AT<CR><LF>OK<LF><CR>");

    text = "a<CR>b<cr>c<LF>d<lf>e<Cr><cR><Lf><lF>";
    unescapeLineBreaks(text);
    EXPECT_EQ(text, "a\rb\rc\nd\ne<Cr><cR><Lf><lF>");
}

TEST(LineBreakNamesTest, RoundTripRestoresTextsWithoutTheirOwnNames) {
    // Texts built from the characters that could confuse the names, so that escaping next to
    // them would show any accidental extra match.
    const std::string alphabet = "<>CRLFcrlf\r\nx";
    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 24);
    int checked = 0;
    for (int i = 0; i < 20000; ++i) {
        std::string original;
        for (int n = length(random); n > 0; --n) {
            original.push_back(alphabet[pick(random)]);
        }
        if (original.find("<CR>") != std::string::npos ||
            original.find("<cr>") != std::string::npos ||
            original.find("<LF>") != std::string::npos ||
            original.find("<lf>") != std::string::npos) {
            continue;
        }
        std::string text = original;
        escapeLineBreaks(text);
        EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
        unescapeLineBreaks(text);
        ASSERT_EQ(text, original);
        ++checked;
    }
    EXPECT_GT(checked, 10000);
}

TEST(FileNameTest, NameAndTitleAfterLastSeparator) {
    EXPECT_EQ(fileNameOf("C:\\dir.x\\name"), "name");
    EXPECT_EQ(fileTitleOf("C:\\dir.x\\name"), "name");
    EXPECT_EQ(fileNameOf("a/b.c/d.e"), "d.e");
    EXPECT_EQ(fileTitleOf("a/b.c/d.e"), "d");
    EXPECT_EQ(fileTitleOf("list.ini"), "list");
    EXPECT_EQ(fileTitleOf("cfg/.ini"), "");
    EXPECT_EQ(fileTitleOf("a.b.c"), "a.b");
    EXPECT_EQ(fileNameOf("dir/"), "");
    EXPECT_EQ(fileNameOf("plain"), "plain");
}

TEST(FileNameTest, BackslashWinsOverSlash) {
    EXPECT_EQ(lastPathSeparator("a\\b/c"), 1u);
    EXPECT_EQ(lastPathSeparator("a/b/c"), 3u);
    EXPECT_EQ(lastPathSeparator("abc"), std::string::npos);
    EXPECT_EQ(fileNameOf("help\\common.html"), "common.html");
}

TEST(LocalTimeTextTest, FormatsClockBetweenPrefixAndSuffix) {
    const std::regex plain(R"(\[([01]\d|2[0-3]):[0-5]\d:[0-6]\d\] )");
    const std::regex withMs(R"(([01]\d|2[0-3]):[0-5]\d:[0-6]\d\.\d{3})");
    EXPECT_TRUE(std::regex_match(localTimeText("[", "] ", false), plain));
    EXPECT_TRUE(std::regex_match(localTimeText("", "", true), withMs));
    EXPECT_EQ(localTimeText("", "", false).size(), 8u);
}

TEST(LocalTimeTextTest, PrefixAndSuffixAreCopiedAsBytes) {
    const std::string prefix = "%s%n\0"s;
    const std::string text = localTimeText(prefix, "%d", false);
    ASSERT_EQ(text.size(), prefix.size() + 8 + 2);
    EXPECT_EQ(text.substr(0, prefix.size()), prefix);
    EXPECT_EQ(text.substr(text.size() - 2), "%d");
}

TEST(LocalTimeTextTest, ResultIsCutTo511Characters) {
    const std::string prefix(600, 'p');
    EXPECT_EQ(localTimeText(prefix, "", true), std::string(511, 'p'));

    const std::string text = localTimeText(std::string(500, 'p'), std::string(20, 's'), false);
    ASSERT_EQ(text.size(), 511u);
    EXPECT_EQ(text.substr(508), "sss");

    EXPECT_EQ(localTimeText(std::string(490, 'p'), std::string(13, 's'), false).size(), 511u);
}

}  // namespace
