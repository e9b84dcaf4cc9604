#include "platform/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/cp1251.h"
#include "tests/support/file_bytes.h"
#include "tests/support/temp_dir.h"

using namespace platform::literals;
using testsupport::readBytes;
using testsupport::writeBytes;

namespace {

class IniFileTest : public ::testing::Test {
protected:
    std::filesystem::path file() const { return m_dir.path() / "test.ini"; }

    // A file written as given, and an IniFile on it.
    platform::IniFile withFile(std::string_view bytes) const {
        writeBytes(file(), bytes);
        return platform::IniFile(file());
    }

    std::vector<std::string> folderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir.path())) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    testsupport::TempDir m_dir;
};

}  // namespace

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesTheDefault) {
    const platform::IniFile missing(file());
    EXPECT_EQ(missing.readString("S", "k", "dflt"), "dflt");
    EXPECT_EQ(missing.readInt("S", "k", 7), 7);
    EXPECT_TRUE(missing.readSections().empty());
    EXPECT_FALSE(std::filesystem::exists(file())) << "reading must not create the file";

    const platform::IniFile ini = withFile("top=outside\r\n[S]\r\nk=\r\nnoequals\r\n=v\r\n");
    EXPECT_EQ(ini.readString("S", "other", "dflt"), "dflt");
    EXPECT_EQ(ini.readString("T", "k", "dflt"), "dflt");
    EXPECT_EQ(ini.readString("S", "k", "dflt"), "") << "a present empty value is not the default";
    EXPECT_EQ(ini.readString("S", "noequals", "dflt"), "dflt");
    EXPECT_EQ(ini.readString("", "top", "dflt"), "dflt")
        << "lines before any section belong nowhere";
    EXPECT_EQ(ini.readKeys("S"), std::vector<std::string>{"k"});
}

// Every letter's fold is the case fold's own test (cp1251_case_test).
TEST_F(IniFileTest, NamesMatchWithoutLetterCaseInLatinAndCyrillic) {
    const platform::IniFile ini = withFile("[Общие]\r\nЁлка=1\r\nPort Number=2\r\n"_cp1251);
    EXPECT_EQ(ini.readString("ОБЩИЕ"_cp1251, "ёЛКА"_cp1251, ""), "1");
    EXPECT_EQ(ini.readString("общие"_cp1251, "PORT NUMBER", ""), "2");
    EXPECT_EQ(ini.readString("Общие"_cp1251, "Ёлк"_cp1251, "none"), "none");
}

TEST_F(IniFileTest, BlanksAroundNamesAndValuesAndOuterQuotesDoNotCount) {
    const platform::IniFile ini = withFile(
        "  [ Main ]  \n"
        "\t key one \t=  spaced value  \n"
        "quoted=\"  kept  \"\n"
        "inner=a \"b\" c\n"
        "half=\"open\n"
        "single=\"\n");
    EXPECT_EQ(ini.readString("Main", "key one", ""), "spaced value");
    EXPECT_EQ(ini.readString("Main", "quoted", ""), "  kept  ");
    EXPECT_EQ(ini.readString("Main", "inner", ""), "a \"b\" c");
    EXPECT_EQ(ini.readString("Main", "half", ""), "\"open");
    EXPECT_EQ(ini.readString("Main", "single", ""), "\"");
}

TEST_F(IniFileTest, FirstOfDuplicateKeysAndSectionsWinsAndCommentsAreNoKeys) {
    const platform::IniFile ini = withFile(
        "[Main]\n"
        ";hidden=1\n"
        "key=first\n"
        "b=1\n"
        "KEY=second\n"
        "[Aux]\n"
        "q=1\n"
        "[main]\n"
        "key=third\n"
        "late=4\n");
    EXPECT_EQ(ini.readString("Main", "key", ""), "first");
    EXPECT_EQ(ini.readString("Main", "late", "dflt"), "dflt");
    EXPECT_EQ(ini.readString("Main", ";hidden", "dflt"), "dflt");
    // Listed in file order, each name once.
    EXPECT_EQ(ini.readSections(), (std::vector<std::string>{"Main", "Aux"}));
    EXPECT_EQ(ini.readKeys("MAIN"), (std::vector<std::string>{"key", "b"}));
    EXPECT_TRUE(ini.readKeys("C").empty());
}

TEST_F(IniFileTest, IntegersAreWholeDecimalNumbersAndBooleansAnyNonZeroInteger) {
    const platform::IniFile ini = withFile(
        "[N]\nplain=42\nneg= -7 \nplus=+5\ntail=12abc\nword=yes\nempty=\n"
        "max=2147483647\nmin=-2147483648\nover=2147483648\nhex=0x10\n"
        "two=2\nzero=0\n");
    const std::pair<const char*, int> ints[] = {
        {"plain", 42}, {"neg", -7},   {"plus", 5},         {"tail", -1},
        {"word", -1},  {"empty", -1}, {"max", 2147483647}, {"min", -2147483647 - 1},
        {"over", -1},  {"hex", -1}};
    for (const auto& [key, value] : ints) {
        EXPECT_EQ(ini.readInt("N", key, -1), value) << key;
    }
    EXPECT_TRUE(ini.readBool("N", "two", false));
    EXPECT_TRUE(ini.readBool("N", "neg", false));
    EXPECT_FALSE(ini.readBool("N", "zero", true));
    EXPECT_TRUE(ini.readBool("N", "word", true));
    EXPECT_FALSE(ini.readBool("N", "word", false));
}

