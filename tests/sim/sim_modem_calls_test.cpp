// Calls, data mode, messages and reports of the simulated modem over a real
// pseudo-terminal, seen from the application's side.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "sim/sim_modem.h"
#include "tests/support/pty_client.h"

namespace {

using namespace std::chrono_literals;
using sim::CallState;
using sim::CallType;
using sim::DialOutcome;
using testsupport::msSince;
using testsupport::PtyClient;
using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kGenerousMs = 5000;
constexpr const char* kPdu = "00040B912143658709F10000421010210000000AE8329BFD4697D9EC37";

sim::SimOptions quietOptions() {
    sim::SimOptions options;
    options.profile.echo = false;
    return options;
}

class SimModemCalls : public ::testing::Test {
protected:
    void start(sim::SimOptions options = quietOptions()) {
        m_modem = std::make_unique<sim::SimModem>(std::move(options));
        m_modem->start();
        m_client = std::make_unique<PtyClient>(m_modem->slavePath());
    }

    // Statistics are published after what caused them has been written.
    void waitForState(CallState state) {
        ASSERT_TRUE(m_modem->waitUntil(
            [state](const sim::SimStats& s) { return s.callState == state; }, kGenerousMs));
    }

    sim::SimModem& modem() { return *m_modem; }
    PtyClient& client() { return *m_client; }

private:
    std::unique_ptr<sim::SimModem> m_modem;
    std::unique_ptr<PtyClient> m_client;
};

TEST_F(SimModemCalls, VoiceDialAnswersOkAndHangsUp) {
    start({});
    EXPECT_EQ(client().ask("ATD123;\r\n", "OK\r\n"), "ATD123;\r\r\nOK\r\n");
    waitForState(CallState::Voice);
    EXPECT_EQ(client().ask("AT+CLCC\r\n", "OK\r\n"),
              "AT+CLCC\r\r\n+CLCC: 1,0,0,0,0,\"123\",129\r\n\r\nOK\r\n");
    EXPECT_EQ(client().ask("ATH\r\n", "OK\r\n"), "ATH\r\r\nOK\r\n");
    waitForState(CallState::Idle);
    EXPECT_EQ(modem().stats().commandLines,
              (std::vector<std::string>{"ATD123;", "AT+CLCC", "ATH"}));
}

TEST_F(SimModemCalls, DataCallEchoesDataAndEscapesAfterTheGuardTime) {
    sim::SimOptions options = quietOptions();
    options.profile.registers[sim::ModemProfile::kEscapeGuardTime] = 5;  // 100 ms
    start(options);
    EXPECT_EQ(client().ask("ATD555\r\n", "\r\nCONNECT 115200\r\n"), "\r\nCONNECT 115200\r\n");
    waitForState(CallState::DataOnline);
    client().send("hello AT\r\n");
    EXPECT_EQ(client().readCount(10), "hello AT\r\n");

    // The escape wants a guard time of silence before it. The modem counts it from the last
    // data byte, which it had taken before echoing it.
    std::this_thread::sleep_for(120ms);
    const auto sentAt = Clock::now();
    EXPECT_EQ(client().ask("+++", "OK\r\n"), "\r\nOK\r\n");
    EXPECT_GE(msSince(sentAt), 100);
    waitForState(CallState::DataCommand);
    EXPECT_EQ(modem().stats().dataBytesReceived, 13u);

    EXPECT_EQ(client().ask("ATO\r\n", "CONNECT 115200\r\n"), "\r\nCONNECT 115200\r\n");
    waitForState(CallState::DataOnline);
    // Swallowed data goes nowhere; the far end still talks.
    modem().setDataHandling(sim::DataHandling::Sink);
    client().send("into the void");
    ASSERT_TRUE(modem().waitUntil([](const sim::SimStats& s) { return s.dataBytesReceived >= 26; },
                                  kGenerousMs));
    EXPECT_TRUE(modem().sendData("from the far end"));
    EXPECT_EQ(client().readUntil("end"), "from the far end");

    std::this_thread::sleep_for(120ms);
    EXPECT_EQ(client().ask("+++", "OK\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(client().ask("ATH\r\n", "OK\r\n"), "\r\nOK\r\n");
    waitForState(CallState::Idle);
    EXPECT_FALSE(modem().sendData("nobody listens"));
}

TEST_F(SimModemCalls, DialFailsAfterItsDelayOrNeverAnswers) {
    start();
    modem().setDialPlan({DialOutcome::Busy, 150});
    const auto sentAt = Clock::now();
    EXPECT_EQ(client().ask("ATD123\r\n", "BUSY\r\n"), "\r\nBUSY\r\n");
    EXPECT_GE(msSince(sentAt), 150);
    waitForState(CallState::Idle);

    // No reply at all, until the application gives up.
    modem().setDialPlan({DialOutcome::NoReply, 0});
    client().send("ATD123\r\n");
    waitForState(CallState::Dialling);
    EXPECT_EQ(client().readFor(200), "");
    EXPECT_EQ(client().ask("ATH\r\n", "OK\r\n"), "\r\nNO CARRIER\r\n\r\nOK\r\n");
    waitForState(CallState::Idle);
}

TEST_F(SimModemCalls, IncomingDataCallIsListedAnsweredAndEndedByTheFarEnd) {
    start();
    EXPECT_TRUE(modem().incomingCall({CallType::Data, "5551234", 0}));
    EXPECT_EQ(modem().callState(), CallState::Ringing);
    EXPECT_FALSE(modem().incomingCall({CallType::Voice, "1", 0}));
    EXPECT_EQ(client().readUntil("RING\r\n"), "\r\nRING\r\n");
    EXPECT_EQ(client().ask("AT+CLCC\r\n", "OK\r\n"),
              "\r\n+CLCC: 1,1,4,1,0,\"5551234\",129\r\n\r\nOK\r\n");
    EXPECT_EQ(client().ask("ATA\r\n", "CONNECT 115200\r\n"), "\r\nCONNECT 115200\r\n");
    waitForState(CallState::DataOnline);

    // Key tones come in the data stream.
    client().send("ping");
    EXPECT_EQ(client().readCount(4), "ping");
    modem().sendTones("7");
    EXPECT_EQ(client().readUntil("7\r\n"), "\r\n+DTMF: 7\r\n");

    EXPECT_TRUE(modem().remoteHangup());
    EXPECT_EQ(client().readUntil("NO CARRIER\r\n"), "\r\nNO CARRIER\r\n");
    waitForState(CallState::Idle);
    // Back in command mode: a command line is a command again.
    EXPECT_EQ(client().ask("AT\r\n", "OK\r\n"), "\r\nOK\r\n");
    EXPECT_FALSE(modem().remoteHangup());
}

TEST(SimModemMessages, StoredMessagesAreSelectedReadAndDeleted) {
    sim::SimModem modemBeforeStart{quietOptions()};
    // The store can be filled before the modem starts.
    EXPECT_TRUE(modemBeforeStart.storeMessage(
        1, sim::StoredMessage::fromText("+12345678901", "hellohello")));
    EXPECT_FALSE(modemBeforeStart.storeMessage(31, sim::StoredMessage::fromPdu(kPdu)));
    modemBeforeStart.start();
    PtyClient line{modemBeforeStart.slavePath()};

    EXPECT_EQ(line.ask("AT+CPMS=\"MT\"\r\n", "OK\r\n"), "\r\n+CPMS: 1,30,1,30,1,30\r\n\r\nOK\r\n");
    EXPECT_EQ(modemBeforeStart.newMessage(sim::StoredMessage::fromPdu(kPdu)), 2u);
    EXPECT_EQ(line.readUntil(",2\r\n"), "\r\n+CMTI: \"SM\",2\r\n");
    EXPECT_EQ(line.ask("AT+CMGR=2\r\n", "OK\r\n"),
              std::string{"\r\n+CMGR: 0,,28\r\n"} + kPdu + "\r\n\r\nOK\r\n");
    ASSERT_TRUE(modemBeforeStart.message(2));
    EXPECT_EQ(modemBeforeStart.message(2)->status, sim::MessageStatus::ReceivedRead);
    EXPECT_EQ(line.ask("AT+CMGD=2\r\n", "OK\r\n"), "\r\nOK\r\n");
    EXPECT_FALSE(modemBeforeStart.message(2));
    EXPECT_EQ(modemBeforeStart.messageCount(), 1u);
    EXPECT_EQ(line.ask("AT+CMGD=2\r\n", "ERROR\r\n"), "\r\nERROR\r\n");
}

TEST(SimModemReports, ReportsGoOutInTheOrderMadeAndAreCounted) {
    sim::SimOptions options = quietOptions();
    options.profile.extendedRing = true;
    sim::SimModem reporting{options};
    // Nobody hears a report made before the line exists.
    reporting.report("+LOST: 1");
    reporting.start();
    PtyClient line{reporting.slavePath()};

    EXPECT_TRUE(reporting.incomingCall({CallType::Voice, "1", 0}));
    reporting.sendTones("12");
    reporting.inject("raw");
    reporting.report("+X: 1");
    EXPECT_EQ(line.readUntil("+X: 1\r\n"),
              "\r\n+CRING: VOICE\r\n\r\n+DTMF: 1\r\n\r\n+DTMF: 2\r\nraw\r\n+X: 1\r\n");
    ASSERT_TRUE(reporting.waitUntil([](const sim::SimStats& s) { return s.reportsWritten == 5; },
                                    kGenerousMs));
    EXPECT_EQ(reporting.stats().callState, CallState::Ringing);
}

TEST_F(SimModemCalls, StopPowersTheModemOff) {
    start();
    ASSERT_TRUE(modem().incomingCall({CallType::Voice, "1", 0}));
    ASSERT_TRUE(modem().storeMessage(1, sim::StoredMessage::fromPdu(kPdu)));
    modem().stop();
    EXPECT_EQ(modem().callState(), CallState::Idle);
    EXPECT_EQ(modem().messageCount(), 0u);
}

}  // namespace
