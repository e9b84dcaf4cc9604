// ModemPort against two independent modems: our simulated one and Debian's iaxmodem.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <future>
#include <stdexcept>
#include <string>

#include "modem/adjusted_at_cmd.h"
#include "modem/modem_port.h"
#include "platform/cp1251.h"
#include "sim/sim_modem.h"
#include "tests/support/iaxmodem_fixture.h"
#include "tests/support/port_links.h"
#include "tests/support/temp_dir.h"

using namespace platform::literals;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

constexpr int kPort = 4;
const std::string kOk = "\r\nOK\r\n";

class SimulatedModemTest : public ::testing::Test {
protected:
    void startModem(sim::SimOptions options = {}) {
        m_modem = std::make_unique<sim::SimModem>(std::move(options));
        m_modem->start();
        m_modem->linkAs(m_app.path(), kPort);
        std::ofstream(m_app.path() / "ports" / "links-only").flush();
        m_port = std::make_unique<ModemPort>(kPort, 115200, 8, 1, false, true);
        ASSERT_TRUE(m_port->is_open());
    }

    testsupport::TempAppFolder m_app;
    std::unique_ptr<sim::SimModem> m_modem;
    std::unique_ptr<ModemPort> m_port;
};

TEST_F(SimulatedModemTest, AnswersMatchByteForByteHoweverTheyAreCutOrPrefixed) {
    startModem();
    AdjustedAtCmd plain("AT\r", kOk, 2000);
    m_port->execute(plain);
    EXPECT_TRUE(plain.is_complete() && plain.result());
    EXPECT_EQ(plain.full_answer(), "AT\r" + kOk);  // echo on, as on a real modem

    m_modem->setChunking(2, 20);
    AdjustedAtCmd chunked("ATE0\r", kOk, 3000);
    m_port->execute(chunked);
    EXPECT_TRUE(chunked.is_complete() && chunked.result());

    m_modem->setChunking(0, 0);
    m_modem->setGarbageBeforeReply(std::string("\x01\0\xFF", 3));
    AdjustedAtCmd prefixed("AT\r", kOk, 2000);
    m_port->execute(prefixed);
    EXPECT_TRUE(prefixed.is_complete() && prefixed.result());
    EXPECT_EQ(prefixed.full_answer(), std::string("\x01\0\xFF", 3) + kOk);  // NUL kept
}

TEST_F(SimulatedModemTest, AReplyLaterThanTheAnswerWaitLeavesTheCommandIncomplete) {
    startModem();
    m_modem->setReplyDelay(600);
    AdjustedAtCmd late("ATE0\r", kOk, 200);
    m_port->execute(late);
    EXPECT_FALSE(late.is_complete());
    // The late reply stays in the line and is the first thing the next exchange reads.
    AdjustedAtCmd patient("", kOk, 3000);
    m_port->execute(patient);
    EXPECT_TRUE(patient.is_complete() && patient.result());
}

TEST_F(SimulatedModemTest, AModemThatAnswersOnlyAtItsRateIsReachedAfterARateChange) {
    sim::SimOptions options;
    options.bauds = {9600};
    startModem(options);
    AdjustedAtCmd atWrongRate("AT\r", kOk, 300);
    m_port->execute(atWrongRate);
    EXPECT_FALSE(atWrongRate.is_complete());
    m_port->port().set_baudrate(9600);
    AdjustedAtCmd atRightRate("AT\r", kOk, 2000);
    m_port->execute(atRightRate);
    EXPECT_TRUE(atRightRate.is_complete() && atRightRate.result());
}

TEST_F(SimulatedModemTest, AFloodingModemCannotKeepTheExchangePastItsAnswerWait) {
    startModem();
    m_modem->startFlood();
    AdjustedAtCmd cmd("AT\r", "never sent", 300);
    const auto start = Clock::now();
    m_port->execute(cmd);
    m_modem->stopFlood();
    EXPECT_FALSE(cmd.is_complete());
    EXPECT_LT(Clock::now() - start, milliseconds(3000));
    EXPECT_GT(cmd.full_answer().size(), 0u);
}

TEST_F(SimulatedModemTest, UnpluggingDuringTheWaitRaisesTheReadError) {
    startModem();
    m_modem->setSilent(true);
    AdjustedAtCmd cmd("AT\r", kOk, 10000);
    auto done = std::async(std::launch::async, [&] { m_port->execute(cmd); });
    ASSERT_TRUE(
        m_modem->waitUntil([](const sim::SimStats& s) { return s.linesReceived >= 1; }, 5000));
    m_modem->unplug();
    try {
        done.get();
        FAIL() << "no error raised";
    } catch (const std::runtime_error& error) {
        EXPECT_TRUE(std::string(error.what()).starts_with("Ошибка при чтении из порта "_cp1251));
    }
}

TEST(IaxModemPeer, AnswersOkAndSwitchesToNumericResultCodes) {
    testsupport::TempAppFolder app;
    testsupport::IaxModem iax;
    testsupport::linkPort(app.path(), kPort, iax.devicePath());
    ModemPort port(kPort, 115200, 8, 1, false, true);
    ASSERT_TRUE(port.is_open());

    AdjustedAtCmd at("AT\r", kOk, 3000);
    port.execute(at);
    EXPECT_TRUE(at.is_complete() && at.result()) << at.full_answer();

    AdjustedAtCmd numeric("ATV0\r", "0\r", 3000);
    port.execute(numeric);
    EXPECT_TRUE(numeric.is_complete() && numeric.result()) << numeric.full_answer();

    AdjustedAtCmd again("AT\r", "AT\r0\r", 3000);
    port.execute(again);
    EXPECT_TRUE(again.is_complete() && again.result()) << again.full_answer();
    EXPECT_EQ(again.full_answer().find("OK"), std::string::npos);
}

}  // namespace
