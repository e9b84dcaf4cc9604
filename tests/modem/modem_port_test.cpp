#include "modem/modem_port.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "modem/adjusted_at_cmd.h"
#include "platform/cp1251.h"
#include "platform/system_error.h"
#include "tests/support/debug_capture.h"
#include "tests/support/port_links.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"
#include "tools/common_static_log_kav.h"

using namespace platform::literals;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

constexpr int kPort = 3;

// Records the exchange copies in order.
class RecordingLog : public ExchangeLog {
public:
    void onRead(const char* data, std::uint32_t length) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_events.push_back("<" + std::string(data, length));
    }
    void onWrite(const char* data, std::uint32_t length) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_events.push_back(">" + std::string(data, length));
    }
    std::vector<std::string> events() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_events;
    }
    // Waits until at least count copies have been made (the exchange thread's progress).
    void waitForEvents(std::size_t count) const {
        while (events().size() < count) {
            std::this_thread::yield();
        }
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_events;
};

// The test plays the modem on the master side of a pseudo-terminal linked as ports/com3.
class ModemPortTest : public ::testing::Test {
protected:
    ModemPortTest() {
        testsupport::linkPort(m_app.path(), kPort, m_pty.slavePath());
        m_port = std::make_unique<ModemPort>(kPort, 115200, 8, 1, false, true);
        m_port->set_exchange_log(&m_log);
    }

    // Runs execute on another thread; the future carries its exception, if any.
    std::future<void> executeAsync(InquiryCmd& cmd) {
        return std::async(std::launch::async, [this, &cmd] { m_port->execute(cmd); });
    }

    testsupport::TempAppFolder m_app;
    testsupport::PtyPair m_pty;
    RecordingLog m_log;
    std::unique_ptr<ModemPort> m_port;
};

TEST_F(ModemPortTest, WritesAfterTheDelayAndCollectsTheAnswerUntilARuleMatches) {
    ASSERT_TRUE(m_port->is_open());
    AdjustedAtCmd cmd("AT\r", "\r\nOK\r\n", 2000);
    cmd.set_delay_before(200);
    const auto start = Clock::now();
    auto done = executeAsync(cmd);
    EXPECT_EQ(m_pty.read(3), "AT\r");
    EXPECT_GE(Clock::now() - start, milliseconds(200));
    ASSERT_TRUE(m_pty.write("AT\r\r\nO"));
    ASSERT_TRUE(m_pty.write("K\r\n"));
    done.get();
    EXPECT_TRUE(cmd.is_complete());
    EXPECT_TRUE(cmd.result());
    EXPECT_EQ(cmd.full_answer(), "AT\r\r\nOK\r\n");
    const std::vector<std::string> events = m_log.events();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events.front(), ">AT\r");
    std::string received;
    for (std::size_t i = 1; i < events.size(); ++i) {
        ASSERT_EQ(events[i][0], '<');
        received += events[i].substr(1);
    }
    EXPECT_EQ(received, "AT\r\r\nOK\r\n");
}

TEST_F(ModemPortTest, AnEmptyCommandWritesNothingAndStillWaitsForItsAnswer) {
    AdjustedAtCmd cmd("", "RING", 5000);
    ASSERT_TRUE(m_pty.write("\r\nRING\r\n"));
    m_port->execute(cmd);
    EXPECT_TRUE(cmd.is_complete());
    EXPECT_TRUE(cmd.result());
    EXPECT_EQ(m_pty.readAvailable(), "");
    EXPECT_EQ(m_log.events(), std::vector<std::string>{"<\r\nRING\r\n"});
}

TEST_F(ModemPortTest, ACommandWithoutRulesIsWrittenAndNotAnsweredFor) {
    AdjustedAtCmd cmd("ATH\r", "", 10000);
    ASSERT_TRUE(m_pty.write("late bytes"));
    const auto start = Clock::now();
    m_port->execute(cmd);
    EXPECT_LT(Clock::now() - start, milliseconds(2000));
    EXPECT_TRUE(cmd.is_complete());
    EXPECT_FALSE(cmd.result());
    EXPECT_EQ(cmd.full_answer(), "");  // nothing was read
    EXPECT_EQ(m_pty.read(4), "ATH\r");
}

TEST_F(ModemPortTest, AnUnansweredCommandEndsAfterItsTimeoutKeepingWhatArrived) {
    AdjustedAtCmd cmd("AT\r", "\r\nOK\r\n", 300);
    ASSERT_TRUE(m_pty.write("\r\nO"));
    const auto start = Clock::now();
    m_port->execute(cmd);
    const auto took = Clock::now() - start;
    EXPECT_GE(took, milliseconds(300));
    EXPECT_LT(took, milliseconds(2000));
    EXPECT_FALSE(cmd.is_complete());
    EXPECT_FALSE(cmd.result());
    EXPECT_EQ(cmd.full_answer(), "\r\nO");
}

