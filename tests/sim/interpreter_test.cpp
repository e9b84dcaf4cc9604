// The modem's command language, without a line: parsing, running and framing of replies,
// and the way received bytes become lines.

#include <gtest/gtest.h>

#include <string>

#include "sim/at_interpreter.h"
#include "sim/modem_session.h"

namespace {

using sim::AtInterpreter;
using sim::ModemProfile;
using sim::ModemSession;
using sim::SessionOutput;

std::string run(AtInterpreter& modem, std::string_view line) {
    return modem.execute(line).value_or("<no reply>");
}

// Everything a session sends back for some bytes, echo and replies in order.
std::string sent(ModemSession& session, std::string_view bytes, std::uint32_t rate = 115200) {
    std::string out;
    for (const SessionOutput& output : session.feed(bytes, rate)) {
        out += output.bytes;
    }
    return out;
}

TEST(AtInterpreter, RunsConcatenatedCommandsInOrder) {
    AtInterpreter modem;
    EXPECT_EQ(run(modem, "AT"), "\r\nOK\r\n");
    EXPECT_EQ(run(modem, "ATE0V1+CSQ;+CGMI"), "\r\n+CSQ: 20,99\r\n\r\nORVANE\r\n\r\nOK\r\n");
    EXPECT_FALSE(modem.profile().echo);
    EXPECT_EQ(run(modem, "at e1 +csq=?"), "\r\n+CSQ: (0-31,99),(0-7,99)\r\n\r\nOK\r\n");
    EXPECT_TRUE(modem.profile().echo);
    EXPECT_EQ(run(modem, "AT+CGMI=?"), "\r\nOK\r\n");
}

TEST(AtInterpreter, NumericModeSendsNumbersAndBareInformation) {
    AtInterpreter modem;
    EXPECT_EQ(run(modem, "ATV0"), "0\r");
    EXPECT_EQ(run(modem, "AT+CSQ"), "+CSQ: 20,99\r\n0\r");
    EXPECT_EQ(run(modem, "ATI"), "ORVANE\r\nSIMULATED MODEM\r\nRevision: 1.0\r\n0\r");
    EXPECT_EQ(run(modem, "AT+NOPE"), "4\r");
    // The final result code takes the setting the line leaves behind.
    EXPECT_EQ(run(modem, "ATV1"), "\r\nOK\r\n");
}

TEST(AtInterpreter, FailingCommandEndsTheLineWithError) {
    AtInterpreter modem;
    for (const char* unknown :
         {"AT+NOPE", "ATB", "AT&Q", "ATE2", "ATI5", "ATZ1", "AT+CSQ?", "AT+", "ATS", "ATS3",
          "ATS99?", "ATS3=256", "AT1", "AT\x01", "AT+CPMS=\"SM", "ATE1234567890"}) {
        EXPECT_EQ(run(modem, unknown), "\r\nERROR\r\n") << unknown;
    }
    // Commands before the failing one have run and their information has gone out; those
    // after it do not run.
    EXPECT_EQ(run(modem, "AT+CSQ;+NOPE;E0"), "\r\n+CSQ: 20,99\r\n\r\nERROR\r\n");
    EXPECT_TRUE(modem.profile().echo);
    EXPECT_EQ(run(modem, "ATE0+NOPE"), "\r\nERROR\r\n");
    EXPECT_FALSE(modem.profile().echo);
    // A line that breaks the syntax runs none of its commands.
    EXPECT_EQ(run(modem, "ATE1S3"), "\r\nERROR\r\n");
    EXPECT_FALSE(modem.profile().echo);
}

TEST(AtInterpreter, ResetCommandsReturnToTheConfiguredProfile) {
    ModemProfile quiet;
    quiet.echo = false;
    AtInterpreter modem{quiet};
    for (const char* reset : {"ATZ", "AT&F", "ATZ0", "AT&F0"}) {
        EXPECT_EQ(run(modem, "ATE1V0S7=99"), "0\r");
        EXPECT_EQ(run(modem, reset), "\r\nOK\r\n") << reset;
        EXPECT_FALSE(modem.profile().echo) << reset;
        EXPECT_TRUE(modem.profile().verbose) << reset;
        EXPECT_EQ(run(modem, "ATS7?"), "\r\n050\r\n\r\nOK\r\n") << reset;
    }
}

TEST(AtInterpreter, LinesWithoutAtAreIgnoredAndNoiseBeforeItSkipped) {
    AtInterpreter modem;
    EXPECT_FALSE(modem.execute(""));
    EXPECT_FALSE(modem.execute("hello"));
    EXPECT_FALSE(modem.execute("A"));
    EXPECT_EQ(run(modem, std::string("\0\xFFxyat", 6)), "\r\nOK\r\n");
    EXPECT_EQ(run(modem, "aTe0"), "\r\nOK\r\n");
    EXPECT_FALSE(modem.profile().echo);
    // An overflowed line runs nothing.
    EXPECT_EQ(modem.execute("ATE1", true).value_or(""), "\r\nERROR\r\n");
    EXPECT_FALSE(modem.profile().echo);
}

TEST(ModemSession, EchoesByteByByteAndDropsLineFeeds) {
    ModemSession session;
    EXPECT_EQ(sent(session, "A"), "A");
    EXPECT_EQ(sent(session, "T\r\n"), "T\r\r\nOK\r\n");
    // The echo of the terminator precedes the reply; the LF is neither echoed nor stored.
    EXPECT_EQ(sent(session, "AT\nE0\r\n"), "ATE0\r\r\nOK\r\n");
    EXPECT_EQ(sent(session, "AT\r"), "\r\nOK\r\n");
    // Two lines in one read are answered one after the other.
    EXPECT_EQ(sent(session, "ATE1\rAT\r"), "\r\nOK\r\nAT\r\r\nOK\r\n");
    // Backspace takes back the byte before it, and is echoed like any other.
    EXPECT_EQ(sent(session, "AT+CSQX\b\r"), "AT+CSQX\b\r\r\n+CSQ: 20,99\r\n\r\nOK\r\n");
    EXPECT_EQ(session.counters().linesReceived, 6u);
    EXPECT_EQ(session.counters().linesAnswered, 6u);
}

TEST(ModemSession, TheTerminatorFollowsS3) {
    ModemSession session;
    EXPECT_EQ(sent(session, "ATE0S3=35\r"), "ATE0S3=35\r#\nOK#\n");
    EXPECT_EQ(sent(session, "AT#"), "#\nOK#\n");
}

TEST(ModemSession, AnswersOnlyLinesThatStartedAtAServedRate) {
    ModemSession session{{}, {9600, 14400}};
    EXPECT_EQ(sent(session, "AT\r", 115200), "");
    EXPECT_EQ(sent(session, "AT\r", 14400), "AT\r\r\nOK\r\n");
    // The rate at a line's first byte decides, whatever the rate when it ends.
    EXPECT_EQ(sent(session, "A", 9600), "A");
    EXPECT_EQ(sent(session, "T\r", 115200), "T\r\r\nOK\r\n");
    EXPECT_EQ(sent(session, "A", 115200), "");
    EXPECT_EQ(sent(session, "TE0\r", 9600), "");
    EXPECT_TRUE(session.profile().echo);
    EXPECT_EQ(session.counters().linesReceived, 4u);
    EXPECT_EQ(session.counters().linesIgnored, 2u);
}

TEST(ModemSession, MutedModemTakesLinesButNeitherEchoesNorRunsThem) {
    ModemSession session;
    session.setMuted(true);
    EXPECT_EQ(sent(session, "ATE0\r"), "");
    session.setMuted(false);
    EXPECT_TRUE(session.profile().echo);
    EXPECT_EQ(sent(session, "AT\r"), "AT\r\r\nOK\r\n");
    EXPECT_EQ(session.counters().linesIgnored, 1u);
}

TEST(ModemSession, OverlongLineIsRefused) {
    ModemSession session;
    const std::string longLine = "ATE0" + std::string(1000, ' ') + "\r";
    EXPECT_TRUE(sent(session, longLine).ends_with(" \r\r\nERROR\r\n"));
    EXPECT_TRUE(session.profile().echo);
    // The next line starts clean.
    EXPECT_EQ(sent(session, "AT\r"), "AT\r\r\nOK\r\n");
}

}  // namespace
