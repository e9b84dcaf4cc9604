// The simulated modem over a real pseudo-terminal, seen from the application's side.

#include "sim/sim_modem.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "sim/flood_pattern.h"
#include "tests/support/pty_client.h"
#include "tests/support/temp_dir.h"

namespace {

using testsupport::msSince;
using testsupport::PtyClient;
using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kGenerousMs = 5000;

class SimModemTest : public ::testing::Test {
protected:
    void start(sim::SimOptions options = {}) {
        m_modem = std::make_unique<sim::SimModem>(std::move(options));
        m_modem->start();
    }

    // Waits until a counter, such as the lines dealt with (answered or ignored), reaches n.
    void waitFor(std::uint64_t sim::SimStats::*counter, std::uint64_t n) {
        ASSERT_TRUE(m_modem->waitUntil([&](const sim::SimStats& s) { return s.*counter >= n; },
                                       kGenerousMs));
    }

    sim::SimModem& modem() { return *m_modem; }

private:
    std::unique_ptr<sim::SimModem> m_modem;
};

TEST_F(SimModemTest, AnswersWithEchoAndVerboseOrNumericResultCodesAcrossReopens) {
    start();
    {
        PtyClient client{modem().slavePath()};
        EXPECT_EQ(client.ask("AT\r", "OK\r\n"), "AT\r\r\nOK\r\n");
        EXPECT_EQ(client.ask("AT+NOPE\r", "ERROR\r\n"), "AT+NOPE\r\r\nERROR\r\n");
        EXPECT_EQ(client.ask("ATE0\r\n", "OK\r\n"), "ATE0\r\r\nOK\r\n");
        EXPECT_EQ(client.ask("AT\r\n", "OK\r\n"), "\r\nOK\r\n");
        EXPECT_EQ(client.ask("ATV0\r", "\r"), "0\r");
        EXPECT_EQ(client.ask("AT+NOPE\r", "\r"), "4\r");
    }

    // The application closes and reopens the port: the modem serves on, as it was.
    for (int open = 0; open < 2; ++open) {
        PtyClient again{modem().slavePath()};
        EXPECT_EQ(again.ask("AT\r", "\r"), "0\r") << "open " << open;
    }
}

TEST_F(SimModemTest, AnswersOnlyLinesWhoseFirstByteCameAtAChosenRate) {
    sim::SimOptions options;
    options.bauds = {9600, 14400};
    start(options);
    PtyClient client{modem().slavePath(), 115200};
    client.send("AT\r");
    waitFor(&sim::SimStats::linesReceived, 1);
    EXPECT_EQ(client.readFor(200), "");
    EXPECT_EQ(modem().stats().linesIgnored, 1u);
    client.setBaud(9600);
    EXPECT_EQ(client.ask("AT\r", "OK\r\n"), "AT\r\r\nOK\r\n");
    // A rate without a B constant, set the way the application sets it.
    client.setBaud(14400);
    EXPECT_EQ(client.ask("AT\r", "OK\r\n"), "AT\r\r\nOK\r\n");

    client.send("A");
    waitFor(&sim::SimStats::bytesReceived, 10);
    client.setBaud(115200);
    EXPECT_EQ(client.ask("T\r", "OK\r\n"), "AT\r\r\nOK\r\n");
    client.send("A");
    waitFor(&sim::SimStats::bytesReceived, 13);
    client.setBaud(9600);
    client.send("T\r");
    waitFor(&sim::SimStats::linesReceived, 5);
    EXPECT_EQ(client.readFor(200), "");
}

TEST_F(SimModemTest, DelaysReplies) {
    sim::SimOptions options;
    options.faults.replyDelayMs = 300;
    start(options);
    PtyClient client{modem().slavePath()};
    const auto sentAt = Clock::now();
    EXPECT_EQ(client.ask("AT\r", "OK\r\n"), "AT\r\r\nOK\r\n");
    EXPECT_GE(msSince(sentAt), 300);

    modem().setReplyDelay(0);
    EXPECT_EQ(client.ask("AT\r", "OK\r\n"), "AT\r\r\nOK\r\n");

    // One command answers late, letter case aside; the others do not.
    modem().setLineDelay("at+cgmi", 300);
    const auto askedAt = Clock::now();
    EXPECT_EQ(client.ask("AT+CGMI\r", "OK\r\n"), "AT+CGMI\r\r\nORVANE\r\n\r\nOK\r\n");
    EXPECT_GE(msSince(askedAt), 300);
    modem().setLineDelay("AT+CGMI", 0);
    EXPECT_EQ(client.ask("AT+CGMI\r", "OK\r\n"), "AT+CGMI\r\r\nORVANE\r\n\r\nOK\r\n");
}

TEST_F(SimModemTest, CutsRepliesIntoChunksWithGaps) {
    sim::SimOptions options;
    options.profile.echo = false;
    start(options);
    modem().setChunking(2, 150);
    PtyClient client{modem().slavePath()};
    const auto sentAt = Clock::now();
    client.send("AT+CSQ\r");
    const std::vector<std::string> pieces = client.readPiecesUntil("OK\r\n");
    std::string whole;
    for (const std::string& piece : pieces) {
        whole += piece;
    }
    EXPECT_EQ(whole, "\r\n+CSQ: 20,99\r\n\r\nOK\r\n");
    // 22 bytes in pieces of 2: ten gaps at least.
    EXPECT_GE(msSince(sentAt), 10 * 150);
    EXPECT_GE(pieces.size(), 2u);
}

TEST_F(SimModemTest, SendsGarbageAndNulBytesBeforeRepliesAndOnDemand) {
    start();
    PtyClient client{modem().slavePath()};
    const std::string garbage("\0\xFF\0junk\r\n", 9);
    modem().setGarbageBeforeReply(garbage);
    EXPECT_EQ(client.ask("AT\r", "OK\r\n"), "AT\r" + garbage + "\r\nOK\r\n");

    modem().setGarbageBeforeReply({});
    const std::string unsolicited("\0\0\r\nRING\r\n", 10);
    modem().inject(unsolicited);
    EXPECT_EQ(client.readUntil("RING\r\n"), unsolicited);
    EXPECT_EQ(client.ask("AT\r", "OK\r\n"), "AT\r\r\nOK\r\n");
}

TEST_F(SimModemTest, SilentModemSwallowsEverything) {
    sim::SimOptions options;
    options.faults.silent = true;
    start(options);
    PtyClient client{modem().slavePath()};
    client.send("ATE0\rAT\r");
    waitFor(&sim::SimStats::linesReceived, 2);
    EXPECT_EQ(client.readFor(200), "");
    EXPECT_EQ(modem().stats().bytesWritten, 0u);

    // Coming back to life, it has not run what it swallowed: echo is still on.
    modem().setSilent(false);
    EXPECT_EQ(client.ask("AT\r", "OK\r\n"), "AT\r\r\nOK\r\n");
}

TEST_F(SimModemTest, FloodsUntilStoppedWithoutLosingBytes) {
    start();
    PtyClient client{modem().slavePath()};
    modem().startFlood();
    constexpr std::size_t kWanted = 256 * 1024;
    std::string received = client.readCount(kWanted, 20000);
    ASSERT_GE(received.size(), kWanted);
    modem().stopFlood();

    const std::uint64_t written = modem().stats().bytesWritten;
    ASSERT_GE(written, received.size());
    received += client.readCount(written - received.size(), 20000);
    EXPECT_EQ(received.size(), written);
    EXPECT_EQ(client.readFor(200), "");
    EXPECT_EQ(modem().stats().bytesWritten, written);
    std::size_t mismatches = 0;
    for (std::size_t i = 0; i < received.size(); ++i) {
        mismatches += received[i] != sim::FloodPattern::byteAt(i) ? 1 : 0;
    }
    EXPECT_EQ(mismatches, 0u);

    // The modem still answers afterwards.
    EXPECT_EQ(client.ask("AT\r", "OK\r\n"), "AT\r\r\nOK\r\n");
}

TEST_F(SimModemTest, UnplugMakesTheApplicationsReadFail) {
    start();
    PtyClient client{modem().slavePath()};
    client.send("AT\r");
    ASSERT_EQ(client.readUntil("OK\r\n"), "AT\r\r\nOK\r\n");

    modem().unplug();
    EXPECT_TRUE(modem().stats().unplugged);
    // The line is hung up: poll says so, a read brings no data (end of file, or EIO on
    // kernels that report it so) and a write fails with EIO.
    pollfd in{client.fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&in, 1, kGenerousMs), 1);
    EXPECT_TRUE(in.revents & POLLHUP) << in.revents;
    char byte = 0;
    errno = 0;
    const ssize_t got = ::read(client.fd(), &byte, 1);
    EXPECT_TRUE(got == 0 || (got == -1 && errno == EIO)) << got << " errno " << errno;
    errno = 0;
    EXPECT_EQ(::write(client.fd(), "AT\r", 3), -1);
    EXPECT_EQ(errno, EIO);
    // Stopping an unplugged modem is fine.
    modem().stop();
}

TEST_F(SimModemTest, LinksItselfAsAComPortOfAnApplicationFolder) {
    namespace fs = std::filesystem;
    testsupport::TempDir folder;
    start();
    const fs::path link = modem().linkAs(folder.path(), 7);
    EXPECT_EQ(link, folder.path() / "ports" / "com7");
    EXPECT_EQ(fs::read_symlink(link), modem().slavePath());
    {
        PtyClient client{link.string()};
        EXPECT_EQ(client.ask("AT\r", "OK\r\n"), "AT\r\r\nOK\r\n");
    }
    modem().stop();
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));

    // A stale link left by a dead simulator is taken over; a file of the name is not.
    fs::create_symlink("/nonexistent/pts/99", folder.path() / "ports" / "com8");
    std::ofstream{folder.path() / "ports" / "com9"} << "keep";
    start();
    EXPECT_NO_THROW(modem().linkAs(folder.path(), 8));
    EXPECT_EQ(fs::read_symlink(folder.path() / "ports" / "com8"), modem().slavePath());
    EXPECT_THROW(modem().linkAs(folder.path(), 9), std::runtime_error);
    EXPECT_TRUE(fs::is_regular_file(folder.path() / "ports" / "com9"));
}

}  // namespace
