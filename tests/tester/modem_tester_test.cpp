// Whole test runs against the simulated modem: search, command phase, summary, stops.

#include "tester/modem_tester.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common_storage/config.h"
#include "platform/cp1251.h"
#include "sim/sim_modem.h"
#include "tester/command_list_files.h"
#include "tests/support/device_holder.h"
#include "tests/support/port_links.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ui_thread_fixture.h"

using namespace platform::literals;

namespace {

// The message table as the controller sees it.
class Messages : public InfoViewerI {
public:
    void show(const std::string& text, bool newLine) override {
        if (newLine || rows.empty()) {
            rows.push_back(text);
        } else {
            rows.back() = text;
        }
    }
    bool contains(std::string_view text) const {
        return std::find(rows.begin(), rows.end(), text) != rows.end();
    }
    std::vector<std::string> rows;
};

class Lines : public ExchangeLogViewerI {
public:
    void addLine(const std::string& line) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.push_back(line);
    }
    std::vector<std::string> lines() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines;
    }
    bool contains(const std::string& line) const {
        const std::vector<std::string> all = lines();
        return std::find(all.begin(), all.end(), line) != all.end();
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

std::string ru(std::string_view utf8Converted) {
    return std::string(utf8Converted);
}

class ModemTesterTest : public testsupport::UiThreadTest {
protected:
    ModemTesterTest() {
        std::filesystem::create_directories(m_app.path() / "cfg");
        testsupport::makeLinksOnly(m_app.path());
    }
    ~ModemTesterTest() override {
        m_tester.reset();  // saves and drops the settings of this folder
    }

    void startModem(sim::SimOptions options = {}) {
        m_modem = std::make_unique<sim::SimModem>(options);
        m_modem->start();
        m_modem->linkAs(m_app.path(), 1);
    }

    // A list file: the header line, then one line per command.
    void writeList(const std::string& name, const std::vector<std::string>& lines) {
        std::ofstream file(m_app.path() / "cfg" / (name + ".cmd_list"), std::ios::binary);
        file << commandListHeader() << "\r\n";
        for (const std::string& line : lines) {
            file << line << "\r\n";
        }
    }

    void makeTester() {
        m_tester = std::make_unique<ModemTester>(m_messages);
        m_tester->onFinished = [this] { ++m_finished; };
        m_tester->setExchangeLogWindow(&m_lines);
    }

    // Starts a run and waits for its end.
    void runToEnd() {
        const int before = m_finished;
        m_tester->start();
        ASSERT_TRUE(runUntil([&] { return m_finished > before; }));
        processPending();
    }

    const std::string& lastRow() const { return m_messages.rows.back(); }

    testsupport::TempAppFolder m_app;
    std::unique_ptr<sim::SimModem> m_modem;
    Messages m_messages;
    Lines m_lines;
    std::unique_ptr<ModemTester> m_tester;
    int m_finished = 0;
};

TEST_F(ModemTesterTest, ARunWithOneWrongAnswerEndsWithErrors) {
    startModem();
    writeList("four", {"AT<CR> <CR><LF>OK<CR><LF> 1000", "ATI<CR> <CR><LF>OK<CR><LF> 1000",
                       "AT+CSQ<CR> +CSQ: 1000", "AT<CR> <CR><LF>NEVER<CR><LF> 300"});
    makeTester();
    runToEnd();
    const std::vector<std::string>& rows = m_messages.rows;
    ASSERT_GE(rows.size(), 6u);
    const std::vector<std::string> tail(rows.end() - 6, rows.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"AT\r: OK", "ATI\r: OK", "AT+CSQ\r: OK",
                                              ru("AT\r: Ошибка"_cp1251),
                                              ru("Выполнено 4 команд (OK 3, ошибок 1)."_cp1251),
                                              ru("Тестирование завершено с ошибками."_cp1251)}));
    EXPECT_EQ(m_finished, 1);
    EXPECT_FALSE(m_tester->isStarted());
    // The exchange reached the log window, marked by direction.
    bool wrote = false;
    bool read = false;
    for (const std::string& line : m_lines.lines()) {
        wrote = wrote || line == ">>> ATI\r";
        read = read || line.starts_with("<<< ");
    }
    EXPECT_TRUE(wrote && read);
    // The port and rate found are kept for the next start.
    EXPECT_EQ(Config::instance().last_port(), 1);
    EXPECT_EQ(Config::instance().last_baud(), 115200);
}

