#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <cstring>
#include <string>

#include "platform/app_folder.h"
#include "platform/cp1251.h"
#include "platform/system_error.h"

using namespace platform::literals;

TEST(SystemErrorText, IsTheSystemsTextIn1251) {
    EXPECT_EQ(platform::systemErrorText(ENOENT), std::string(std::strerror(ENOENT)));
    EXPECT_FALSE(platform::systemErrorText(123456).empty());

    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    if (std::setlocale(LC_ALL, "ru_RU.UTF-8") == nullptr) {
        GTEST_SKIP() << "no Russian UTF-8 locale here (./test.sh generates one)";
    }
    const std::string utf8 = std::strerror(EIO);
    const std::string text = platform::systemErrorText(EIO);
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_TRUE(platform::looksLikeUtf8(utf8)) << "the system's texts are not translated: " << utf8;
    EXPECT_EQ(text, platform::utf8ToCp1251(utf8));
}

TEST(ApplicationFolder, StoredNamesWithBackslashesAndCyrillicBecomePaths) {
    const std::filesystem::path root("/opt/app");
    EXPECT_EQ(platform::joinStoredName(root, "help\\common.html"), "/opt/app/help/common.html");
    EXPECT_EQ(platform::joinStoredName(root, "cfg/a.cmd_list"), "/opt/app/cfg/a.cmd_list");
    EXPECT_EQ(platform::joinStoredName(root, std::string("cfg_help\\"
                                                         "Тест"_cp1251) +
                                                 ".txt"),
              "/opt/app/cfg_help/Тест.txt");
    EXPECT_EQ(platform::joinStoredName(root, "\\help\\x"), "/opt/app/help/x");
}
