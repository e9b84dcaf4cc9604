// Why a port did not open, each reason met for real: a pseudo-terminal linked as COM1 and
// held, locked or closed to the user by other processes, and links that lead nowhere.

#include "modem/port_open_diagnosis.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/cp1251.h"
#include "platform/system_error.h"
#include "tests/support/device_holder.h"
#include "tests/support/port_links.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

// The line for a port that must not open, as the operator reads it (UTF-8).
std::string failureOf(int port) {
    const TCommPort attempt(port, 115200, 8, 1, false, true);
    EXPECT_FALSE(attempt.is_open()) << port;
    return platform::cp1251ToUtf8(openFailureText(port, attempt.open_failure()));
}

class PortOpenDiagnosisTest : public ::testing::Test {
protected:
    PortOpenDiagnosisTest() { testsupport::linkPort(m_app.path(), 1, m_pty.slavePath()); }

    testsupport::TempAppFolder m_app;
    testsupport::PtyPair m_pty;
    const std::string m_device = m_pty.slavePath();
};

TEST_F(PortOpenDiagnosisTest, EachReasonNamesTheDeviceTheNumberLedTo) {
    const std::string app = m_app.path().string();
    testsupport::linkPort(m_app.path(), 2, m_app.path() / "gone");
    std::ofstream(m_app.path() / "plain-file").put('x');
    testsupport::linkPort(m_app.path(), 3, m_app.path() / "plain-file");

    EXPECT_EQ(failureOf(5), "Порт 5: устройство " + app + "/ports/com5 отсутствует.");
    EXPECT_EQ(failureOf(2), "Порт 2: ссылка ведёт на отсутствующее устройство " + app + "/gone.");
    EXPECT_EQ(failureOf(3), "Порт 3: " + fs::canonical(m_app.path() / "plain-file").string() +
                                ": " + platform::cp1251ToUtf8(platform::systemErrorText(ENOTTY)));
    {
        // Of two other programs on the line, the one whose lock refused us is named.
        const testsupport::DeviceHolder watcher(m_app.path(), "watcher", m_device, false);
        const testsupport::DeviceHolder terminal(m_app.path(), "terminal", m_device, true);
        EXPECT_EQ(failureOf(1), "Порт 1: " + m_device + " занят программой terminal (PID " +
                                    std::to_string(terminal.pid()) + ").");
    }
    {
        const testsupport::DeviceHolder manager(m_app.path(), "ModemManager", m_device, true);
        EXPECT_EQ(failureOf(1), "Порт 1: " + m_device + " занят программой ModemManager (PID " +
                                    std::to_string(manager.pid()) +
                                    "). Исключите устройство для ModemManager правилом udev "
                                    "ID_MM_DEVICE_IGNORE=1.");
    }
    EXPECT_TRUE(TCommPort(1, 115200, 8, 1, false, true).is_open());  // let go with its holder
}

TEST_F(PortOpenDiagnosisTest, AnUnprivilegedUserLearnsTheGroupToJoinOrThatTheLineIsTaken) {
    const group* dialout = ::getgrnam("dialout");
    if (dialout == nullptr) {
        GTEST_SKIP() << "no group dialout on this machine";
    }
    ASSERT_EQ(::chmod(m_app.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod((m_app.path() / "ports").c_str(), 0755), 0);
    // As a real serial device: the group dialout may use it, others may not.
    ASSERT_EQ(::chown(m_device.c_str(), 0, dialout->gr_gid), 0);
    ASSERT_EQ(::chmod(m_device.c_str(), 0660), 0);
    const std::optional<std::string> denied = testsupport::runUnprivileged(
        [] { return openFailureText(1, TCommPort(1, 115200, 8, 1, false, true).open_failure()); });
    if (!denied) {
        GTEST_SKIP() << "needs root and an unprivileged user 65534 to switch to";
    }
    EXPECT_EQ(platform::cp1251ToUtf8(*denied),
              "Порт 1: нет прав на " + m_device +
                  "; пользователь должен входить в группу dialout (войдите в систему заново).");

    // Open to all but held in exclusive mode by root, whose descriptors the user cannot see.
    ASSERT_EQ(::chmod(m_device.c_str(), 0666), 0);
    ASSERT_EQ(::ioctl(m_pty.heldSlave(), TIOCEXCL), 0);
    const std::optional<std::string> busy = testsupport::runUnprivileged(
        [] { return openFailureText(1, TCommPort(1, 115200, 8, 1, false, true).open_failure()); });
    ::ioctl(m_pty.heldSlave(), TIOCNXCL);
    ASSERT_TRUE(busy);
    EXPECT_EQ(platform::cp1251ToUtf8(*busy), "Порт 1: " + m_device + " занят другой программой.");
}

}  // namespace
