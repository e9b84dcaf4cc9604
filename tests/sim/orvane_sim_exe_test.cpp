// orvane-sim as a process, and the command line it takes.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "sim/sim_options.h"
#include "tests/support/child_process.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// orvane-sim, started with its own runtime folder.
using SimProcess = testsupport::ChildProcess;

// The folder and its ports/ are made as needed; a stop by signal takes the link away.
TEST(OrvaneSimProcess, ServesThroughItsPortLinkWithItsOptionsUntilInterrupted) {
    testsupport::TempDir folder;
    const fs::path appFolder = folder.path() / "app";
    SimProcess process(ORVANE_SIM_EXE,
                       {"--port=12", "--app-folder", appFolder.string(), "--bauds", "9600,115200",
                        "--no-echo", "--numeric", "--delay", "100", "--chunk", "1", "--gap", "10"},
                       folder.path());
    const std::string device = process.readLine();
    ASSERT_TRUE(device.starts_with("/dev/pts/")) << device;
    const fs::path link = appFolder / "ports" / "com12";
    EXPECT_EQ(fs::read_symlink(link), device);
    {
        testsupport::PtyClient client{link.string(), 9600};
        const auto sentAt = Clock::now();
        EXPECT_EQ(client.ask("AT\r", "0\r"), "0\r");
        EXPECT_GE(Clock::now() - sentAt, std::chrono::milliseconds(100));
    }
    process.signal(SIGINT);
    EXPECT_EQ(process.waitExit(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

// What each command does is the channel's test below and orvane-at's (tests/cli).
TEST(OrvaneSimProcess, ActsOnCommandsFromStandardInputAndServesOnWithout) {
    testsupport::TempDir folder;
    SimProcess process(ORVANE_SIM_EXE,
                       {"--port", "4", "--app-folder", folder.path().string(), "--commands",
                        "--no-echo", "--extended-ring", "--sms", "first", "--sender", "+4930"},
                       folder.path());
    ASSERT_FALSE(process.readLine().empty());
    testsupport::PtyClient client{(folder.path() / "ports" / "com4").string()};

    ASSERT_TRUE(process.write("ring data 5551234\n"));
    EXPECT_EQ(client.readUntil("+CRING: DATA\r\n"), "\r\n+CRING: DATA\r\n");
    // A second caller is refused, on standard error, and the modem goes on.
    ASSERT_TRUE(process.write("ring\nnonsense here\n"));
    EXPECT_NE(process.readErrorUntil("nonsense here").find("orvane-sim: cannot follow"),
              std::string::npos);
    EXPECT_NE(process.readErrorUntil("not free").find("orvane-sim: the line is not free"),
              std::string::npos);
    EXPECT_EQ(
        client.ask("AT+CMGF=1;+CMGR=1\r", "OK\r\n"),
        "\r\n+CMGR: \"REC UNREAD\",\"+4930\",,\"24/01/01,12:00:00+00\"\r\nfirst\r\n\r\nOK\r\n");

    process.closeInput();
    EXPECT_EQ(client.ask("AT\r", "OK\r\n"), "\r\nOK\r\n");
    process.signal(SIGTERM);
    EXPECT_EQ(process.waitExit(), 0);
}

TEST(OrvaneSimProcess, RefusesABadCommandLineWithStatusTwo) {
    testsupport::TempDir folder;
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--port", "1", "--bogus"}, {}, {"--port"}}) {
        SimProcess process(ORVANE_SIM_EXE, args, folder.path());
        EXPECT_EQ(process.waitExit(), 2);
        const std::string err = process.readAll(true);
        EXPECT_TRUE(err.starts_with("orvane-sim: ")) << err;
        EXPECT_EQ(process.readAll(false), "");
    }
    EXPECT_TRUE(fs::is_empty(folder.path()));
}

TEST(OrvaneSimProcess, HelpNamesEveryOption) {
    testsupport::TempDir folder;
    SimProcess process(ORVANE_SIM_EXE, {"--help"}, folder.path());
    EXPECT_EQ(process.waitExit(), 0);
    const std::string help = process.readAll(false);
    for (const char* option :
         {"--port",          "--app-folder", "--bauds",        "--no-echo",   "--numeric",
          "--delay",         "--chunk",      "--gap",          "--silent",    "--stall-after",
          "--dial",          "--dial-delay", "--connect-rate", "--data-sink", "--guard-time",
          "--extended-ring", "--ring-every", "--sender",       "--sms",       "--commands",
          "--help",          "--delay-for",  "--garbage",      "--jitter"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
    }
}

// The words of a command line, split at spaces, and any further arguments as they are.
sim::SimCommandLine parse(std::string_view line, std::vector<std::string_view> more = {}) {
    std::vector<std::string_view> args;
    for (std::size_t at = 0; at < line.size();) {
        const std::size_t end = std::min(line.find(' ', at), line.size());
        args.push_back(line.substr(at, end - at));
        at = end + 1;
    }
    args.insert(args.end(), more.begin(), more.end());
    return sim::parseSimCommandLine(args);
}

// The options neither the process tests here nor the fault matrix (tests/faults) start
// orvane-sim with.
TEST(SimCommandLine, TakesEveryOption) {
    const sim::SimCommandLine line = parse(
        "--port 5 --app-folder=/tmp/x --delay-for ati=400 --delay-for AT+COPS=?=9000 "
        "--dial no-answer --dial-delay 1500 --connect-rate 33600 --data-sink --guard-time 110 "
        "--ring-every 5000 --sms one --stall-after AT+CFUN=1,1",
        {"--sms=two words"});
    EXPECT_FALSE(line.help);
    EXPECT_EQ(line.port, 5);
    EXPECT_EQ(line.appFolder, fs::path("/tmp/x"));
    EXPECT_EQ(line.options.faults.lineDelays,
              (std::map<std::string, std::uint32_t>{{"ATI", 400}, {"AT+COPS=?", 9000}}));
    EXPECT_EQ(line.options.calls.dial.outcome, sim::DialOutcome::NoAnswer);
    EXPECT_EQ(line.options.calls.dial.delayMs, 1500u);
    EXPECT_EQ(line.options.calls.connectRate, 33600u);
    EXPECT_EQ(line.options.calls.data, sim::DataHandling::Sink);
    // S12 counts fiftieths of a second: 110 ms rounds up to 6.
    EXPECT_EQ(line.options.profile.registers[sim::ModemProfile::kEscapeGuardTime], 6);
    EXPECT_EQ(line.ringEveryMs, 5000u);
    EXPECT_EQ(line.options.faults.stallAfter, "AT+CFUN=1,1");
    EXPECT_EQ(line.messages, (std::vector<std::string>{"one", "two words"}));
    EXPECT_TRUE(parse("--help").help);
}

TEST(SimCommandLine, RefusesWhatItCannotFollow) {
    EXPECT_THROW(sim::parseSimCommandLine({}), sim::UsageError);
    EXPECT_THROW(parse("--port 1 --app-folder", {""}), sim::UsageError);
    EXPECT_THROW(parse("--port 1 --sms", {std::string(161, 'x')}), sim::UsageError);
    for (const char* bad : {"--port 0",
                            "--port 65536",
                            "--port 3x",
                            "--port -1",
                            "--port",
                            "--port 1 --bauds 9600,,115200",
                            "--port 1 --bauds 9600,",
                            "--port 1 --bauds 0",
                            "--port 1 --gap 10",
                            "--port 1 --chunk 0",
                            "--port 1 --delay soon",
                            "--port 1 --silent=yes",
                            "--port 1 extra",
                            "--port 1 --dial maybe",
                            "--port 1 --guard-time 5101",
                            "--port 1 --connect-rate 0",
                            "--port 1 --commands=yes",
                            "--port 1 --sender abc --sms x",
                            "--port 1 --delay-for ATI",
                            "--port 1 --delay-for =5",
                            "--port 1 --delay-for ATI=0",
                            "--port 1 --stall-after="}) {
        EXPECT_THROW(parse(bad), sim::UsageError) << bad;
    }
}

TEST(SimCommandChannel, ChangesTheModemOrSaysWhyNot) {
    sim::SimModem modem;  // the channel works on a modem not started as well
    sim::SimCommandLine settings;
    const auto run = [&](std::string_view line) { sim::runSimCommand(modem, line, settings); };

    // What orvane-at's tests do not send it.
    run("ring voice +4930");
    run("  hangup \r");
    EXPECT_EQ(modem.callState(), sim::CallState::Idle);
    EXPECT_THROW(run("hangup"), sim::UsageError);
    run("sms hello there");
    run("pdu 00040B912143658709F10000421010210000000AE8329BFD4697D9EC37");
    EXPECT_EQ(modem.messageCount(), 2u);
    ASSERT_TRUE(modem.message(1));
    EXPECT_EQ(modem.message(1)->text, "hello there");
    run("dial no-reply 10");

    for (const char* bad :
         {"", "frobnicate", "ring 1 2", "ring data 1 2", "ring \"1\"", "hangup now", "dtmf", "sms",
          "pdu", "pdu 0G", "data", "data x", "report", "dial", "dial maybe", "dial busy soon",
          "dial busy -1", "delay 300", "delay ATI soon"}) {
        EXPECT_THROW(run(bad), sim::UsageError) << bad;
    }
    settings.sender = "not a number";
    EXPECT_THROW(run("sms hi"), sim::UsageError);
    EXPECT_EQ(modem.messageCount(), 2u);
}

}  // namespace
