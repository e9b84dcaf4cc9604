#include "platform/cp1251_case.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/cp1251.h"

namespace {

// The Unicode lower case of the letters 1251 can hold, taken from the code points rather
// than from the byte layout the fold itself is written against.
char32_t unicodeLower(char32_t cp) {
    if (cp >= 'A' && cp <= 'Z') {
        return cp + 0x20;
    }
    if (cp >= 0x0400 && cp <= 0x040F) {  // Ѐ..Џ
        return cp + 0x50;
    }
    if (cp >= 0x0410 && cp <= 0x042F) {  // А..Я
        return cp + 0x20;
    }
    if (cp == 0x0490) {  // Ґ
        return 0x0491;
    }
    return cp;
}

char32_t codePointOf(char byte) {
    const std::string utf8 = platform::cp1251ToUtf8(std::string(1, byte));
    const auto b0 = static_cast<unsigned char>(utf8[0]);
    if (utf8.size() == 1) {
        return b0;
    }
    const auto b1 = static_cast<unsigned char>(utf8[1]);
    if (utf8.size() == 2) {
        return ((b0 & 0x1Fu) << 6) | (b1 & 0x3Fu);
    }
    const auto b2 = static_cast<unsigned char>(utf8[2]);
    return ((b0 & 0x0Fu) << 12) | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu);
}

}  // namespace

TEST(Cp1251Case, FoldsEveryCapitalOfThePageToItsUnicodeLowerCase) {
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        const char32_t expected = unicodeLower(codePointOf(byte));
        EXPECT_EQ(codePointOf(platform::foldCaseCp1251(byte)), expected) << "byte " << b;
        EXPECT_EQ(platform::foldCaseCp1251(platform::foldCaseCp1251(byte)),
                  platform::foldCaseCp1251(byte))
            << "byte " << b;
    }
}
