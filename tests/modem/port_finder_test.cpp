#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "modem/port_finder_ext.h"
#include "platform/cp1251.h"
#include "sim/sim_modem.h"
#include "tests/modem/finder_support.h"
#include "tests/support/port_links.h"
#include "tests/support/pty_pair.h"

using namespace platform::literals;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

using Calls = std::vector<finder_test::RecordingViewer::Call>;

constexpr auto kGenerous = milliseconds(20000);

// The default rates with a short wait where no answer is expected, so that silent ports
// cost little; an answering rate ends its wait at the answer anyway.
BaudrateParams quickRates(std::vector<std::int32_t> rates, std::int32_t waitMs = 300) {
    BaudrateParams list;
    for (const std::int32_t rate : rates) {
        list.emplace_back(rate, waitMs);
    }
    return list;
}

// The output rate a terminal device is set to, read through a descriptor of its own.
speed_t deviceSpeed(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    EXPECT_GE(fd, 0);
    termios settings{};
    EXPECT_EQ(::tcgetattr(fd, &settings), 0);
    ::close(fd);
    return ::cfgetospeed(&settings);
}

class PortFinderTest : public ::testing::Test {
protected:
    PortFinderTest() {
        m_finder.set_serial_roots(m_folder.roots());
        m_finder.set_viewer(&m_viewer);
        m_finder.set_exchange_log(&m_log);
    }

    // A simulated modem linked as port number; options.bauds limits the rates it hears.
    sim::SimModem& addModem(int number, sim::SimOptions options = {}) {
        m_modems.push_back(std::make_unique<sim::SimModem>(std::move(options)));
        m_modems.back()->start();
        m_modems.back()->linkAs(m_folder.path(), number);
        return *m_modems.back();
    }
    sim::SimModem& addModemAt(int number, std::uint32_t baud) {
        sim::SimOptions options;
        options.bauds = {baud};
        return addModem(number, options);
    }
    // A modem that hears nothing at any rate.
    sim::SimModem& addDeafModem(int number) {
        sim::SimOptions options;
        options.faults.silent = true;
        return addModem(number, options);
    }

    std::future<bool> findAsync(std::int32_t lastPort, std::int32_t lastBaud) {
        return std::async(std::launch::async,
                          [this, lastPort, lastBaud] { return m_finder.find(lastPort, lastBaud); });
    }

    finder_test::LinkedPortsFolder m_folder;
    finder_test::RecordingViewer m_viewer;
    finder_test::RecordingLog m_log;
    std::vector<std::unique_ptr<sim::SimModem>> m_modems;
    PortFinderExt m_finder;  // goes before the modems and recorders it uses
};

TEST_F(PortFinderTest, FindsTheModemOnTheSecondPortAtTheRateItHearsWithOneLinePerPort) {
    addDeafModem(1);
    addModemAt(3, 9600);
    m_finder.set_baud_list(quickRates({115200, 9600, 57600}));

    EXPECT_TRUE(m_finder.find(1, 115200));
    EXPECT_EQ(m_finder.found_port(), 3);
    EXPECT_EQ(m_finder.found_baud(), 9600);
    EXPECT_EQ(m_viewer.lines(),
              (std::vector<std::string>{"Проверка порта 1. Модем не найден.",
                                        "Проверка порта 3. Скорость 9600. Модем найден."}));
    EXPECT_EQ(m_viewer.calls(), (Calls{{"Проверка порта 1", true},
                                       {"Проверка порта 1. Скорость 115200", false},
                                       {"Проверка порта 1. Скорость 9600", false},
                                       {"Проверка порта 1. Скорость 57600", false},
                                       {"Проверка порта 1. Модем не найден.", false},
                                       {"Проверка порта 3", true},
                                       {"Проверка порта 3. Скорость 115200", false},
                                       {"Проверка порта 3. Скорость 9600", false},
                                       {"Проверка порта 3. Скорость 9600. Модем найден.", false}}));
    // The texts leave the finder in the system's code page.
    EXPECT_EQ(m_viewer.raw().back(), "Проверка порта 3. Скорость 9600. Модем найден."_cp1251);
    // Every try went through the exchange log: three rates on port 1, two on port 3.
    EXPECT_EQ(m_log.writes(), std::vector<std::string>(5, "AT\r"));
    EXPECT_EQ(m_log.reads(), "AT\r\r\nOK\r\n");
}

TEST_F(PortFinderTest, TheDefaultPlanFindsAModemThatAnswersInDigits) {
    sim::SimOptions numeric;
    numeric.profile.verbose = false;
    addModem(2, numeric);

    EXPECT_TRUE(m_finder.find(0, 0));
    EXPECT_EQ(m_finder.found_port(), 2);
    EXPECT_EQ(m_finder.found_baud(), 115200);
    EXPECT_EQ(m_log.reads(), "AT\r0\r");
    EXPECT_EQ(m_viewer.lines(),
              std::vector<std::string>{"Проверка порта 2. Скорость 115200. Модем найден."});
}

