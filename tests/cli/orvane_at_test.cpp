// orvane-at end to end: copies of the executable in temporary application folders against the
// simulated modem, played through its command channel, and against Debian's iaxmodem.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "sim/sim_modem.h"
#include "sim/sim_options.h"
#include "tests/support/child_process.h"
#include "tests/support/iaxmodem_fixture.h"
#include "tests/support/port_links.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace {

// The text of a line after its stamp: "HH:MM:SS.mmm " of an event on standard output, or
// "HH:MM:SS " of a line of the search and the port diagnosis on standard error. A line without
// one is kept whole, so a comparison shows it.
std::string eventText(const std::string& line, std::size_t stamp = 13) {
    const bool stamped =
        line.size() > stamp && line[2] == ':' && line[5] == ':' && line[stamp - 1] == ' ';
    return stamped ? line.substr(stamp) : "unstamped: " + line;
}

Lines eventsOf(const std::string& out, std::size_t stamp = 13) {
    Lines events;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        events.push_back(eventText(line, stamp));
    }
    return events;
}

Lines messagesOf(const std::string& err) {
    return eventsOf(err, 9);
}

class OrvaneAtTest : public ::testing::Test {
protected:
    OrvaneAtTest() {
        fs::create_directories(runtime());
        testsupport::makeLinksOnly(app());
        fs::copy_file(ORVANE_AT_EXE, app() / "orvane-at");
    }

    fs::path app() const { return m_root.path() / "app"; }
    fs::path runtime() const { return m_root.path() / "run"; }

    void startModem(sim::SimOptions options = {}) {
        // A data call's escape is quick: 100 ms of silence around "+++".
        options.profile.registers[sim::ModemProfile::kEscapeGuardTime] = 5;
        m_modem = std::make_unique<sim::SimModem>(options);
        m_modem->start();
        m_modem->linkAs(app(), 1);
    }

    // A line of the simulated modem's command channel.
    void channel(const std::string& line) { sim::runSimCommand(*m_modem, line, m_channel); }

    std::unique_ptr<testsupport::ChildProcess> start(const Lines& args) {
        // The system's texts in English, whatever the test's locale.
        return std::make_unique<testsupport::ChildProcess>((app() / "orvane-at").string(), args,
                                                           runtime(), Lines{"LC_ALL=C.UTF-8"});
    }

    // Runs to the end; returns the exit status, keeps the events and standard error.
    int runToEnd(const Lines& args) {
        auto process = start(args);
        m_events = eventsOf(process->readAll(false, 60000));
        m_err = process->readAll(true, 1000);
        return process->waitExit(30000);
    }

    bool heard(const std::string& line, std::uint32_t timeoutMs = 10000) const {
        return m_modem->waitUntil(
            [&](const sim::SimStats& s) {
                return std::find(s.commandLines.begin(), s.commandLines.end(), line) !=
                       s.commandLines.end();
            },
            timeoutMs);
    }

    // The modem has answered ATE0: orvane-at is listening.
    bool listening() const {
        return m_modem->waitUntil([](const sim::SimStats& s) { return s.linesAnswered >= 1; },
                                  10000);
    }

    testsupport::TempDir m_root;
    std::unique_ptr<sim::SimModem> m_modem;
    sim::SimCommandLine m_channel;
    Lines m_events;
    std::string m_err;
};

TEST_F(OrvaneAtTest, SendJudgesTheReplyAfterTheEchoAndStopsAtTheFirstFailure) {
    startModem();
    struct Case {
        Lines args;
        Lines events;
        int exit;
        Lines err;
    };
    const std::vector<Case> cases{
        // Found by the search; the echo and the blank framing lines are no reply lines.
        {{"send", "ATI", "AT+NOSUCH", "AT"},
         {"< ORVANE", "< SIMULATED MODEM", "< Revision: 1.0", "< OK", "OK", "< ERROR", "ERROR"},
         1,
         {"Проверка порта 1. Скорость 115200. Модем найден."}},
        // Numeric result codes end at their lone CR.
        {{"--port", "1", "send", "ATV0", "AT", "ATV1"},
         {"< 0", "OK", "< 0", "OK", "< OK", "OK"},
         0,
         {}},
        {{"--port", "1", "--baud", "115200", "send", "AT+CMEE=1", "AT+CMGR=9"},
         {"< OK", "OK", "< +CMS ERROR: 321", "ERROR"},
         1,
         {}},
        {{"--port", "1", "--wait", "300", "send", "AT+SLOW"}, {"TIMEOUT"}, 1, {}},
    };
    m_modem->setLineDelay("at+slow", 1500);  // letter case aside, as a modem takes lines
    for (const Case& c : cases) {
        EXPECT_EQ(runToEnd(c.args), c.exit) << c.args.back() << m_err;
        EXPECT_EQ(m_events, c.events) << c.args.back();
        EXPECT_EQ(messagesOf(m_err), c.err) << c.args.back();
    }
    // Only the search's and the operator's lines reached the modem: no ATE0, no ATH, nothing
    // after a failure.
    ASSERT_TRUE(heard("AT+SLOW"));
    EXPECT_EQ(m_modem->stats().commandLines, (Lines{"AT", "ATI", "AT+NOSUCH", "ATV0", "AT", "ATV1",
                                                    "AT+CMEE=1", "AT+CMGR=9", "AT+SLOW"}));
    EXPECT_FALSE(fs::exists(app() / "orvane.ini"));  // settings are read, never written
}

