// Calls, data mode and the far end, on a session driven by a made-up clock: every time
// limit is checked to the millisecond without waiting for it.

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "sim/modem_session.h"

namespace {

using namespace std::chrono_literals;
using sim::CallState;
using sim::CallType;
using sim::DialOutcome;
using sim::ModemProfile;
using sim::ModemSession;
using sim::SessionOutput;

std::string joined(const std::vector<SessionOutput>& outputs) {
    std::string out;
    for (const SessionOutput& output : outputs) {
        out += output.bytes;
    }
    return out;
}

ModemProfile quiet() {
    ModemProfile profile;
    profile.echo = false;
    return profile;
}

// A session on a line at 115200 bits per second with a clock that moves only when told.
class Line {
public:
    explicit Line(ModemProfile profile = quiet(), sim::CallOptions calls = {})
        : session(profile, {}, calls) {}

    std::string send(std::string_view bytes) { return joined(session.feed(bytes, 115200, now)); }
    // Lets time pass and returns what fell due meanwhile.
    std::string wait(std::chrono::milliseconds ms) {
        now += ms;
        return joined(session.tick(now));
    }
    std::string ring(sim::IncomingCall call) {
        std::vector<SessionOutput> out;
        EXPECT_TRUE(session.incomingCall(std::move(call), now, out));
        return joined(out);
    }
    std::string hangUpFarEnd() {
        std::vector<SessionOutput> out;
        EXPECT_TRUE(session.remoteHangup(out));
        return joined(out);
    }
    CallState state() const { return session.calls().state(); }

