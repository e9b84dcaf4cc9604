// ModemPort against two independent modems: our simulated one and Debian's iaxmodem.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
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
using testing::AllOf;
using testing::EndsWith;
using testing::HasSubstr;
using testing::Not;
using testing::StartsWith;

namespace {

constexpr int kPort = 4;
const std::string kOk = "\r\nOK\r\n";

// Runs one command; the answer when the expected one came, or "missed: " and what came.
std::string exchange(ModemPort& port, const std::string& command, const std::string& expected,
                     std::uint32_t waitMs) {
    AdjustedAtCmd cmd(command, expected, waitMs);
    port.execute(cmd);
    return (cmd.is_complete() && cmd.result() ? "" : "missed: ") + cmd.full_answer();
}

class SimulatedModemTest : public ::testing::Test {
protected:
    void startModem(sim::SimOptions options = {}) {
        m_modem = std::make_unique<sim::SimModem>(std::move(options));
        m_modem->start();
        m_modem->linkAs(m_app.path(), kPort);
        testsupport::makeLinksOnly(m_app.path());
        m_port = std::make_unique<ModemPort>(kPort, 115200, 8, 1, false, true);
        ASSERT_TRUE(m_port->is_open());
    }

    testsupport::TempAppFolder m_app;
    std::unique_ptr<sim::SimModem> m_modem;
    std::unique_ptr<ModemPort> m_port;
};

TEST_F(SimulatedModemTest, AnswersMatchByteForByteHoweverTheyAreCutOrPrefixed) {
    startModem();
    EXPECT_EQ(exchange(*m_port, "AT\r", kOk, 2000), "AT\r" + kOk);  // echo on, as on a real modem
    m_modem->setChunking(2, 20);
    EXPECT_EQ(exchange(*m_port, "ATE0\r", kOk, 3000), "ATE0\r" + kOk);
    m_modem->setChunking(0, 0);
    m_modem->setGarbageBeforeReply(std::string("\x01\0\xFF", 3));
    EXPECT_EQ(exchange(*m_port, "AT\r", kOk, 2000), std::string("\x01\0\xFF", 3) + kOk);
}

TEST_F(SimulatedModemTest, AReplyLaterThanTheAnswerWaitIsMissedAndReadByTheNextExchange) {
    startModem();
    m_modem->setReplyDelay(600);
    EXPECT_THAT(exchange(*m_port, "ATE0\r", kOk, 200), StartsWith("missed: "));
    EXPECT_THAT(exchange(*m_port, "", kOk, 3000), EndsWith(kOk));
}

TEST_F(SimulatedModemTest, AModemThatAnswersOnlyAtItsRateIsReachedAfterARateChange) {
    sim::SimOptions options;
    options.bauds = {9600};
    startModem(options);
    EXPECT_EQ(exchange(*m_port, "AT\r", kOk, 300), "missed: ");
    m_port->port().set_baudrate(9600);
    EXPECT_EQ(exchange(*m_port, "AT\r", kOk, 2000), "AT\r" + kOk);
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
    EXPECT_THAT([&] { done.get(); }, testing::ThrowsMessage<std::runtime_error>(
                                         StartsWith("Ошибка при чтении из порта "_cp1251)));
}

TEST(IaxModemPeer, AnswersOkAndSwitchesToNumericResultCodes) {
    testsupport::TempAppFolder app;
    testsupport::IaxModem iax;
    testsupport::linkPort(app.path(), kPort, iax.devicePath());
    ModemPort port(kPort, 115200, 8, 1, false, true);
    ASSERT_TRUE(port.is_open());

    EXPECT_THAT(exchange(port, "AT\r", kOk, 3000), Not(StartsWith("missed")));
    EXPECT_THAT(exchange(port, "ATV0\r", "0\r", 3000), Not(StartsWith("missed")));
    EXPECT_THAT(exchange(port, "AT\r", "AT\r0\r", 3000),
                AllOf(Not(StartsWith("missed")), Not(HasSubstr("OK"))));
}

}  // namespace