TEST_F(OrvaneAtTest, UsageErrorsExitTwoAndAPortThatDoesNotOpenExitsThreeWithItsReason) {
    EXPECT_EQ(runToEnd({"--baud", "9600", "send", "AT"}), 2);
    EXPECT_NE(m_err.find("orvane-at: option --baud needs --port"), std::string::npos) << m_err;
    for (const Lines& bad : {Lines{"dial"}, Lines{"send"}, Lines{"watch", "x"}, Lines{"ring"}}) {
        EXPECT_EQ(runToEnd(bad), 2) << bad[0];
    }
    EXPECT_EQ(runToEnd({"--help"}), 0);

    const std::string device = (m_root.path() / "ttyUSB0").string();
    testsupport::linkPort(app(), 1, device);
    const std::string reason = "Порт 1: ссылка ведёт на отсутствующее устройство " + device + ".";
    EXPECT_EQ(runToEnd({"send", "AT"}), 3);
    EXPECT_EQ(messagesOf(m_err), (Lines{"Не удалось открыть порт 1.", reason}));
    EXPECT_EQ(runToEnd({"--port", "1", "--baud", "9600", "watch"}), 3);
    EXPECT_EQ(messagesOf(m_err), (Lines{"Не удалось открыть порт 1, скорость 9600", reason}));
    EXPECT_TRUE(m_events.empty());
}

TEST_F(OrvaneAtTest, WatchReportsWhatTheModemSaysEvenCutInTwoUntilInterrupted) {
    startModem();
    for (const char* text : {"one", "two", "three"}) {
        channel(std::string("sms ") + text);
    }
    channel("delete 2");  // a gap: the next message goes there, although three were stored
    auto process = start({"--port", "1", "watch", "--delete"});
    ASSERT_TRUE(listening());
    const auto next = [&] { return eventText(process->readLine()); };

    channel("cut 400");
    channel("ring voice 123");
    EXPECT_EQ(next(), "RING");
    channel("hangup");
    channel("dtmf 12");
    EXPECT_EQ(next(), "DTMF 1");
    EXPECT_EQ(next(), "DTMF 2");
    channel("report BUSY");
    EXPECT_EQ(next(), "CALL END BUSY");
    channel("cut 400");
    channel("sms hello");
    EXPECT_EQ(next(), "SMS 2 " + sim::StoredMessage::fromText(m_channel.sender, "hello").pdu);
    // The message read is the one deleted; the others stay.
    ASSERT_TRUE(heard("AT+CMGD=2"));
    EXPECT_FALSE(m_modem->message(2));
    EXPECT_TRUE(m_modem->message(1) && m_modem->message(3));

    process->signal(SIGINT);
    EXPECT_EQ(process->waitExit(), 0);
    EXPECT_EQ(process->readAll(false), "");
    ASSERT_TRUE(heard("ATH"));
    EXPECT_EQ(m_modem->stats().commandLines,
              (Lines{"ATE0", "AT+CLCC", "AT+CPMS=\"SM\"", "AT+CMGR=2", "AT+CMGD=2", "ATH"}));
}

