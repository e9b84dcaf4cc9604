#include "modem/t_comm_port.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "modem/line_rate.h"
#include "modem/port_open_diagnosis.h"
#include "platform/cp1251.h"
#include "platform/system_error.h"
#include "sim/flood_pattern.h"
#include "tests/support/child_process.h"
#include "tests/support/port_links.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

constexpr int kLinkedPort = 1;

milliseconds since(Clock::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

// A temporary application folder whose ports/com1 leads to a pseudo-terminal, with the fixed
// ranges switched off so nothing can reach the machine's own serial devices.
class CommPortTest : public ::testing::Test {
protected:
    CommPortTest() { link(kLinkedPort, m_pty.slavePath()); }

    fs::path ports() const { return m_app.path() / "ports"; }
    void link(int number, const fs::path& target) {
        testsupport::linkPort(m_app.path(), number, target);
    }

    static std::unique_ptr<TCommPort> makePort(int number = kLinkedPort, int baud = 115200,
                                               bool ctsFlow = true) {
        return std::make_unique<TCommPort>(number, baud, 8, 1, false, ctsFlow);
    }

    termios lineSettings() const {
        termios settings{};
        EXPECT_EQ(::tcgetattr(m_pty.master(), &settings), 0);
        return settings;
    }

    testsupport::TempAppFolder m_app;
    testsupport::PtyPair m_pty;
};

std::string readOnce(TCommPort& port, int count, bool* ok = nullptr) {
    std::string buffer(static_cast<std::size_t>(count), '\0');
    unsigned got = 12345;
    const bool result = port.read(buffer.data(), count, got);
    if (ok != nullptr) {
        *ok = result;
    }
    buffer.resize(got);
    return buffer;
}

// The line for a port that must not open, as the operator reads it (UTF-8).
std::string failureOf(int port) {
    const TCommPort attempt(port, 115200, 8, 1, false, true);
    EXPECT_FALSE(attempt.is_open()) << port;
    return platform::cp1251ToUtf8(openFailureText(port, attempt.open_failure()));
}

}  // namespace

TEST_F(CommPortTest, PortsWithoutAUsableDeviceStayClosed) {
    link(2, m_app.path() / "nothing-here");
    for (const int number : {500, 2, 5, 0}) {
        TCommPort port(number, 115200, 8, 1, false, true);
        EXPECT_FALSE(port.is_open()) << number;
        unsigned got = 7;
        char buffer[8];
        errno = 0;
        EXPECT_FALSE(port.read(buffer, 8, got)) << number;
        EXPECT_EQ(errno, EBADF);
        EXPECT_EQ(got, 0u);
        EXPECT_FALSE(port.write("AT\r", 3)) << number;
        EXPECT_FALSE(port.flush());
        EXPECT_FALSE(port.read_any(buffer, 5, 100000, got));  // gives up after its passes
        EXPECT_EQ(got, 0u);
        port.set_baudrate(9600);
        EXPECT_EQ(port.baud_rate(), 115200);
        // Without a device only the mode already in force can be asked for.
        EXPECT_TRUE(port.set_timeouts(0, 0));
        EXPECT_FALSE(port.set_timeouts(2, 100));
    }
    // A number inside the fixed ranges names no device while links-only is there.
    EXPECT_TRUE(TCommPort(5, 115200, 8, 1, false, true).device_path().empty());
}