TEST_F(IniFileTest, WritingChangesOnlyTheLinesItMustAndKeepsTheFilesLineEnds) {
    platform::IniFile ini = withFile(
        "; settings\n"
        "top=ignored\n"
        "[Main]\n"
        "  Alpha = 1 \n"
        "beta=2\n"
        "alpha=3\n"
        "\n"
        "; window placement\n"
        "[Window]\n"
        "left=10\n"
        "[main]\n"
        "gamma=late");
    ASSERT_TRUE(ini.writeString("MAIN", "alpha", "9"));
    ASSERT_TRUE(ini.writeString("Main", "delta", "4"));
    ASSERT_TRUE(ini.writeString("Main", "gamma", "5"));
    ASSERT_TRUE(ini.writeString("Other", "k", "v"));
    EXPECT_EQ(readBytes(file()),
              "; settings\n"
              "top=ignored\n"
              "[Main]\n"
              "  Alpha = 9\n"
              "beta=2\n"
              "alpha=3\n"
              "delta=4\n"
              "gamma=5\n"
              "\n"
              "; window placement\n"
              "[Window]\n"
              "left=10\n"
              "[main]\n"
              "gamma=late\n"
              "\n"
              "[Other]\n"
              "k=v\n");

    platform::IniFile crlf = withFile("[A]\r\nx=1\r\n\r\n[B]\r\ny=2");
    ASSERT_TRUE(crlf.writeString("a", "z", "3"));
    ASSERT_TRUE(crlf.writeString("B", "w", "4"));
    EXPECT_EQ(readBytes(file()), "[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\nw=4\r\n");

    // A section without keys takes its first one right under its header.
    platform::IniFile empty = withFile("[A]\n; nothing yet\n[B]\n");
    ASSERT_TRUE(empty.writeString("A", "k", "v"));
    EXPECT_EQ(readBytes(file()), "[A]\nk=v\n; nothing yet\n[B]\n");
}

TEST_F(IniFileTest, WrittenValuesReadBackExactly) {
    platform::IniFile ini(file());
    const std::vector<std::string> values = {"plain",
                                             "",
                                             "  leading",
                                             "trailing\t",
                                             "\"quoted\"",
                                             "\"",
                                             "a=b;c",
                                             "x \"y\" z",
                                             "AT<CR> <CR><LF>OK<CR><LF>",
                                             std::string("Значение"_cp1251)};
    for (std::size_t i = 0; i < values.size(); ++i) {
        ASSERT_TRUE(ini.writeString("V", "k" + std::to_string(i), values[i]));
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(ini.readString("V", "k" + std::to_string(i), "dflt"), values[i]);
    }
    const std::string bytes = readBytes(file());
    EXPECT_NE(bytes.find("\r\nk0=plain\r\n"), std::string::npos) << "plain values go unquoted";
    EXPECT_NE(bytes.find("\r\nk8=AT<CR> <CR><LF>OK<CR><LF>\r\n"), std::string::npos);
}

TEST_F(IniFileTest, RefusesNamesAndValuesThatWouldBreakTheFile) {
    platform::IniFile ini(file());
    const std::pair<const char*, const char*> names[] = {{"S]x", "k"}, {"S", "k=x"}, {"S", "  "},
                                                         {"", "k"},    {"S", ";k"},  {"S", "[k"}};
    for (const auto& [section, key] : names) {
        EXPECT_FALSE(ini.writeString(section, key, "v")) << section << "/" << key;
    }
    EXPECT_FALSE(ini.writeString("S", "k", "two\r\nlines"));
    EXPECT_FALSE(ini.writeString("S", "k", "lf\nonly"));
    EXPECT_FALSE(std::filesystem::exists(file()));
}

TEST_F(IniFileTest, Utf8FileIsReadAsUtf8AndStaysUtf8) {
    platform::IniFile ini = withFile("; заметка\n[Общие]\nИмя = Значение\n");
    EXPECT_EQ(ini.readString("общие"_cp1251, "ИМЯ"_cp1251, ""), "Значение"_cp1251);

    ASSERT_TRUE(ini.writeString("Общие"_cp1251, "Имя"_cp1251, "Новое"_cp1251));
    ASSERT_TRUE(ini.writeString("Общие"_cp1251, "Ключ"_cp1251, "Ёж"_cp1251));
    ASSERT_TRUE(ini.writeString("Отладка"_cp1251, "Флаг"_cp1251, "1"));
    EXPECT_EQ(readBytes(file()), "; заметка\n[Общие]\nИмя = Новое\nКлюч=Ёж\n\n[Отладка]\nФлаг=1\n");
}