TEST_F(ModemTesterTest, ARunWhereEveryCommandAnswersEndsSuccessfullyAndCanRunAgain) {
    startModem();
    // Tabs and spaces at the ends of the lines, as a Windows editor leaves them.
    writeList("ok", {"AT<CR> <CR><LF>OK<CR><LF>\t", "ATE0<CR> OK \t"});
    makeTester();
    runToEnd();
    EXPECT_EQ(lastRow(), ru("Тестирование завершено успешно."_cp1251));
    m_messages.rows.clear();
    runToEnd();
    EXPECT_EQ(lastRow(), ru("Тестирование завершено успешно."_cp1251));
    EXPECT_TRUE(m_messages.contains(ru("Выполнено 2 команд (OK 2, ошибок 0)."_cp1251)));
    EXPECT_EQ(m_finished, 2);
}

TEST_F(ModemTesterTest, ASecondStartDuringARunOnlyWarns) {
    sim::SimOptions options;
    options.faults.silent = true;  // the search goes on for a while
    startModem(options);
    writeList("ok", {"AT<CR> OK"});
    makeTester();
    m_tester->start();
    m_tester->start();
    EXPECT_TRUE(m_messages.contains(ru("Не завершен предыдущий тест"_cp1251)));
    m_tester->stop();
    ASSERT_TRUE(runUntil([&] { return m_finished == 1; }));
}

TEST_F(ModemTesterTest, StopDuringTheSearchEndsTheRunOnceWithoutACount) {
    sim::SimOptions options;
    options.faults.silent = true;
    startModem(options);
    writeList("ok", {"AT<CR> OK"});
    makeTester();
    m_tester->start();
    ASSERT_TRUE(runUntil([&] { return !m_messages.rows.empty(); }));  // the search is on
    m_tester->stop();
    ASSERT_TRUE(runUntil([&] { return m_finished == 1; }));
    processPending();
    EXPECT_TRUE(m_messages.contains(ru("Тестирование прервано пользователем."_cp1251)));
    EXPECT_EQ(lastRow(), ru("Тестирование завершено."_cp1251));
    for (const std::string& row : m_messages.rows) {
        EXPECT_FALSE(row.starts_with(ru("Выполнено"_cp1251)));
    }
    EXPECT_EQ(m_finished, 1);
}

TEST_F(ModemTesterTest, DestroyingTheControllerDuringTheSearchEndsItCleanly) {
    sim::SimOptions options;
    options.faults.silent = true;
    startModem(options);
    writeList("ok", {"AT<CR> OK"});
    makeTester();
    m_tester->start();
    ASSERT_TRUE(runUntil([&] { return !m_messages.rows.empty(); }));  // the search is on
    m_tester.reset();  // the program closes while the job thread searches
    EXPECT_TRUE(m_messages.contains(ru("Тестирование прервано пользователем."_cp1251)));
    EXPECT_EQ(m_finished, 0);  // the owner is told nothing once destruction began
}

TEST_F(ModemTesterTest, StopRightAfterTheModemWasFoundEndsTheRunOnce) {
    startModem();
    writeList("ok", {"AT<CR> OK"});
    Config::instance().set_last_port(2);  // no such port: the search moves on to port 1
    makeTester();
    m_tester->start();
    // The port is stored by the search just before the command phase is armed.
    ASSERT_TRUE(runUntil([&] { return Config::instance().last_port() == 1; }));
    m_tester->stop();
    ASSERT_TRUE(runUntil([&] { return m_finished >= 1; }));
    processPending();
    EXPECT_EQ(m_finished, 1);
    EXPECT_EQ(lastRow(), ru("Тестирование завершено."_cp1251));
    // No command of the list reached the modem: only the search's "AT".
    for (const std::string& line : m_modem->stats().commandLines) {
        EXPECT_EQ(line, "AT");
    }
}

