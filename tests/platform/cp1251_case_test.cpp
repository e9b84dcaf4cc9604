#include "platform/cp1251_case.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cuchar>
#include <cwctype>
#include <string>

#include "platform/cp1251.h"

namespace {

// The code point of a 1251 byte, decoded by the C library rather than by our own tables.
char32_t codePointOf(char byte) {
    const std::string utf8 = platform::cp1251ToUtf8(std::string(1, byte));
    std::mbstate_t state{};
    char32_t cp = 0;
    std::mbrtoc32(&cp, utf8.data(), utf8.size(), &state);
    return cp;
}

}  // namespace

// The expected lower case is the C library's Unicode one, not the byte layout the fold itself
// is written against.
TEST(Cp1251Case, FoldsEveryCapitalOfThePageToItsUnicodeLowerCase) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "C.UTF-8") == nullptr) {
        GTEST_SKIP() << "no C.UTF-8 locale here";
    }
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        const auto expected = static_cast<char32_t>(std::towlower(codePointOf(byte)));
        EXPECT_EQ(codePointOf(platform::foldCaseCp1251(byte)), expected) << "byte " << b;
        EXPECT_EQ(platform::foldCaseCp1251(platform::foldCaseCp1251(byte)),
                  platform::foldCaseCp1251(byte))
            << "byte " << b;
    }
    std::setlocale(LC_ALL, saved.c_str());
}
