#include "modem/modem_port.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "modem/adjusted_at_cmd.h"
#include "sim/flood_pattern.h"
#include "tests/modem/finder_support.h"
#include "tests/support/debug_capture.h"
#include "tests/support/port_links.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

constexpr int kPort = 3;

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
    finder_test::RecordingLog m_log;
    std::unique_ptr<ModemPort> m_port;
};

TEST_F(ModemPortTest, AnEmptyCommandWritesNothingAndACommandWithoutRulesWaitsForNothing) {
    AdjustedAtCmd listen("", "RING", 5000);
    ASSERT_TRUE(m_pty.write("\r\nRING\r\n"));
    m_port->execute(listen);
    EXPECT_TRUE(listen.is_complete());
    EXPECT_TRUE(listen.result());
    EXPECT_EQ(m_pty.readAvailable(), "");
    EXPECT_EQ(m_log.events(), std::vector<std::string>{"<\r\nRING\r\n"});

    AdjustedAtCmd hangUp("ATH\r", "", 10000);
    ASSERT_TRUE(m_pty.write("late bytes"));
    const auto start = Clock::now();
    m_port->execute(hangUp);
    EXPECT_LT(Clock::now() - start, milliseconds(2000));
    EXPECT_TRUE(hangUp.is_complete());
    EXPECT_FALSE(hangUp.result());
    EXPECT_EQ(hangUp.full_answer(), "");  // nothing was read
    EXPECT_EQ(m_pty.read(4), "ATH\r");
}

TEST_F(ModemPortTest, TracesCutWrittenBytesAtNulAndSkipLongReads) {
    testsupport::TraceCapture traces;
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

    EXPECT_EQ(traces.containing("ModemPort."),
              (std::vector<std::string>{"ModemPort. Write: data=AT len=5\n",
                                        "ModemPort. Read: data=14 bytes here\n len=14\n"}));
    EXPECT_EQ(m_log.events(),
              (std::vector<std::string>{">" + std::string("AT\0Z\r", 5), "<14 bytes here\n",
                                        "<twenty bytes, done\r\n"}));
}

// A list command: a late answer waiting on the line is read out before the write, and bytes
// after the write but ahead of the echo are stray too; neither is judged nor is the former
// part of the answer.
TEST_F(ModemPortTest, AListCommandShowsALateAnswerAsStrayAndJudgesOnlyItsOwnReply) {
    ASSERT_TRUE(m_pty.write("\r\nOK\r\n"));
    AdjustedAtCmd cmd("AT+NOSUCH\r", "OK", 10000);
    cmd.set_own_reply_only(true);
    auto done = executeAsync(cmd);
    EXPECT_EQ(m_pty.read(10), "AT+NOSUCH\r");
    ASSERT_TRUE(m_pty.write("\r\nRING\r\nAT+NOSUCH\r\r\nERROR\r\n"));
    m_log.waitForEvents(4);
    ASSERT_TRUE(m_pty.write("\r\nOK\r\n"));
    done.get();
    EXPECT_TRUE(cmd.is_complete() && cmd.result());
    EXPECT_EQ(cmd.full_answer(), "\r\nRING\r\nAT+NOSUCH\r\r\nERROR\r\n\r\nOK\r\n");
    EXPECT_EQ(m_log.events(),
              (std::vector<std::string>{"-\r\nOK\r\n", ">AT+NOSUCH\r", "-\r\nRING\r\n",
                                        "<AT+NOSUCH\r\r\nERROR\r\n", "<\r\nOK\r\n"}));
}

// A flooding modem: the log shows the first 64 KiB of the answer as it comes, then the count
// of the bytes left out and the last 64 KiB.
TEST_F(ModemPortTest, TheLogShowsTheEndsOfALongAnswerAndTheCountBetween) {
    AdjustedAtCmd cmd("AT\r", "\r\nEND\r\n", 20000);
    auto done = executeAsync(cmd);
    EXPECT_EQ(m_pty.read(3), "AT\r");
    const std::string answer = sim::FloodPattern::slice(0, 300 * 1024) + "\r\nEND\r\n";
    ASSERT_TRUE(m_pty.write(answer, std::chrono::seconds(20)));
    done.get();
    EXPECT_TRUE(cmd.result());
    std::string shown;
    for (const std::string& event : m_log.events()) {
        shown += event[0] == '~' ? "[" + event.substr(1) + "]" : event.substr(1);
    }
    const std::size_t head = KeptAnswer::kHeadBytes;
    const std::size_t tail = KeptAnswer::kTailBytes;
    EXPECT_EQ(shown, "AT\r" + answer.substr(0, head) + "[" +
                         std::to_string(answer.size() - head - tail) + "]" +
                         answer.substr(answer.size() - tail));
}