TEST_F(ModemTesterTest, AnEmptyListIsReportedAndThePortIsStillStored) {
    startModem();
    writeList("empty", {});
    makeTester();
    runToEnd();
    EXPECT_TRUE(
        m_messages.contains(ru("Список команд пуст (файл не найден или неверный формат)."_cp1251)));
    EXPECT_EQ(lastRow(), ru("Тестирование завершено."_cp1251));
    EXPECT_EQ(Config::instance().last_port(), 1);
}

TEST_F(ModemTesterTest, NoListAtAllWarnsAndTheRunGoesOn) {
    startModem();
    makeTester();
    runToEnd();
    EXPECT_EQ(m_messages.rows.front(), ru("Внимание: не задан файл с списком команд"_cp1251));
    EXPECT_EQ(lastRow(), ru("Тестирование завершено."_cp1251));
}

TEST_F(ModemTesterTest, AModemUnpluggedAmidTheListEndsTheRunWithThePortError) {
    startModem();
    writeList("long", {"AT<CR> OK", "ATI<CR> OK 5000", "AT<CR> OK", "AT<CR> OK"});
    makeTester();
    m_tester->start();
    ASSERT_TRUE(runUntil([&] { return m_messages.contains("AT\r: OK"); }));
    m_modem->unplug();
    ASSERT_TRUE(runUntil([&] { return m_finished == 1; }));
    processPending();
    const std::vector<std::string>& rows = m_messages.rows;
    ASSERT_GE(rows.size(), 4u);
    const std::vector<std::string> tail(rows.end() - 4, rows.end());
    EXPECT_TRUE(tail[0].starts_with(ru("Ошибка при"_cp1251))) << tail[0];
    EXPECT_EQ(tail[1], ru("ATI\r: Ошибка"_cp1251));
    EXPECT_EQ(tail[2], ru("Выполнено 2 команд (OK 1, ошибок 1)."_cp1251));
    EXPECT_EQ(tail[3], ru("Тестирование завершено с ошибками."_cp1251));
    // The released facade delivers nothing more.
    processPending();
    EXPECT_EQ(m_messages.rows.size(), rows.size());
    EXPECT_EQ(m_finished, 1);
}

// ModemManager (without a lock, as root is not kept out by its exclusive mode) shares the
// run's port with a program that merely has it open; another program locks the port between
// the search and the command phase.
TEST_F(ModemTesterTest, OtherProgramsOnTheRunsPortAreReportedByNameAndPid) {
    startModem();
    writeList("ok", {"AT<CR> OK"});
    const std::string device = m_modem->slavePath();
    const testsupport::DeviceHolder watcher(m_app.path(), "watcher", device, false);
    const testsupport::DeviceHolder manager(m_app.path(), "ModemManager", device, false);
    Config::instance().set_last_port(2);  // no such port: the search moves on to port 1
    makeTester();
    m_tester->start();
    // The search has let the port go and stored it; the command phase is yet to open it.
    ASSERT_TRUE(runUntil([&] { return Config::instance().last_port() == 1; }));
    const testsupport::DeviceHolder terminal(m_app.path(), "terminal", device, true);
    ASSERT_TRUE(runUntil([&] { return m_finished == 1; }));
    processPending();

    const std::string warning = platform::utf8ToCp1251(
        "Внимание: порт 1 (" + device + ") открыт также программой ModemManager (PID " +
        std::to_string(manager.pid()) + "); ответы модема могут перемешаться.");
    const std::string reason =
        platform::utf8ToCp1251("Порт 1: " + device + " занят программой terminal (PID " +
                               std::to_string(terminal.pid()) + ").");
    const std::vector<std::string>& rows = m_messages.rows;
    ASSERT_GE(rows.size(), 5u);
    EXPECT_EQ(
        std::vector<std::string>(rows.end() - 5, rows.end()),
        (std::vector<std::string>{ru("Проверка порта 1. Скорость 115200. Модем найден."_cp1251),
                                  warning, ru("Не удалось открыть порт 1, скорость 115200"_cp1251),
                                  reason, ru("Тестирование завершено."_cp1251)}));
    EXPECT_TRUE(m_lines.contains("!!! " + warning));
    EXPECT_TRUE(m_lines.contains("!!! " + reason));
}

}  // namespace
