// Command list files on disk: reading, the caption line, listing and resolving names.

#include "tester/command_list_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

#include "platform/cp1251.h"
#include "tests/support/file_bytes.h"
#include "tests/support/temp_dir.h"

using namespace platform::literals;
namespace fs = std::filesystem;

namespace {

const std::string kHeader{commandListHeader()};
const std::string kExampleLine = "AT<CR> <CR><LF>OK<CR><LF> 500 100";
const AtCmdParamMt kExampleRecord("AT\r", "\r\nOK\r\n", 500, 100);

class CommandListFiles : public ::testing::Test {
protected:
    CommandListFiles() { fs::create_directories(cfg()); }

    fs::path cfg() const { return m_app.path() / "cfg"; }

    // Writes a list into cfg/; returns its path.
    fs::path writeList(std::string_view name, std::string_view bytes) const {
        const fs::path path = cfg() / name;
        testsupport::writeBytes(path, bytes);
        return path;
    }

    static FilesList listed() {
        FilesList names{"stale.cmd_list"};
        listCommandFiles(names);
        return names;
    }

    testsupport::TempAppFolder m_app;
};

TEST_F(CommandListFiles, CaptionLineAndByteOrderMarkAreDroppedAndLinesSplitAtLineFeeds) {
    EXPECT_EQ(
        kHeader,
        "[Текст команды] [Ответ на команду] [Ожидание ответа,мс] [Задержка перед командой,мс]"_cp1251);
    const std::string utf8Header = platform::cp1251ToUtf8(kHeader);
    const AtCmdParamMt headerAsCommand(std::string("[Текст"_cp1251), std::string("команды]"_cp1251),
                                       1000, 0);
    const std::pair<std::string, AtCmdParamMtList> cases[] = {
        {kHeader + "\r\n" + kExampleLine + "\r\n", {kExampleRecord}},
        {";; " + kHeader + " ;;\n" + kExampleLine, {kExampleRecord}},  // anywhere in line one
        {kExampleLine + "\n" + kHeader + "\n", {kExampleRecord, headerAsCommand}},
        {utf8Header + "\n" + kExampleLine, {kExampleRecord}},
        {"\xEF\xBB\xBF" + utf8Header + "\r\n" + kExampleLine, {kExampleRecord}},
        // Without a caption the mark would otherwise go to the modem in front of the command.
        {"\xEF\xBB\xBF"
         "ATZ<CR> OK\n",
         {AtCmdParamMt("ATZ\r", "OK")}},
        // CR LF, bare LF, a blank line, a stray CR inside a line and a last line without an end.
        {"AT1 OK\r\n\r\nAT2 O\rK\n;AT3 OK\r\nAT4   OK 7 8 9",
         {AtCmdParamMt("AT1", "OK"), AtCmdParamMt("AT2", "OK"), AtCmdParamMt("AT4", "OK", 7, 8)}},
    };
    for (const auto& [bytes, expected] : cases) {
        AtCmdParamMtList list;
        EXPECT_TRUE(loadCommandList(writeList("a.cmd_list", bytes), list)) << bytes;
        EXPECT_EQ(list, expected) << bytes;
    }
}

TEST_F(CommandListFiles, LoadAppendsAndReportsOnlyWhatItAppended) {
    const AtCmdParamMt earlier("ATE0", "OK");
    AtCmdParamMtList list{earlier};

    EXPECT_TRUE(loadCommandList(writeList("ok.cmd_list", kExampleLine), list));
    EXPECT_EQ(list, (AtCmdParamMtList{earlier, kExampleRecord}));

    // None of these appends a record, so none may report success, whatever out held before.
    const AtCmdParamMtList before = list;
    EXPECT_FALSE(loadCommandList(cfg() / "missing.cmd_list", list));
    EXPECT_FALSE(loadCommandList(writeList("empty.cmd_list", ""), list));
    EXPECT_FALSE(loadCommandList(writeList("header.cmd_list", kHeader + "\r\n"), list));
    EXPECT_FALSE(loadCommandList(writeList("bad.cmd_list", "ATZ\n;AT OK\nAT OK -1\n\n"), list));
    fs::create_directory(cfg() / "folder.cmd_list");
    EXPECT_FALSE(loadCommandList(cfg() / "folder.cmd_list", list));
    EXPECT_EQ(list, before);
}

TEST_F(CommandListFiles, ListingIsSortedWithoutLetterCaseAndKeepsOnlyListFiles) {
    EXPECT_TRUE(listed().empty()) << "empty cfg folder";

    writeList("b.cmd_list", "AT OK");
    writeList("A.cmd_list", "AT OK");
    writeList("c.CMD_LIST", "AT OK");  // saved on Windows
    writeList("Бета.cmd_list", "AT OK");
    writeList("альфа.cmd_list", "AT OK");
    writeList("notes.txt", "AT OK");
    writeList("old.cmd_list.bak", "AT OK");
    writeList(".cmd_listing", "AT OK");
    fs::create_directory(cfg() / "dir.cmd_list");

    EXPECT_EQ(listed(), (FilesList{"A.cmd_list", "b.cmd_list", "c.CMD_LIST", "альфа.cmd_list",
                                   "Бета.cmd_list"}));

    fs::remove_all(cfg());
    EXPECT_TRUE(listed().empty()) << "no cfg folder";
}

// Linux allows '*' and '?' in file names; a star of the mask stays a wildcard there too.
TEST_F(CommandListFiles, FindFilesAppendsMatchesUpToTheLimit) {
    for (const char* name : {"e.cmd_list", "d.cmd_list", "c.cmd_list", "b.cmd_list", "x.txt",
                             "*star.cmd_list", "a*b?.cmd_list"}) {
        writeList(name, "AT OK");
    }
    const fs::path folder = cfg();

    FilesList names{"first"};
    EXPECT_TRUE(findFiles(folder, "*.cmd_list", names, 3));
    EXPECT_EQ(names, (FilesList{"first", "*star.cmd_list", "a*b?.cmd_list"}));
    EXPECT_FALSE(findFiles(folder, "*.cmd_list", names, 3)) << "already full";

    names.clear();
    EXPECT_TRUE(findFiles(folder, "?.CMD_*", names, 10));
    EXPECT_EQ(names.size(), 4u);
    names.clear();
    EXPECT_TRUE(findFiles(folder, "a*", names, 10));
    EXPECT_EQ(names, FilesList{"a*b?.cmd_list"});

    names.clear();
    EXPECT_FALSE(findFiles(folder, "*.none", names, 10));
    EXPECT_FALSE(findFiles(folder / "missing", "*", names, 10));
    EXPECT_TRUE(names.empty());
}

TEST_F(CommandListFiles, PathOfATitleOrFileNameFindsTheFileInAnyLetterCase) {
    const fs::path folder = cfg();
    EXPECT_EQ(commandListPath("modem"), folder / "modem.cmd_list");
    EXPECT_EQ(commandListPath("modem.cmd_list"), folder / "modem.cmd_list");
    EXPECT_EQ(commandListPath("MODEM.CMD_LIST"), folder / "MODEM.CMD_LIST");
    EXPECT_EQ(commandListPath("modem.txt"), folder / "modem.txt.cmd_list");

    writeList("WIN.CMD_LIST", "AT OK");
    EXPECT_EQ(commandListPath("WIN"), folder / "WIN.CMD_LIST");
    EXPECT_EQ(commandListPath("win"), folder / "WIN.CMD_LIST");
    AtCmdParamMtList list;
    EXPECT_TRUE(loadCommandList(commandListPath("Win"), list));

    // An exact match wins over one that differs in letter case only.
    writeList("Twin.cmd_list", "AT OK");
    writeList("twin.cmd_list", "AT OK");
    EXPECT_EQ(commandListPath("twin"), folder / "twin.cmd_list");
    EXPECT_EQ(commandListPath("Twin"), folder / "Twin.cmd_list");
    EXPECT_EQ(commandListPath("TWIN"), folder / "Twin.cmd_list");

    writeList("Связь.cmd_list", "AT OK");
    EXPECT_EQ(commandListPath("СВЯЗЬ"), folder / "Связь.cmd_list");
}

}  // namespace