TEST_F(IniFileTest, AByteOrderMarkIsKeptAndAsciiAnd1251FilesAreWrittenIn1251) {
    platform::IniFile marked = withFile("\xEF\xBB\xBF[Общие]\r\nИмя=x\r\n");
    EXPECT_EQ(marked.readString("Общие"_cp1251, "Имя"_cp1251, ""), "x");
    ASSERT_TRUE(marked.writeString("Общие"_cp1251, "Имя"_cp1251, "Да"_cp1251));
    EXPECT_EQ(readBytes(file()), "\xEF\xBB\xBF[Общие]\r\nИмя=Да\r\n");

    platform::IniFile ascii = withFile("[A]\r\nx=1\r\n");
    ASSERT_TRUE(ascii.writeString("A", "Имя"_cp1251, "Значение"_cp1251));
    EXPECT_EQ(readBytes(file()), "[A]\r\nx=1\r\nИмя=Значение\r\n"_cp1251);
    EXPECT_EQ(ascii.readString("a", "имя"_cp1251, ""), "Значение"_cp1251);
}

// "ВЁ" is C2 A8 in 1251, which is also UTF-8 (for U+00A8): once the file holds nothing else
// outside ASCII, it would read back as UTF-8.
TEST_F(IniFileTest, A1251WriteThatWouldMakeValidUtf8TurnsTheWholeFileIntoUtf8) {
    platform::IniFile ascii = withFile("[A]\r\nx=1\r\n");
    ASSERT_TRUE(ascii.writeString("A", "k", "ВЁ"_cp1251));
    EXPECT_EQ(ascii.readString("A", "k", ""), "ВЁ"_cp1251);
    EXPECT_EQ(readBytes(file()), "[A]\r\nx=1\r\nk=ВЁ\r\n");

    // The lone "Я" (DF) keeps the file 1251 until it is overwritten; "n" must not change.
    platform::IniFile mixed = withFile("[A]\r\nn=ВЁ\r\nk=Я\r\n"_cp1251);
    ASSERT_TRUE(mixed.writeString("A", "k", "1"));
    EXPECT_EQ(mixed.readString("A", "n", ""), "ВЁ"_cp1251);
    EXPECT_EQ(readBytes(file()), "[A]\r\nn=ВЁ\r\nk=1\r\n");
}

TEST_F(IniFileTest, ReplacementLeavesNoTemporaryFileAndKeepsPermissions) {
    platform::IniFile ini = withFile("[A]\nx=1\n");
    ASSERT_EQ(::chmod(file().c_str(), 0640), 0);
    ASSERT_TRUE(ini.writeString("A", "x", "2"));
    ASSERT_TRUE(ini.writeString("A", "y", "3"));
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"test.ini"});
    struct stat info {};
    ASSERT_EQ(::stat(file().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);

    // Writing the value already there leaves the file alone.
    const auto stamp = std::filesystem::last_write_time(file());
    const std::uint64_t inode = info.st_ino;
    ASSERT_TRUE(ini.writeString("a", "X", "2"));
    ASSERT_EQ(::stat(file().c_str(), &info), 0);
    EXPECT_EQ(info.st_ino, inode);
    EXPECT_EQ(std::filesystem::last_write_time(file()), stamp);
}

TEST_F(IniFileTest, FailedReplacementLeavesEverythingAsItWas) {
    platform::IniFile inMissingFolder(m_dir.path() / "no" / "such.ini");
    EXPECT_FALSE(inMissingFolder.writeString("A", "x", "1"));
    EXPECT_FALSE(std::filesystem::exists(m_dir.path() / "no"));

    std::filesystem::create_directory(file());
    platform::IniFile onFolder(file());
    EXPECT_FALSE(onFolder.writeString("A", "x", "1"));
    EXPECT_TRUE(std::filesystem::is_directory(file()));
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"test.ini"});
}

TEST_F(IniFileTest, WritesThroughASymbolicLinkToItsTarget) {
    writeBytes(m_dir.path() / "real.ini", "[A]\nx=1\n");
    std::filesystem::create_symlink("real.ini", file());
    platform::IniFile ini(file());
    ASSERT_TRUE(ini.writeString("A", "x", "2"));
    EXPECT_TRUE(std::filesystem::is_symlink(file()));
    EXPECT_EQ(readBytes(m_dir.path() / "real.ini"), "[A]\nx=2\n");
}

// Every call reads the file afresh: an object that kept what it had read would undo the
// other's keys.
TEST_F(IniFileTest, ThreadsWritingTheSameFileLoseNoKey) {
    constexpr int kKeysPerThread = 40;
    auto writer = [this](const std::string& prefix) {
        platform::IniFile ini(file());
        for (int i = 0; i < kKeysPerThread; ++i) {
            ini.writeInt("S", prefix + std::to_string(i), i);
        }
    };
    std::thread one(writer, "a");
    std::thread two(writer, "b");
    one.join();
    two.join();
    const platform::IniFile ini(file());
    EXPECT_EQ(ini.readKeys("S").size(), 2u * kKeysPerThread);
    EXPECT_EQ(ini.readInt("S", "b39", -1), 39);
}