TEST_F(OrvaneAtTest, ACallEndsWithTheWordThatEndedIt) {
    startModem();
    struct Case {
        std::string plan;  // the command channel's dial outcome
        Lines args;
        std::string end;
    };
    const std::vector<Case> cases{
        {"busy", {"dial", "555"}, "CALL END BUSY"},
        {"no-dialtone", {"dial", "555"}, "CALL END NO DIALTONE"},
        {"no-answer", {"dial", "555"}, "CALL END NO ANSWER"},
        {"no-carrier", {"dial", "555"}, "CALL END NO CARRIER"},
        {"connect", {"dial", "X"}, "CALL END NO CARRIER"},  // ERROR: no such number
        // No word at all: the hang-up after the call's time ends the dial.
        {"no-reply", {"dial", "555", "--seconds", "1"}, "CALL END NO CARRIER"},
    };
    for (const Case& c : cases) {
        channel("dial " + c.plan);
        Lines args{"--port", "1"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        EXPECT_EQ(runToEnd(args), 1) << c.plan << m_err;
        EXPECT_EQ(m_events, (Lines{"DIALLING", c.end})) << c.plan;
    }
    EXPECT_EQ(runToEnd({"--port", "1", "answer"}), 1);  // nothing rings
    EXPECT_EQ(m_events, Lines{"CALL END NO CARRIER"});
}

TEST_F(OrvaneAtTest, AHangUpBeforeTheDialStartsCancelsIt) {
    startModem();
    // The dial waits behind ATE0, which waits its whole answer time; --seconds 0 hangs up
    // right after the dial was asked for.
    channel("delay ATE0 2000");
    EXPECT_EQ(runToEnd({"--port", "1", "dial", "9", "--seconds", "0"}), 1) << m_err;
    EXPECT_EQ(m_events, (Lines{"DIALLING", "CALL END 0"}));
    ASSERT_TRUE(heard("ATH"));
    EXPECT_EQ(m_modem->stats().commandLines, (Lines{"ATE0", "ATH"}));

    // A connected call is hung up on a signal, which makes the exit status 1.
    channel("delay ATE0 0");
    channel("dial connect");
    auto process = start({"--port", "1", "dial", "123"});
    EXPECT_EQ(eventText(process->readLine()), "DIALLING");
    EXPECT_EQ(eventText(process->readLine()), "CONNECT");
    process->signal(SIGTERM);
    EXPECT_EQ(eventText(process->readLine()), "CALL END NO CARRIER");
    EXPECT_EQ(process->waitExit(), 1);
    EXPECT_TRUE(heard("ATD123;"));
    EXPECT_EQ(m_modem->callState(), sim::CallState::Idle);
}

TEST_F(OrvaneAtTest, ADataCallHandsOnTheBytesRightAfterConnectAndEndsOnACutNoCarrier) {
    startModem();
    channel("greeting HELLO");
    auto dial = start({"--port", "1", "dial", "--data", "777"});
    const auto next = [&] { return eventText(dial->readLine()); };
    EXPECT_EQ(next(), "DIALLING");
    EXPECT_EQ(next(), "CONNECT 115200");
    EXPECT_EQ(next(), "DATA 48454C4C4F");
    channel("data abc");
    EXPECT_EQ(next(), "DATA 616263");
    channel("cut 500");
    channel("hangup");
    EXPECT_EQ(next(), "DATA 0D0A");  // the line end ahead of the modem's word
    EXPECT_EQ(next(), "CALL END NO CARRIER");
    EXPECT_EQ(dial->waitExit(), 0);  // the call did connect

    // An incoming data call, answered, greeted, and hung up after its time (escaping to
    // command mode first, so the modem hears ATH as a command).
    channel("ring data 555");
    EXPECT_EQ(runToEnd({"--port", "1", "answer", "--seconds", "1"}), 0) << m_err;
    EXPECT_EQ(m_events, (Lines{"CONNECT 115200", "DATA 48454C4C4F", "CALL END NO CARRIER"}));
    EXPECT_TRUE(m_modem->waitUntil(
        [](const sim::SimStats& s) {
            return s.commandLines.size() >= 3 &&
                   Lines(s.commandLines.end() - 3, s.commandLines.end()) ==
                       Lines{"ATA", "ATH", "ATH"};  // the hang-up, and the one at release
        },
        10000));
    EXPECT_EQ(m_modem->callState(), sim::CallState::Idle);
}

TEST_F(OrvaneAtTest, AnUnpluggedModemEndsTheWatchWithOnePortError) {
    startModem();
    auto process = start({"--port", "1", "watch"});
    ASSERT_TRUE(listening());
    m_modem->unplug();
    EXPECT_EQ(eventText(process->readLine()), "PORT ERROR Input/output error");
    EXPECT_EQ(process->waitExit(), 1);
    EXPECT_EQ(process->readAll(false), "");
}

TEST_F(OrvaneAtTest, TalksToDebiansIaxmodem) {
    testsupport::IaxModem iax;
    testsupport::linkPort(app(), 2, iax.devicePath());
    EXPECT_EQ(runToEnd({"--port", "2", "send", "ATI"}), 0) << m_err;
    EXPECT_EQ(m_events, (Lines{"< spandsp", "< OK", "OK"}));

    // Without a telephony server behind it a dial fails (iaxmodem gives up after 45 s);
    // which word it ends with is iaxmodem's business.
    EXPECT_EQ(runToEnd({"--port", "2", "dial", "123", "--seconds", "120"}), 1) << m_err;
    ASSERT_EQ(m_events.size(), 2u);
    EXPECT_EQ(m_events[0], "DIALLING");
    EXPECT_TRUE(m_events[1] == "CALL END BUSY" || m_events[1] == "CALL END NO CARRIER" ||
                m_events[1] == "CALL END NO DIALTONE" || m_events[1] == "CALL END NO ANSWER")
        << m_events[1];
}

}  // namespace
