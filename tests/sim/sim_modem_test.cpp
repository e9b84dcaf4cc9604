// The simulated modem over a real pseudo-terminal, seen from the application's side. Echo,
// rates, reply delays, garbage, unplugging, calls and messages over the line are ModemPort's
// and the facade's tests (tests/modem, tests/modem_module).

#include "sim/sim_modem.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "sim/flood_pattern.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace std::string_literals;
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

    sim::SimModem& modem() { return *m_modem; }

private:
    std::unique_ptr<sim::SimModem> m_modem;
};

// A late reply is orvane-at's test (tests/cli).
TEST_F(SimModemTest, CutsRepliesIntoChunksAtARateWithoutABConstant) {
    sim::SimOptions options;
    options.profile.echo = false;
    options.bauds = {14400};  // read back from the line
    start(options);
    PtyClient client{modem().slavePath(), 14400};
    modem().setChunking(2, 150);
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

TEST(SimModemReports, ReportsGoOutInTheOrderMadeAndAreCounted) {
    sim::SimOptions options;
    options.profile.echo = false;
    options.profile.extendedRing = true;
    sim::SimModem reporting{options};
    // Nobody hears a report made before the line exists.
    reporting.report("+LOST: 1");
    reporting.start();
    PtyClient line{reporting.slavePath()};

    EXPECT_TRUE(reporting.incomingCall({sim::CallType::Voice, "1", 0}));
    reporting.sendTones("12");
    reporting.inject("\0raw"s);
    reporting.report("+X: 1");
    EXPECT_EQ(line.readUntil("+X: 1\r\n"),
              "\r\n+CRING: VOICE\r\n\r\n+DTMF: 1\r\n\r\n+DTMF: 2\r\n\0raw\r\n+X: 1\r\n"s);
    ASSERT_TRUE(reporting.waitUntil([](const sim::SimStats& s) { return s.reportsWritten == 5; },
                                    kGenerousMs));
    EXPECT_EQ(reporting.stats().callState, sim::CallState::Ringing);
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
    EXPECT_TRUE(received == sim::FloodPattern::slice(0, received.size()));

    // The modem still answers afterwards.
    EXPECT_EQ(client.ask("AT\r", "OK\r\n"), "AT\r\r\nOK\r\n");
}

// Every test of the application reaches the modem through its link. Stopped, the modem is
// powered off: its link goes, and the next start has no call and no messages.
TEST_F(SimModemTest, LinksItselfAsAComPortOfAnApplicationFolderUntilStopped) {
    namespace fs = std::filesystem;
    testsupport::TempDir folder;
    start();
    const fs::path link = modem().linkAs(folder.path(), 7);
    ASSERT_TRUE(modem().incomingCall({sim::CallType::Voice, "1", 0}));
    ASSERT_TRUE(modem().storeMessage(1, sim::StoredMessage::fromText("+1", "x")));
    modem().stop();
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    EXPECT_EQ(modem().callState(), sim::CallState::Idle);
    EXPECT_EQ(modem().messageCount(), 0u);

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