TEST_F(ModemPortTest, TracesCutWrittenBytesAtNulAndSkipLongReads) {
    SimpleUtils::LogOut* previous = nullptr;
    testsupport::DebugCapture capture;
    CommonStaticLogKav::release();
    // A sink that lets level-0 lines through, so the exchange traces become visible.
    previous =
        CommonStaticLogKav::instance(CommonStaticLogKav::LogOut_DebugOutput, "port", nullptr, 0);
    ASSERT_NE(previous, nullptr);

    ATCmd cmd;
    cmd.set_command(std::string("AT\0Z\r", 5));
    cmd.add_complete_rule("14 bytes", true);  // judged once the line is finished
    cmd.set_answer_timeout(5000);
    auto done = executeAsync(cmd);
    EXPECT_EQ(m_pty.read(5), std::string("AT\0Z\r", 5));
    ASSERT_TRUE(m_pty.write("14 bytes here\n"));
    m_log.waitForEvents(2);  // the first chunk is read alone before the long one is sent
    ASSERT_TRUE(m_pty.write("twenty bytes, done\r\n"));
    done.get();
    CommonStaticLogKav::release();

    std::vector<std::string> traces;
    for (const std::string& line : capture.lines()) {
        if (line.find("ModemPort.") != std::string::npos) {
            traces.push_back(line);
        }
    }
    ASSERT_EQ(traces.size(), 2u);
    EXPECT_NE(traces[0].find("ModemPort. Write: data=AT len=5\n"), std::string::npos);
    EXPECT_NE(traces[1].find("ModemPort. Read: data=14 bytes here\n len=14\n"), std::string::npos);
    const std::vector<std::string> events = m_log.events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0], ">" + std::string("AT\0Z\r", 5));
    EXPECT_EQ(events[2], "<twenty bytes, done\r\n");
}

TEST_F(ModemPortTest, StopFromAnotherThreadEndsTheWaitWithoutAnError) {
    AdjustedAtCmd cmd("AT\r", "\r\nOK\r\n", 10000);
    auto done = executeAsync(cmd);
    EXPECT_EQ(m_pty.read(3), "AT\r");  // the exchange is past its start
    const auto start = Clock::now();
    m_port->stop();
    EXPECT_EQ(done.wait_for(std::chrono::seconds(2)), std::future_status::ready);
    EXPECT_NO_THROW(done.get());
    EXPECT_LT(Clock::now() - start, milliseconds(2000));
    EXPECT_FALSE(cmd.is_complete());

    // A stop left over from the last exchange does not cut the next one short.
    AdjustedAtCmd next("AT\r", "\r\nOK\r\n", 5000);
    ASSERT_TRUE(m_pty.write("\r\nOK\r\n"));
    m_port->execute(next);
    EXPECT_TRUE(next.is_complete());
}

TEST_F(ModemPortTest, StopReleasesAWriteThatTheLineRefuses) {
    // Far more than the line holds: without a stop the write would wait forever, as it
    // does while a modem holds CTS low.
    std::string block(1 << 20, 'x');
    AdjustedAtCmd cmd(block, "OK", 10000);
    auto done = executeAsync(cmd);
    m_log.waitForEvents(1);  // the write has begun
    m_port->stop();
    EXPECT_EQ(done.wait_for(std::chrono::seconds(2)), std::future_status::ready);
    EXPECT_NO_THROW(done.get());
    EXPECT_FALSE(cmd.is_complete());
}

TEST_F(ModemPortTest, AnUnpluggedDeviceRaisesTheReadErrorWithTheSystemText) {
    AdjustedAtCmd cmd("AT\r", "\r\nOK\r\n", 10000);
    auto done = executeAsync(cmd);
    EXPECT_EQ(m_pty.read(3), "AT\r");
    ASSERT_TRUE(m_pty.write("\r\nO"));
    m_log.waitForEvents(2);
    m_pty.hangUp();
    try {
        done.get();
        FAIL() << "no error raised";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), std::string("Ошибка при чтении из порта "_cp1251) +
                                                 platform::systemErrorText(EIO));
    }
    EXPECT_EQ(cmd.full_answer(), "\r\nO");  // kept what came before the failure
}

TEST(ModemPortErrors, APortThatDidNotOpenFailsAtItsFirstWrite) {
    testsupport::TempAppFolder app;
    testsupport::linkPort(app.path(), 9, app.path() / "no-such-device");
    ModemPort port(9, 115200, 8, 1, false, true);
    EXPECT_FALSE(port.is_open());
    AdjustedAtCmd cmd("AT\r", "OK", 100);
    try {
        port.execute(cmd);
        FAIL() << "no error raised";
    } catch (const std::runtime_error& error) {
        EXPECT_TRUE(std::string(error.what()).starts_with("Ошибка при записи в порт "_cp1251));
        EXPECT_GT(std::string(error.what()).size(), "Ошибка при записи в порт "_cp1251.size());
    }
}

TEST(ModemPortFiles, ConstructionRemovesTheStaleCaptureAndNothingElse) {
    testsupport::TempAppFolder app;
    for (const char* name : {"modem.dat", "modem.log", "other.dat"}) {
        std::ofstream(app.path() / name) << "x";
    }
    std::filesystem::create_directories(app.path() / "ports");
    std::ofstream(app.path() / "ports" / "links-only").flush();
    ModemPort port(500, 115200, 8, 1, false, true);
    EXPECT_FALSE(std::filesystem::exists(app.path() / "modem.dat"));
    EXPECT_TRUE(std::filesystem::exists(app.path() / "modem.log"));
    EXPECT_TRUE(std::filesystem::exists(app.path() / "other.dat"));
}

}  // namespace
