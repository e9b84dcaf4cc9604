// Whole test runs against the simulated modem: search, command phase, summary, stops.

#include "tester/modem_tester.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common_storage/config.h"
#include "platform/cp1251.h"
#include "sim/sim_modem.h"
#include "tester/command_list_files.h"
#include "tests/support/child_process.h"
#include "tests/support/file_bytes.h"
#include "tests/support/port_links.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ui_thread_fixture.h"

using namespace platform::literals;

namespace {

// The message table and the exchange log as the controller sees them: messages come on the
// user-interface thread, exchange lines from the port's threads.
class Views : public InfoViewerI, public ExchangeLogViewerI {
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
    void addLine(const std::string& line) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.push_back(line);
    }
    bool logged(const std::string& line) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return std::find(m_lines.begin(), m_lines.end(), line) != m_lines.end();
    }

    std::vector<std::string> rows;

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

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

    void makeTester() {
        m_tester = std::make_unique<ModemTester>(m_messages);
        m_tester->onFinished = [this] { ++m_finished; };
        m_tester->setExchangeLogWindow(&m_messages);
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
    Views m_messages;
    std::unique_ptr<ModemTester> m_tester;
    int m_finished = 0;
};

// A second start only warns; a stop during the search ends the run once, without a count;
// destroying the controller during the search ends it cleanly.
TEST_F(ModemTesterTest, ASecondStartOnlyWarnsAndAStopOrTheEndDuringTheSearchEndsTheRunOnce) {
    sim::SimOptions options;
    options.faults.silent = true;  // the search goes on until it is stopped
    startModem(options);
    testsupport::writeCommandList(m_app.path(), "ok", {"AT<CR> OK"});
    makeTester();
    m_tester->start();
    m_tester->start();
    EXPECT_TRUE(m_messages.contains("Не завершен предыдущий тест"_cp1251));
    ASSERT_TRUE(runUntil([&] { return m_modem->stats().linesReceived > 0; }));  // searching
    m_tester->stop();
    ASSERT_TRUE(runUntil([&] { return m_finished == 1; }));
    processPending();
    EXPECT_TRUE(m_messages.contains("Тестирование прервано пользователем."_cp1251));
    EXPECT_EQ(lastRow(), "Тестирование завершено."_cp1251);
    for (const std::string& row : m_messages.rows) {
        EXPECT_FALSE(row.starts_with("Выполнено"_cp1251));
    }
    EXPECT_EQ(m_finished, 1);

    m_messages.rows.clear();
    m_tester->start();
    ASSERT_TRUE(runUntil([&] { return !m_messages.rows.empty(); }));  // the search is on
    m_tester.reset();  // the program closes while the job thread searches
    EXPECT_TRUE(m_messages.contains("Тестирование прервано пользователем."_cp1251));
    EXPECT_EQ(m_finished, 1);  // the owner is told nothing once destruction began
}

TEST_F(ModemTesterTest, StopRightAfterTheModemWasFoundEndsTheRunOnce) {
    startModem();
    testsupport::writeCommandList(m_app.path(), "ok", {"AT<CR> OK"});
    Config::instance().set_last_port(2);  // no such port: the search moves on to port 1
    makeTester();
    m_tester->start();
    // The port is stored by the search just before the command phase is armed.
    ASSERT_TRUE(runUntil([&] { return Config::instance().last_port() == 1; }));
    m_tester->stop();
    ASSERT_TRUE(runUntil([&] { return m_finished >= 1; }));
    processPending();
    EXPECT_EQ(m_finished, 1);
    EXPECT_EQ(lastRow(), "Тестирование завершено."_cp1251);
    // No command of the list reached the modem: only the search's "AT".
    for (const std::string& line : m_modem->stats().commandLines) {
        EXPECT_EQ(line, "AT");
    }
}

// Without commands the run still searches; what it lacks is reported.
TEST_F(ModemTesterTest, NoListOrAnEmptyListIsReportedAndTheRunGoesOn) {
    startModem();
    makeTester();
    runToEnd();
    EXPECT_EQ(m_messages.rows.front(), "Внимание: не задан файл с списком команд"_cp1251);
    EXPECT_EQ(lastRow(), "Тестирование завершено."_cp1251);

    testsupport::writeCommandList(m_app.path(), "empty", {});
    m_tester->setCommandListFile("empty");
    runToEnd();
    EXPECT_TRUE(
        m_messages.contains("Список команд пуст (файл не найден или неверный формат)."_cp1251));
    EXPECT_EQ(lastRow(), "Тестирование завершено."_cp1251);
}

// The port error ends the run; the commands still queued on the released facade report
// nothing more.
TEST_F(ModemTesterTest, AModemUnpluggedAmidTheListEndsTheRunOnce) {
    startModem();
    testsupport::writeCommandList(m_app.path(), "long",
                                  {"AT<CR> OK", "ATI<CR> OK 5000", "AT<CR> OK", "AT<CR> OK"});
    makeTester();
    m_tester->start();
    ASSERT_TRUE(runUntil([&] { return m_messages.contains("AT\r: OK"); }));
    m_modem->unplug();
    ASSERT_TRUE(runUntil([&] { return m_finished == 1; }));
    processPending();
    const std::size_t rows = m_messages.rows.size();
    EXPECT_EQ(lastRow(), "Тестирование завершено с ошибками."_cp1251);
    processPending();
    EXPECT_EQ(m_messages.rows.size(), rows);
    EXPECT_EQ(m_finished, 1);
}

// ModemManager (without a lock, as root is not kept out by its exclusive mode) shares the
// run's port with a program that merely has it open; another program locks the port between
// the search and the command phase.
TEST_F(ModemTesterTest, OtherProgramsOnTheRunsPortAreReportedByNameAndPid) {
    startModem();
    testsupport::writeCommandList(m_app.path(), "ok", {"AT<CR> OK"});
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
    EXPECT_EQ(std::vector<std::string>(rows.end() - 5, rows.end()),
              (std::vector<std::string>{
                  std::string("Проверка порта 1. Скорость 115200. Модем найден."_cp1251), warning,
                  std::string("Не удалось открыть порт 1, скорость 115200"_cp1251), reason,
                  std::string("Тестирование завершено."_cp1251)}));
    EXPECT_TRUE(m_messages.logged("!!! " + warning));
    EXPECT_TRUE(m_messages.logged("!!! " + reason));
}

}  // namespace