TEST_F(CommPortTest, OpensWithRawLineSettingsAndTheModeString) {
    auto port = makePort();
    ASSERT_TRUE(port->is_open());
    EXPECT_EQ(port->mode_string(), "baud=115200 parity=N data=8 stop=1");
    EXPECT_EQ(port->device_path(), ports() / "com1");
    EXPECT_EQ(port->timeout_mode(), 2);
    EXPECT_EQ(port->timeout_value(), 100u);

    // The master side sees the slave's settings.
    termios settings = lineSettings();
    EXPECT_EQ(::cfgetospeed(&settings), static_cast<speed_t>(B115200));
    constexpr tcflag_t kControl = CS8 | CRTSCTS | CLOCAL | CREAD;
    EXPECT_EQ(settings.c_cflag & (CSIZE | CRTSCTS | CLOCAL | CREAD), kControl);
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(settings.c_oflag & OPOST, 0u);
    EXPECT_EQ(settings.c_iflag & (ICRNL | IXON), 0u);
    port.reset();

    port = makePort(kLinkedPort, 9600, false);
    ASSERT_TRUE(port->is_open());
    settings = lineSettings();
    EXPECT_EQ(::cfgetospeed(&settings), static_cast<speed_t>(B9600));
    EXPECT_EQ(settings.c_cflag & CRTSCTS, 0u);

    // A malformed line parameters text (here: data bits out of range) ends the open before
    // the device is touched.
    TCommPort badBits(kLinkedPort, 9600, 9, 1, false, true);
    EXPECT_FALSE(badBits.is_open());
    EXPECT_EQ(badBits.mode_string(), "baud=9600 parity=N data=9 stop=1");
    EXPECT_FALSE(TCommPort(kLinkedPort, 0, 8, 1, false, true).is_open());
}

