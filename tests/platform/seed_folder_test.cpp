#include "platform/seed_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/file_bytes.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;
using testsupport::readBytes;

namespace {

void put(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

bool contains(const std::vector<fs::path>& names, const fs::path& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// An installed folder with a sample list (Cyrillic name), a help page in a subfolder and a
// list help page.
class SeedFolder : public ::testing::Test {
protected:
    void SetUp() override {
        put(installed() / "cfg" / "Проверка.cmd_list", "AT\tOK\n");
        put(installed() / "help" / "pages" / "common.html", "<p>help</p>");
        put(installed() / "cfg_help" / "Проверка.html", "<p>list</p>");
        put(installed() / "orvane.installed", "");
    }

    fs::path installed() const { return m_root.path() / "opt" / "orvane"; }
    fs::path user() const { return m_root.path() / "home" / ".local" / "share" / "orvane"; }

    testsupport::TempDir m_root;
};

}  // namespace

TEST_F(SeedFolder, ANewerPackageNeverOverwritesOrRestoresTheOperatorsWork) {
    put(user() / "cfg" / "mine.cmd_list", "ATI\tOK\n");  // there before the first start
    put(installed() / "cfg" / "mine.cmd_list", "AT+CSQ\tOK\n");
    put(installed() / "cfg" / "removed.cmd_list", "ATZ\tOK\n");
    put(installed() / "cfg" / "edited.cmd_list", "ATE0\tOK\n");
    const platform::SeedReport first = platform::seedUserFolder(installed(), user());
    EXPECT_TRUE(first.problems.empty());
    EXPECT_EQ(first.copied.size(), 5u);  // all but the operator's own mine.cmd_list
    EXPECT_EQ(readBytes(user() / "help" / "pages" / "common.html"), "<p>help</p>");
    EXPECT_EQ(readBytes(user() / "cfg_help" / "Проверка.html"), "<p>list</p>");
    EXPECT_FALSE(fs::exists(user() / "orvane.installed"));
    const platform::SeedReport again = platform::seedUserFolder(installed(), user());
    EXPECT_EQ(again.copied.size() + again.updated.size() + again.problems.size(), 0u);

    fs::remove(user() / "cfg" / "removed.cmd_list");
    put(user() / "cfg" / "edited.cmd_list", "ATE1\tOK\n");
    // The newer package changes every file and brings a new one.
    put(installed() / "cfg" / "Проверка.cmd_list", "AT\tOK\nATI\tOK\n");
    put(installed() / "cfg" / "mine.cmd_list", "AT+CSQ?\tOK\n");
    put(installed() / "cfg" / "removed.cmd_list", "ATZ0\tOK\n");
    put(installed() / "cfg" / "edited.cmd_list", "ATE0V1\tOK\n");
    put(installed() / "cfg" / "new.cmd_list", "AT+GMR\tOK\n");
    const platform::SeedReport report = platform::seedUserFolder(installed(), user());

    EXPECT_TRUE(report.problems.empty());
    EXPECT_EQ(readBytes(user() / "cfg" / "mine.cmd_list"), "ATI\tOK\n");
    EXPECT_FALSE(fs::exists(user() / "cfg" / "removed.cmd_list"));
    EXPECT_EQ(readBytes(user() / "cfg" / "edited.cmd_list"), "ATE1\tOK\n");
    EXPECT_EQ(readBytes(user() / "cfg" / "new.cmd_list"), "AT+GMR\tOK\n");
    EXPECT_TRUE(contains(report.copied, fs::path("cfg") / "new.cmd_list"));
    // Untouched since seeded: follows the package.
    EXPECT_EQ(readBytes(user() / "cfg" / "Проверка.cmd_list"), "AT\tOK\nATI\tOK\n");
    EXPECT_TRUE(contains(report.updated, fs::path("cfg") / "Проверка.cmd_list"));
    EXPECT_EQ(report.copied.size() + report.updated.size(), 2u);
}

TEST_F(SeedFolder, AFileThatCannotBeSeededIsReportedAndTheOthersAreStillCopied) {
    // A dangling link stands for an unreadable file (permissions do not stop root), a
    // plain file named cfg_help for a folder that cannot be made.
    fs::create_symlink(installed() / "nowhere.cmd_list", installed() / "cfg" / "lost.cmd_list");
    put(user() / "cfg_help", "not a folder");

    const platform::SeedReport report = platform::seedUserFolder(installed(), user());

    ASSERT_EQ(report.problems.size(), 2u);
    const std::string all = report.problems[0] + "\n" + report.problems[1];
    EXPECT_NE(all.find("cannot read " + (installed() / "cfg" / "lost.cmd_list").string()),
              std::string::npos)
        << all;
    EXPECT_NE(all.find("cannot write " + (user() / "cfg_help" / "Проверка.html").string()),
              std::string::npos)
        << all;
    EXPECT_EQ(readBytes(user() / "cfg" / "Проверка.cmd_list"), "AT\tOK\n");
    EXPECT_EQ(readBytes(user() / "help" / "pages" / "common.html"), "<p>help</p>");
    EXPECT_EQ(readBytes(user() / "cfg_help"), "not a folder");
}