TEST_F(PortFinderTest, OnlyOnePortTriesTheLastPortEvenWhenItIsMissingAndKeepsTheLastFind) {
    sim::SimModem& modem = addModem(3);
    m_finder.set_only_one_port(true);

    EXPECT_FALSE(m_finder.find(5, 0));
    const std::string reason =
        "Порт 5: устройство " + (m_folder.path() / "ports" / "com5").string() + " отсутствует.";
    EXPECT_EQ(
        m_viewer.calls(),
        (Calls{{"Проверка порта 5", true}, {"Не удалось открыть порт 5.", false}, {reason, true}}));
    // The reason goes to the exchange log as well, where a "<<<" line would have been.
    EXPECT_EQ(m_log.events(), std::vector<std::string>{"!" + platform::utf8ToCp1251(reason)});
    EXPECT_EQ(modem.stats().bytesReceived, 0u);  // the listed port 3 was left alone

    EXPECT_TRUE(m_finder.find(3, 0));
    EXPECT_FALSE(m_finder.find(5, 0));
    EXPECT_EQ(m_finder.found_port(), 3);  // a failed search does not forget the last find
    EXPECT_EQ(m_finder.found_baud(), 115200);
    EXPECT_EQ(m_viewer.lines().back(), reason);
}

TEST_F(PortFinderTest, ACancelFromAnotherThreadEndsTheWaitAndTheSearch) {
    addDeafModem(2);
    sim::SimModem& other = addModem(3);
    // At 57600 the wait would be far longer than the test may take.
    BaudrateParams list = quickRates({115200, 9600, 57600, 38400});
    list[2].answerWaitMs = 60000;
    m_finder.set_baud_list(list);

    const auto start = Clock::now();
    std::future<bool> search = findAsync(2, 0);
    // The third write is the command at 57600: its answer wait is about to begin.
    ASSERT_TRUE(m_log.waitForEvents(3, '>', kGenerous));
    m_finder.cancel();
    ASSERT_EQ(search.wait_for(kGenerous), std::future_status::ready);
    EXPECT_FALSE(search.get());
    EXPECT_LT(Clock::now() - start, kGenerous);

    // The check of port 2 ended before 38400, without a verdict; port 3 was never tried.
    EXPECT_EQ(m_viewer.lines(), (std::vector<std::string>{"Проверка порта 2. Скорость 57600",
                                                          "Тестирование прервано пользователем."}));
    EXPECT_EQ(m_viewer.calls().back(),
              (finder_test::RecordingViewer::Call{"Тестирование прервано пользователем.", true}));
    EXPECT_EQ(m_log.writes().size(), 3u);
    EXPECT_EQ(other.stats().bytesReceived, 0u);

    // The request stays until cleared: a search begun after a stop sends nothing.
    EXPECT_FALSE(m_finder.find(3, 0));
    EXPECT_EQ(other.stats().bytesReceived, 0u);
    m_finder.clear_cancel();
    EXPECT_TRUE(m_finder.find(3, 0));
    EXPECT_EQ(m_finder.found_port(), 3);
}

TEST_F(PortFinderTest, ACancelBetweenPortsEndsTheSearchBeforeTheNextPort) {
    addDeafModem(1);
    sim::SimModem& other = addModem(2);
    m_finder.set_baud_list(quickRates({9600}));
    m_viewer.setHook([this](const std::string& text) {
        if (text == "Проверка порта 1. Модем не найден.") {
            m_finder.cancel();
        }
    });

    EXPECT_FALSE(m_finder.find(0, 0));
    EXPECT_EQ(m_viewer.lines(), (std::vector<std::string>{"Проверка порта 1. Модем не найден.",
                                                          "Тестирование прервано пользователем."}));
    EXPECT_EQ(other.stats().bytesReceived, 0u);
}

TEST_F(PortFinderTest, APortFoundAtASlowRateIsLeftAt115200AndAFastOneAsFound) {
    sim::SimModem& slow = addModemAt(1, 2400);
    sim::SimModem& fast = addModemAt(2, 38400);
    m_finder.set_only_one_port(true);

    EXPECT_TRUE(m_finder.find(1, 2400));  // the last rate is tried first
    EXPECT_EQ(m_finder.found_baud(), 2400);
    EXPECT_EQ(deviceSpeed(slow.slavePath()), B115200);

    EXPECT_TRUE(m_finder.find(2, 38400));
    EXPECT_EQ(m_finder.found_baud(), 38400);
    EXPECT_EQ(deviceSpeed(fast.slavePath()), B38400);
}

// The test plays the modem itself: output on the line is held back while the first
// command is written, so its write fails as a port error; the line is let go just before
// the second command, which is then answered.
TEST_F(PortFinderTest, AFirstCommandThatRaisesAPortErrorDoesNotKeepTheSecondFromBeingSent) {
    testsupport::PtyPair line;
    testsupport::linkPort(m_folder.path(), 1, line.slavePath());
    AtCmdParamMtList commands;
    commands.emplace_back("AT\r", "OK");
    commands.emplace_back("ATE0\r", "OK");
    m_finder.set_search_commands(commands);
    m_finder.set_baud_list(quickRates({115200}, 10000));
    m_log.setWriteHook([&line](const std::string& bytes) {
        if (bytes == "AT\r") {
            ASSERT_EQ(::tcflow(line.heldSlave(), TCOOFF), 0);
        } else {
            ASSERT_EQ(::tcflow(line.heldSlave(), TCOON), 0);
            ASSERT_TRUE(line.write("\r\nOK\r\n"));
        }
    });

    EXPECT_TRUE(m_finder.find(1, 0));
    EXPECT_EQ(m_log.writes(), (std::vector<std::string>{"AT\r", "ATE0\r"}));
    EXPECT_EQ(line.readAvailable(), "ATE0\r");  // the first never reached the line
    EXPECT_EQ(m_viewer.lines().back(), "Проверка порта 1. Скорость 115200. Модем найден.");
}

}  // namespace