TEST_F(CommPortTest, AnUnprivilegedUserReopensAtOnceOrLearnsWhyNot) {
    const group* dialout = ::getgrnam("dialout");
    ASSERT_NE(dialout, nullptr);
    // Open and close once as root while the master side stays open: whatever that leaves on
    // the terminal must not lock out the next user.
    ASSERT_TRUE(makePort()->is_open());
    ASSERT_EQ(::chmod(m_app.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(ports().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(m_pty.slavePath().c_str(), 0666), 0);
    // Two opens in a row as the user: "+" for each that works, else the line the user reads.
    const auto asUser = [] {
        return testsupport::runUnprivileged([] {
            std::string outcome;
            for (int attempt = 0; attempt < 2; ++attempt) {
                const TCommPort port(kLinkedPort, 115200, 8, 1, false, true);
                if (port.is_open()) {
                    outcome += '+';
                } else {
                    outcome =
                        platform::cp1251ToUtf8(openFailureText(kLinkedPort, port.open_failure()));
                }
            }
            return outcome;
        });
    };
    const std::optional<std::string> opened = asUser();
    if (!opened) {
        GTEST_SKIP() << "needs root and an unprivileged user 65534 to switch to";
    }
    EXPECT_EQ(*opened, "++") << "the open as an unprivileged user failed";

    // As a real serial device: the group dialout may use it, others may not.
    ASSERT_EQ(::chown(m_pty.slavePath().c_str(), 0, dialout->gr_gid), 0);
    ASSERT_EQ(::chmod(m_pty.slavePath().c_str(), 0660), 0);
    EXPECT_EQ(asUser(), "Порт 1: нет прав на " + m_pty.slavePath() +
                            "; пользователь должен входить в группу dialout (войдите в систему "
                            "заново).");
    // Open to all but held in exclusive mode by root, whose descriptors the user cannot see.
    ASSERT_EQ(::chmod(m_pty.slavePath().c_str(), 0666), 0);
    ASSERT_EQ(::ioctl(m_pty.heldSlave(), TIOCEXCL), 0);
    EXPECT_EQ(asUser(), "Порт 1: " + m_pty.slavePath() + " занят другой программой.");
    ::ioctl(m_pty.heldSlave(), TIOCNXCL);
}

TEST_F(CommPortTest, WhyAPortDidNotOpenNamesTheDeviceItsNumberLedTo) {
    const std::string app = m_app.path().string();
    std::ofstream(m_app.path() / "plain-file").put('x');
    link(3, m_app.path() / "plain-file");

    // A dangling link's line is read through orvane-at.
    EXPECT_EQ(failureOf(5), "Порт 5: устройство " + app + "/ports/com5 отсутствует.");
    EXPECT_EQ(failureOf(3), "Порт 3: " + fs::canonical(m_app.path() / "plain-file").string() +
                                ": " + platform::cp1251ToUtf8(platform::systemErrorText(ENOTTY)));
    {
        // Of two other programs on the line, the one whose lock refused us is named.
        const testsupport::DeviceHolder watcher(m_app.path(), "watcher", m_pty.slavePath(), false);
        const testsupport::DeviceHolder terminal(m_app.path(), "terminal", m_pty.slavePath(), true);
        ASSERT_TRUE(m_pty.write("held"));
        EXPECT_EQ(failureOf(1), "Порт 1: " + m_pty.slavePath() +
                                    " занят программой terminal (PID " +
                                    std::to_string(terminal.pid()) + ").");
        // The failed open purged nothing on the holders' line.
        pollfd fd{m_pty.heldSlave(), POLLIN, 0};
        ASSERT_EQ(::poll(&fd, 1, 2000), 1);
        char buffer[16] = {};
        EXPECT_EQ(::read(m_pty.heldSlave(), buffer, sizeof buffer), 4);
    }
    {
        const testsupport::DeviceHolder manager(m_app.path(), "ModemManager", m_pty.slavePath(),
                                                true);
        EXPECT_EQ(failureOf(1), "Порт 1: " + m_pty.slavePath() +
                                    " занят программой ModemManager (PID " +
                                    std::to_string(manager.pid()) +
                                    "). Исключите устройство для ModemManager правилом udev "
                                    "ID_MM_DEVICE_IGNORE=1.");
    }
    EXPECT_TRUE(TCommPort(1, 115200, 8, 1, false, true).is_open());  // let go with its holder
}

TEST_F(CommPortTest, BaudRateChangesReachTheLine) {
    auto port = makePort();
    ASSERT_TRUE(port->is_open());
    port->set_baudrate(9600);
    EXPECT_EQ(port->baud_rate(), 9600);
    termios settings = lineSettings();
    EXPECT_EQ(::cfgetospeed(&settings), static_cast<speed_t>(B9600));
    // Everything else of the line stays.
    EXPECT_NE(settings.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(settings.c_lflag & ICANON, 0u);

    port->set_baudrate(250000);
    EXPECT_EQ(port->baud_rate(), 250000);
    EXPECT_EQ(line_rate::read(m_pty.master()), 250000u);
    port->set_baudrate(115200);
    EXPECT_EQ(line_rate::read(m_pty.master()), 115200u);

    // The rate already set: the device is not touched, even if the line drifted meanwhile.
    settings = lineSettings();
    ::cfsetospeed(&settings, B19200);
    ASSERT_EQ(::tcsetattr(m_pty.heldSlave(), TCSANOW, &settings), 0);
    port->set_baudrate(115200);
    EXPECT_EQ(line_rate::read(m_pty.master()), 19200u);

    port->set_baudrate(0);
    EXPECT_EQ(port->baud_rate(), 115200);
    port.reset();

    // A rate without a constant works from the start, too.
    port = makePort(kLinkedPort, 250000);
    ASSERT_TRUE(port->is_open());
    EXPECT_EQ(line_rate::read(m_pty.master()), 250000u);
}

TEST_F(CommPortTest, ReadWaitsForTheTotalLimitOfItsModeWhenNothingArrives) {
    auto port = makePort();
    ASSERT_TRUE(port->is_open());
    EXPECT_FALSE(port->set_timeouts(4, 100));
    EXPECT_EQ(port->timeout_mode(), 2);
    // Mode 2 waits its total; mode 0 adds 30 ms per byte asked for; mode 1 waits up to the
    // constant for the first byte.
    struct Case {
        int mode;
        unsigned value;
        int count;
        int minMs;
    };
    for (const Case& c : {Case{2, 100, 100, 100}, Case{0, 10, 3, 100}, Case{1, 120, 100, 120}}) {
        ASSERT_TRUE(port->set_timeouts(c.mode, c.value));
        const auto start = Clock::now();
        bool ok = false;
        EXPECT_EQ(readOnce(*port, c.count, &ok), "") << c.mode;
        EXPECT_TRUE(ok);
        EXPECT_GE(since(start), milliseconds(c.minMs)) << c.mode;
        EXPECT_LT(since(start), milliseconds(1000)) << c.mode;
    }
}

TEST_F(CommPortTest, ReadReturnsAReplyOnceTheLineIsQuietAndNothingFromBeforeTheOpen) {
    ASSERT_TRUE(m_pty.write("stale"));
    auto port = makePort();
    ASSERT_TRUE(port->is_open());
    const auto sent = Clock::now();
    ASSERT_TRUE(m_pty.write("\r\nOK\r\n"));
    bool ok = false;
    EXPECT_EQ(readOnce(*port, 9999, &ok), "\r\nOK\r\n");
    EXPECT_TRUE(ok);
    EXPECT_GE(since(sent), milliseconds(50));
    EXPECT_LT(since(sent), milliseconds(1000));

    // A read never takes more than it was asked for; the rest waits for the next one.
    ASSERT_TRUE(m_pty.write("ABCDEF"));
    EXPECT_EQ(readOnce(*port, 4), "ABCD");
    EXPECT_EQ(readOnce(*port, 100), "EF");

    // Mode 1 hands over what is there without waiting for the line to fall quiet.
    ASSERT_TRUE(port->set_timeouts(1, 0));
    ASSERT_TRUE(m_pty.write("xyz"));
    std::string got;
    for (int i = 0; i < 1000 && got.size() < 3; ++i) {
        got += readOnce(*port, 100, &ok);
        ASSERT_TRUE(ok);
        if (got.size() < 3) {
            pollfd fd{m_pty.heldSlave(), POLLIN, 0};
            ::poll(&fd, 1, 10);
        }
    }
    EXPECT_EQ(got, "xyz");
}

TEST_F(CommPortTest, WriteDeliversEverythingAsTheLineTakesIt) {
    auto port = makePort();
    ASSERT_TRUE(port->is_open());
    EXPECT_TRUE(port->write("AT\r", 3));
    EXPECT_EQ(m_pty.read(3), "AT\r");
    EXPECT_TRUE(port->flush());
    EXPECT_TRUE(port->write("", 0));

    // Far more than the pseudo-terminal buffers: the writer must wait for the reader.
    const std::string block = sim::FloodPattern::slice(0, 300000);
    std::string received;
    std::thread reader([&] { received = m_pty.read(block.size(), milliseconds(20000)); });
    EXPECT_TRUE(port->write(block.data(), static_cast<int>(block.size())));
    reader.join();
    EXPECT_TRUE(received == block) << received.size() << " bytes received";
}

// The limit of mode 3 fails the search's writes (PortFinderErrors); the mode without a write
// limit is bounded too.
TEST_F(CommPortTest, AWriteLimitTurnsAFullLineIntoAFailure) {
    auto port = makePort();
    ASSERT_TRUE(port->is_open());
    ASSERT_GT(m_pty.fillTowardsMaster(), 0u);
    // 960 bytes at 9600 baud, 20 bits each, take 2 s on the line; with an allowance of 500 ms
    // the write gives up after 2.5 s.
    port->set_baudrate(9600);
    port->set_write_allowance(500);
    const auto start = Clock::now();
    errno = 0;
    EXPECT_FALSE(port->write(std::string(960, 'W').data(), 960));
    EXPECT_EQ(errno, ETIMEDOUT);
    EXPECT_GE(since(start), milliseconds(2500));
    EXPECT_LT(since(start), milliseconds(10000));
}

TEST_F(CommPortTest, RepeatedReadsCollectUntilEnoughOrTimeUp) {
    auto port = makePort();
    ASSERT_TRUE(port->is_open());
    char buffer[32] = {};
    unsigned total = 99;

    ASSERT_TRUE(m_pty.write("ABCDEF"));
    EXPECT_TRUE(port->read_full(buffer, 4, 1000, total));
    EXPECT_EQ(total, 4u);
    EXPECT_EQ(std::string(buffer, 4), "ABCD");
    EXPECT_TRUE(port->read_any(buffer, 10, 1000, total));
    EXPECT_EQ(total, 2u);
    EXPECT_EQ(std::string(buffer, 2), "EF");

    // Not enough within the time: false, with what did arrive counted and in place.
    ASSERT_TRUE(m_pty.write("XY"));
    auto start = Clock::now();
    EXPECT_FALSE(port->read_full(buffer, 5, 150, total));
    EXPECT_EQ(total, 2u);
    EXPECT_EQ(std::string(buffer, 2), "XY");
    EXPECT_GE(since(start), milliseconds(150));
    EXPECT_LT(since(start), milliseconds(2000));

    start = Clock::now();
    EXPECT_FALSE(port->read_any(buffer, 5, 150, total));
    EXPECT_EQ(total, 0u);
    EXPECT_GE(since(start), milliseconds(150));
}