TEST_F(ModemPortTest, AFloodingModemCannotKeepTheExchangePastItsAnswerWait) {
    std::atomic<bool> flooding{true};
    std::thread modem([&] {
        while (flooding) {
            m_pty.write(std::string(512, 'F'), milliseconds(50));
        }
    });
    AdjustedAtCmd cmd("AT\r", "never sent", 300);
    const auto start = Clock::now();
    m_port->execute(cmd);
    EXPECT_LT(Clock::now() - start, milliseconds(3000));
    flooding = false;
    modem.join();
    EXPECT_FALSE(cmd.is_complete());
    EXPECT_GT(cmd.full_answer().size(), 0u);
}

TEST_F(ModemPortTest, StopFromAnotherThreadEndsTheWaitOrTheRefusedWriteWithoutAnError) {
    AdjustedAtCmd cmd("AT\r", "\r\nOK\r\n", 10000);
    auto done = executeAsync(cmd);
    EXPECT_EQ(m_pty.read(3), "AT\r");  // the exchange is past its start
    m_port->stop();
    EXPECT_EQ(done.wait_for(std::chrono::seconds(2)), std::future_status::ready);
    EXPECT_NO_THROW(done.get());
    EXPECT_FALSE(cmd.is_complete());

    // A stop left over from the last exchange does not cut the next one short.
    AdjustedAtCmd next("AT\r", "\r\nOK\r\n", 5000);
    ASSERT_TRUE(m_pty.write("\r\nOK\r\n"));
    m_port->execute(next);
    EXPECT_TRUE(next.is_complete());

    // Far more than the line holds: without a stop the write would wait for seconds, as it
    // does while a modem holds CTS low.
    AdjustedAtCmd block(std::string(1 << 20, 'x'), "OK", 10000);
    done = executeAsync(block);
    m_log.waitForEvents(3, '>');  // the write has begun
    m_port->stop();
    EXPECT_EQ(done.wait_for(std::chrono::seconds(2)), std::future_status::ready);
    EXPECT_NO_THROW(done.get());
    EXPECT_FALSE(block.is_complete());
}

// Halted from another thread during its delay, a command is not written, and neither is any
// later one until the port is resumed.
TEST_F(ModemPortTest, AHaltEndsTheDelayAndKeepsLaterCommandsOffTheLineUntilResumed) {
    AdjustedAtCmd cmd("AT\r", "\r\nOK\r\n", 10000);
    cmd.set_delay_before(30000);
    std::future<bool> sent = std::async(std::launch::async, [&] { return m_port->execute(cmd); });
    m_port->halt();
    ASSERT_EQ(sent.wait_for(std::chrono::seconds(2)), std::future_status::ready);
    EXPECT_FALSE(sent.get());
    cmd.set_delay_before(0);
    EXPECT_FALSE(m_port->execute(cmd));
    EXPECT_EQ(m_pty.readAvailable(), "");
    m_port->resume();
    ASSERT_TRUE(m_pty.write("\r\nOK\r\n"));
    EXPECT_TRUE(m_port->execute(cmd));
    EXPECT_TRUE(cmd.result());
}

TEST(ModemPortFiles, ConstructionRemovesTheStaleCaptureAndNothingElse) {
    testsupport::TempAppFolder app;
    for (const char* name : {"modem.dat", "modem.log", "other.dat"}) {
        std::ofstream(app.path() / name) << "x";
    }
    testsupport::linkPort(app.path(), 1, "/nonexistent");
    ModemPort port(500, 115200, 8, 1, false, true);
    EXPECT_FALSE(std::filesystem::exists(app.path() / "modem.dat"));
    EXPECT_TRUE(std::filesystem::exists(app.path() / "modem.log"));
    EXPECT_TRUE(std::filesystem::exists(app.path() / "other.dat"));
}

}  // namespace