    ModemSession session;
    sim::SimTime now{};
};

TEST(Calls, VoiceDialAnswersOkWhenTheFarEndAnswersAndHangsUp) {
    Line line;
    EXPECT_EQ(line.send("ATD123;\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(line.state(), CallState::Voice);
    EXPECT_EQ(line.send("AT+CLCC\r\n"), "\r\n+CLCC: 1,0,0,0,0,\"123\",129\r\n\r\nOK\r\n");
    // A second call cannot be placed over the first.
    EXPECT_EQ(line.send("ATD456;\r\n"), "\r\nERROR\r\n");
    EXPECT_EQ(line.send("ATH\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(line.state(), CallState::Idle);
    EXPECT_EQ(line.send("AT+CLCC\r\n"), "\r\nOK\r\n");

    // After a delay; dial modifiers and punctuation are skipped, "+" gives type 145.
    line.session.calls().setDialPlan({DialOutcome::Connect, 500});
    EXPECT_EQ(line.send("ATDT +7 (495) 123-45;\r\n"), "");
    EXPECT_EQ(line.state(), CallState::Dialling);
    ASSERT_TRUE(line.session.nextDeadline());
    EXPECT_EQ(*line.session.nextDeadline(), line.now + 500ms);
    EXPECT_EQ(line.wait(499ms), "");
    EXPECT_EQ(line.wait(1ms), "\r\nOK\r\n");
    EXPECT_EQ(line.send("AT+CLCC\r\n"), "\r\n+CLCC: 1,0,0,0,0,\"+749512345\",145\r\n\r\nOK\r\n");
    EXPECT_EQ(line.send("ATZ\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(line.state(), CallState::Idle);

    for (const char* bad : {"ATD;", "ATD", "ATDL;", "ATD12X4;", "ATD1;2"}) {
        EXPECT_EQ(line.send(std::string{bad} + "\r"), "\r\nERROR\r\n") << bad;
        EXPECT_EQ(line.state(), CallState::Idle) << bad;
    }
}

// The word of each outcome, and a dial without reply given up by a hang-up, are orvane-at's
// tests (tests/cli); their numbers here.
TEST(Calls, AFailedDialEndsWithItsResultCodeAfterItsDelay) {
    Line numeric;
    EXPECT_EQ(numeric.send("ATV0\r"), "0\r");
    numeric.session.calls().setDialPlan({DialOutcome::Busy, 200});
    EXPECT_EQ(numeric.send("ATD1\r"), "");
    EXPECT_EQ(numeric.wait(199ms), "");
    EXPECT_EQ(numeric.wait(1ms), "7\r");
    EXPECT_EQ(numeric.state(), CallState::Idle);
    numeric.session.calls().setDialPlan({DialOutcome::Connect, 0});
    EXPECT_EQ(numeric.send("ATD1\r"), "1\r");
}

TEST(Calls, DataDialConnectsWithTheRateAndEchoesOrSwallowsData) {
    Line line;
    EXPECT_EQ(line.send("ATD555\r"), "\r\nCONNECT 115200\r\n");
    EXPECT_EQ(line.state(), CallState::DataOnline);
    // The LF of the dial line's CR LF is not data; what follows is, commands included.
    EXPECT_EQ(line.send("\nhello AT\r\n"), "hello AT\r\n");
    EXPECT_EQ(line.send(std::string("\0\xFF\n", 3)), std::string("\0\xFF\n", 3));
    EXPECT_EQ(line.session.counters().dataBytesReceived, 13u);
    EXPECT_EQ(line.session.counters().linesReceived, 1u);

    line.session.calls().setDataHandling(sim::DataHandling::Sink);
    EXPECT_EQ(line.send("swallowed"), "");
    EXPECT_EQ(line.session.counters().dataBytesReceived, 22u);

    // A configured rate wins over the line rate; the LF in the same read as the dial line
    // is dropped as well. (Data from the far end is orvane-at's test.)
    Line fixedRate{quiet(), {{}, sim::DataHandling::Echo, 33600, {}}};
    EXPECT_EQ(fixedRate.send("ATD1\r\nx"), "\r\nCONNECT 33600\r\nx");
}

TEST(Calls, EscapeNeedsTheGuardTimeBeforeAndAfter) {
    Line line;  // S12 = 50: one second
    EXPECT_EQ(line.send("ATD555\r\n"), "\r\nCONNECT 115200\r\n");
    // Straight after connecting there has been no guard time of silence.
    EXPECT_EQ(line.wait(999ms), "");
    EXPECT_EQ(line.send("+++"), "+++");
    // After a second of silence the sequence is held back, then confirmed by another.
    EXPECT_EQ(line.wait(1000ms), "");
    EXPECT_EQ(line.send("+++"), "");
    EXPECT_EQ(line.wait(999ms), "");
    EXPECT_EQ(line.state(), CallState::DataOnline);
    EXPECT_EQ(line.wait(1ms), "\r\nOK\r\n");
    EXPECT_EQ(line.state(), CallState::DataCommand);
    EXPECT_EQ(line.send("AT+CLCC\r\n"), "\r\n+CLCC: 1,0,0,1,0,\"555\",129\r\n\r\nOK\r\n");

    // ATO goes back online; its LF is not data either.
    EXPECT_EQ(line.send("ATO\r\n"), "\r\nCONNECT 115200\r\n");
    EXPECT_EQ(line.state(), CallState::DataOnline);
    // A byte within the guard time after the sequence makes it data, in order.
    EXPECT_EQ(line.wait(1000ms), "");
    EXPECT_EQ(line.send("++"), "");
    EXPECT_EQ(line.wait(500ms), "");
    EXPECT_EQ(line.send("+"), "");
    EXPECT_EQ(line.wait(500ms), "");
    EXPECT_EQ(line.send("x"), "+++x");
    // Characters too far apart are data too, released when their time is up.
    EXPECT_EQ(line.wait(1000ms), "");
    EXPECT_EQ(line.send("+"), "");
    EXPECT_EQ(line.session.nextDeadline(), line.now + 1000ms);
    EXPECT_EQ(line.wait(1000ms), "+");
    EXPECT_EQ(line.send("x"), "x");
    EXPECT_EQ(line.state(), CallState::DataOnline);

    // The escape character follows S2 (above 127: no escapes); the guard time follows S12.
    EXPECT_EQ(line.wait(1000ms), "");
    EXPECT_EQ(line.send("+++"), "");
    EXPECT_EQ(line.wait(1000ms), "\r\nOK\r\n");
    EXPECT_EQ(line.send("ATS2=200S12=5O\r"), "\r\nCONNECT 115200\r\n");
    EXPECT_EQ(line.wait(100ms), "");
    EXPECT_EQ(line.send("+++"), "+++");
    EXPECT_EQ(line.wait(100ms), "");
    EXPECT_EQ(line.state(), CallState::DataOnline);
    EXPECT_EQ(line.hangUpFarEnd(), "\r\nNO CARRIER\r\n");
    EXPECT_EQ(line.send("ATS2=35\r"), "\r\nOK\r\n");
    EXPECT_EQ(line.send("ATD555\r"), "\r\nCONNECT 115200\r\n");
    EXPECT_EQ(line.wait(100ms), "");
    EXPECT_EQ(line.send("###"), "");
    EXPECT_EQ(line.wait(100ms), "\r\nOK\r\n");
    EXPECT_EQ(line.send("ATH\r"), "\r\nOK\r\n");
    EXPECT_EQ(line.state(), CallState::Idle);
}

TEST(Calls, EscapeWithoutGuardTimeIsTakenAtOnce) {
    ModemProfile profile = quiet();
    profile.registers[ModemProfile::kEscapeGuardTime] = 0;
    Line line{profile};
    EXPECT_EQ(line.send("ATD1\r\n"), "\r\nCONNECT 115200\r\n");
    // What follows the escape in the same read is a command line.
    EXPECT_EQ(line.send("abc+++ATH\r\n"), "abc\r\nOK\r\n\r\nOK\r\n");
    EXPECT_EQ(line.state(), CallState::Idle);
    // Held characters wait for the next byte however long it takes.
    EXPECT_EQ(line.send("ATD1\r\n"), "\r\nCONNECT 115200\r\n");
    EXPECT_EQ(line.send("+"), "");
    EXPECT_FALSE(line.session.nextDeadline());
    EXPECT_EQ(line.wait(1h), "");
    EXPECT_EQ(line.send("+-"), "++-");
    EXPECT_EQ(line.send("++"), "");
    EXPECT_EQ(line.send("+"), "\r\nOK\r\n");
    EXPECT_EQ(line.state(), CallState::DataCommand);
}

// Answering a data call and ATA with nothing ringing are orvane-at's tests (tests/cli).
TEST(Calls, IncomingCallRingsIsListedAndAnswered) {
    Line line;
    EXPECT_EQ(line.ring({CallType::Voice, "123", 0}), "\r\nRING\r\n");
    EXPECT_EQ(line.state(), CallState::Ringing);
    EXPECT_EQ(line.send("AT+CLCC\r\n"), "\r\n+CLCC: 1,1,4,0,0,\"123\",129\r\n\r\nOK\r\n");
    EXPECT_EQ(line.send("ATA\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(line.state(), CallState::Voice);
    EXPECT_EQ(line.send("AT+CLCC\r\n"), "\r\n+CLCC: 1,1,0,0,0,\"123\",129\r\n\r\nOK\r\n");
    EXPECT_EQ(line.hangUpFarEnd(), "\r\nNO CARRIER\r\n");
    EXPECT_EQ(line.state(), CallState::Idle);

    // A data call with the number withheld, reported as +CRING after AT+CRC=1; ATH turns a
    // ringing call away.
    EXPECT_EQ(line.send("AT+CRC=1\r"), "\r\nOK\r\n");
    EXPECT_EQ(line.send("AT+CRC?\r"), "\r\n+CRC: 1\r\n\r\nOK\r\n");
    EXPECT_EQ(line.ring({CallType::Data, "", 0}), "\r\n+CRING: DATA\r\n");
    EXPECT_EQ(line.send("AT+CLCC\r\n"), "\r\n+CLCC: 1,1,4,1,0\r\n\r\nOK\r\n");
    EXPECT_EQ(line.send("ATH\r"), "\r\nOK\r\n");
    EXPECT_EQ(line.state(), CallState::Idle);
}

TEST(Calls, RingRepeatsUntilAnsweredOrTheCallerGivesUp) {
    Line line;
    EXPECT_EQ(line.ring({CallType::Voice, "123", 5000}), "\r\nRING\r\n");
    EXPECT_EQ(line.wait(4999ms), "");
    EXPECT_EQ(line.wait(1ms), "\r\nRING\r\n");
    // A late service keeps the cadence.
    EXPECT_EQ(line.wait(5200ms), "\r\nRING\r\n");
    EXPECT_EQ(line.session.nextDeadline(), line.now + 4800ms);
    EXPECT_EQ(line.send("ATA\r"), "\r\nOK\r\n");
    EXPECT_FALSE(line.session.nextDeadline());
    EXPECT_EQ(line.wait(1h), "");
    EXPECT_EQ(line.send("ATH\r"), "\r\nOK\r\n");

    // The caller gives up: ringing ends without a word.
    EXPECT_EQ(line.ring({CallType::Voice, "123", 5000}), "\r\nRING\r\n");
    EXPECT_EQ(line.hangUpFarEnd(), "");
    EXPECT_EQ(line.state(), CallState::Idle);
    EXPECT_EQ(line.wait(1h), "");
    std::vector<SessionOutput> out;
    EXPECT_FALSE(line.session.remoteHangup(out));
}

TEST(Calls, FarEndHangingUpInDataModeReturnsToCommandMode) {
    Line line;
    EXPECT_EQ(line.send("ATD555\r\n"), "\r\nCONNECT 115200\r\n");
    EXPECT_EQ(line.wait(1000ms), "");
    EXPECT_EQ(line.send("++"), "");  // held escape characters go with the call
    EXPECT_EQ(line.hangUpFarEnd(), "\r\nNO CARRIER\r\n");
    EXPECT_EQ(line.state(), CallState::Idle);
    EXPECT_EQ(line.wait(1h), "");
    EXPECT_EQ(line.send("AT\r"), "\r\nOK\r\n");

    // And while dialling: the dial ends with NO CARRIER.
    line.session.calls().setDialPlan({DialOutcome::Connect, 1000});
    EXPECT_EQ(line.send("ATD555\r"), "");
    EXPECT_EQ(line.hangUpFarEnd(), "\r\nNO CARRIER\r\n");
    EXPECT_EQ(line.wait(1h), "");
    EXPECT_EQ(line.state(), CallState::Idle);
}

// In numeric mode, as information is; verbose framing is the report test of sim_modem_test.
TEST(Calls, ReportsAreFramedLikeInformation) {
    Line line;
    EXPECT_EQ(line.send("ATV0\r"), "0\r");
    std::vector<SessionOutput> out;
    line.session.report("+CUSD: 0", out);
    EXPECT_EQ(joined(out), "+CUSD: 0\r\n");
    EXPECT_EQ(line.ring({CallType::Voice, "1", 0}), "2\r");
}

}  // namespace
