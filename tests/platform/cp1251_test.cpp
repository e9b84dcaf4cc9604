#include "platform/cp1251.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "platform/cp1251_case.h"

using namespace platform::literals;

namespace {

std::string allBytes() {
    std::string bytes;
    for (int b = 0; b < 256; ++b) {
        bytes.push_back(static_cast<char>(b));
    }
    return bytes;
}

}  // namespace

TEST(Cp1251, EveryByteMapsAsTheSystemConverterSaysAndBack) {
    const std::string bytes = allBytes();
    const std::string utf8 = platform::cp1251ToUtf8(bytes);
    EXPECT_TRUE(platform::isValidUtf8(utf8));
    EXPECT_EQ(platform::utf8ToCp1251(utf8), bytes);
    // The literals become the same bytes at compile time.
    constexpr std::string_view error = "Ошибка"_cp1251;
    static_assert(error.size() == 6);
    EXPECT_EQ(error, "\xCE\xF8\xE8\xE1\xEA\xE0");
    EXPECT_EQ("Ёё №5 «x»"_cp1251, platform::utf8ToCp1251("Ёё №5 «x»"));

    iconv_t cd = iconv_open("UTF-8", "CP1251");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        GTEST_SKIP() << "the C library has no CP1251 converter";
    }
    for (int b = 1; b < 256; ++b) {
        if (b == 0x98) {
            continue;  // undefined in 1251; ours keeps it as U+0098
        }
        char in[1] = {static_cast<char>(b)};
        char out[8] = {};
        char* inPtr = in;
        char* outPtr = out;
        std::size_t inLeft = 1;
        std::size_t outLeft = sizeof out;
        ASSERT_NE(iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft), static_cast<std::size_t>(-1))
            << "byte " << b;
        const std::string expected(out, sizeof out - outLeft);
        EXPECT_EQ(platform::cp1251ToUtf8(std::string(1, static_cast<char>(b))), expected)
            << "byte " << b;
    }
    iconv_close(cd);
}

TEST(Cp1251, UnmappableAndMalformedUtf8BecomesQuestionMarks) {
    EXPECT_EQ(platform::utf8ToCp1251("a\xE2\x82\xAC"), "a\x88");  // the euro sign has a byte
    EXPECT_EQ(platform::utf8ToCp1251("\xE4\xB8\xAD"), "?");       // a CJK letter has none
    EXPECT_EQ(platform::utf8ToCp1251("x\xC3"), "x?");             // cut sequence
    EXPECT_EQ(platform::utf8ToCp1251("\xC0\x80"), "??");          // overlong NUL
    EXPECT_EQ(platform::utf8ToCp1251("\xED\xA0\x80"), "???");     // surrogate
}

TEST(Cp1251, FileNamesAreShownIn1251AndMatchWithoutLetterCaseOnlyWhere1251HoldsThem) {
    EXPECT_EQ(platform::pathToText("/café/Ёлка.cmd_list"), "/caf?/\xA8\xEB\xEA\xE0.cmd_list");
    EXPECT_TRUE(platform::equalsNoCaseFileName("ПРОВЕРКА.CMD_LIST", "Проверка.cmd_list"));
    EXPECT_TRUE(platform::equalsNoCaseFileName("café", "café"));
    EXPECT_FALSE(platform::equalsNoCaseFileName("café", "cafè"));  // both "caf?" in 1251
    EXPECT_FALSE(platform::equalsNoCaseFileName("café", "CAFÉ"));
}
