// orvane end to end: a copy of the desktop tool in a temporary application folder, on a virtual
// display of its own, against a copy of the simulated modem. The window is driven through real
// pointer and key events (xdotool) and read through the message copy (ui/message_copy.h).

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/x_close.h"
#include "tests/support/child_process.h"
#include "tests/support/file_bytes.h"
#include "tests/support/port_links.h"
#include "tests/support/temp_dir.h"
#include "ui/desktop_platform.h"

namespace fs = std::filesystem;
using testsupport::ChildProcess;
using testsupport::readBytes;

namespace {

// Generous bounds: the AddressSanitizer build of orvane is several times slower, and CI runs
// on two busy cores. None of them is a timing assertion.
constexpr int kWindowMs = 60000;
constexpr int kRunMs = 120000;
constexpr int kExitMs = 60000;

const std::string kSuccess = "Тестирование завершено успешно.";
// The list chosen in the settings file: not the first one, so that keeping it means something.
const std::string kChosenList = "gsm_info";
// The simulated modem answers at this rate only; the stored one is 115200.
const std::string kModemBaud = "57600";

// From ui/t_main_form.ui: the start button spans the width between 10 pixels from the left
// and 11 from the right, rows 46 to 70; the lower buttons are 13 to 37 pixels above the bottom.
constexpr int kStartButtonY = 58;

std::string findOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream entries(path != nullptr ? path : "");
    for (std::string dir; std::getline(entries, dir, ':');) {
        const fs::path candidate = fs::path(dir.empty() ? "." : dir) / name;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate.string();
        }
    }
    return {};
}

class OrvaneDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_xvfb = findOnPath("Xvfb");
        m_xdotool = findOnPath("xdotool");
        if (m_xvfb.empty() || m_xdotool.empty()) {
            GTEST_SKIP() << "Xvfb or xdotool is not installed (test.sh installs both)";
        }
        prepareFolder();
        // Xvfb picks a free display itself and names it on the descriptor given. Without
        // -noreset it starts afresh whenever its last client leaves, refusing connections
        // meanwhile, which a desktop session's display never does.
        m_display = std::make_unique<ChildProcess>(
            "/bin/sh",
            std::vector<std::string>{"-c",
                                     "exec \"$0\" -displayfd 1 -screen 0 1024x768x24 "
                                     "-nolisten tcp -noreset 2>/dev/null",
                                     m_xvfb},
            runtime());
        const std::string number = m_display->readLine(kWindowMs);
        ASSERT_FALSE(number.empty()) << "Xvfb did not start";
        m_displayName = ":" + number;

        m_sim = std::make_unique<ChildProcess>(
            (app() / "orvane-sim").string(),
            std::vector<std::string>{"--port", "1", "--app-folder", app().string(), "--bauds",
                                     kModemBaud},
            runtime());
        ASSERT_FALSE(m_sim->readLine(kWindowMs).empty()) << m_sim->readAll(true, 1000);
        ASSERT_TRUE(fs::is_symlink(app() / "ports" / "com1"));
    }

    void TearDown() override {
        for (auto* process : {&m_sim, &m_display}) {
            if (*process) {
                (*process)->signal(SIGTERM);
                (*process)->waitExit(kExitMs);
            }
        }
    }

    fs::path app() const { return m_root.path() / "app"; }
    fs::path runtime() const { return m_root.path() / "run"; }
    fs::path messageCopy() const { return m_root.path() / "messages.txt"; }

    void prepareFolder() {
        const fs::path staged = ORVANE_APP_DIR;
        fs::create_directories(app() / "ports");
        fs::create_directories(runtime());
        fs::permissions(runtime(), fs::perms::owner_all);
        for (const char* exe : {"orvane", "orvane-sim"}) {
            fs::copy_file(staged / exe, app() / exe);
        }
        for (const char* folder : {"cfg", "help", "cfg_help"}) {
            fs::copy(staged / folder, app() / folder, fs::copy_options::recursive);
        }
        testsupport::makeLinksOnly(app());
        // UTF-8, as an operator's editor writes it: orvane keeps the file so.
        std::ofstream(app() / "orvane.ini", std::ios::binary)
            << "[Общие]\r\n"
            << "Номер последнего найденного COM-порта=1\r\n"
            << "Битовая скорость для последнего найденного COM-порта=115200\r\n"
            << "[Параметры]\r\n"
            << "Набор команд, выбранный в выпадающем списке=" << kChosenList << "\r\n"
            << "[Отладка]\r\n"
            << "Проверять только один COM-порт=1\r\n";
    }

    std::unique_ptr<ChildProcess> startOrvane() {
        // The sanitizer builds: what Debian's libraries keep on a real display is not ours.
        const char* lsan = std::getenv("LSAN_OPTIONS");
        std::string lsanOptions = lsan != nullptr && *lsan != '\0' ? std::string(lsan) + ":" : "";
        lsanOptions += "suppressions=" ORVANE_E2E_LSAN_SUPP;
        // No platform asked for: orvane takes the display itself. No UTF-8 locale either, as
        // on a fresh machine: the window is still found by its title.
        return std::make_unique<ChildProcess>(
            (app() / "orvane").string(), std::vector<std::string>{}, runtime(),
            std::vector<std::string>{"DISPLAY=" + m_displayName, "QT_QPA_PLATFORM=", "LC_ALL=C",
                                     "ORVANE_MESSAGE_COPY=" + messageCopy().string(),
                                     "LSAN_OPTIONS=" + lsanOptions});
    }

    // Runs xdotool on the test's display; its output, or what came before it failed.
    std::string xdotool(const std::vector<std::string>& args, int timeoutMs = kWindowMs) {
        ChildProcess tool(m_xdotool, args, runtime(), {"DISPLAY=" + m_displayName});
        const std::string out = tool.readAll(false, timeoutMs);
        EXPECT_EQ(tool.waitExit(kExitMs), 0)
            << "xdotool " << args.front() << ": " << tool.readAll(true, 1000);
        return out;
    }

    // The first visible window whose name matches; 0 when none appeared in time.
    unsigned long waitForWindow(const std::string& nameRegex) {
        const std::string id =
            xdotool({"search", "--sync", "--onlyvisible", "--name", nameRegex}, kWindowMs);
        return id.empty() ? 0 : std::stoul(id);
    }

    int windowWidth(unsigned long window) {
        const std::string shell = xdotool({"getwindowgeometry", "--shell", std::to_string(window)});
        const std::size_t at = shell.find("\nWIDTH=");
        return at == std::string::npos ? 0 : std::stoi(shell.substr(at + 7));
    }

    // Waits for a line of the message copy; keeps reading orvane's output meanwhile, so that
    // a chatty toolkit never blocks it on a full pipe.
    bool waitForMessage(ChildProcess& orvane, const std::string& line, int timeoutMs) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < deadline) {
            if (readBytes(messageCopy()).find(line + "\n") != std::string::npos) {
                return true;
            }
            orvane.readAll(false, 0);
            orvane.readAll(true, 50);
        }
        return false;
    }

    testsupport::TempDir m_root;
    std::string m_xvfb;
    std::string m_xdotool;
    std::string m_displayName;
    std::unique_ptr<ChildProcess> m_display;
    std::unique_ptr<ChildProcess> m_sim;
};

TEST_F(OrvaneDesktopTest, ARunStartedByAClickSucceedsASecondStartIsRefusedTheSettingsStay) {
    auto orvane = startOrvane();
    const unsigned long mainWindow = waitForWindow("Тест модема");
    ASSERT_NE(mainWindow, 0u) << orvane->readAll(true, 1000);
    const int width = windowWidth(mainWindow);
    ASSERT_GT(width, 0);
    xdotool({"mousemove", "--window", std::to_string(mainWindow), "--sync",
             std::to_string(width / 2), std::to_string(kStartButtonY), "click", "1"});

    // A second start while the first runs: the warning, dismissed from the keyboard, then an
    // exit without any window of its own.
    auto second = startOrvane();
    const unsigned long warning = waitForWindow("orvane\\.exe");
    ASSERT_NE(warning, 0u) << second->readAll(true, 1000);
    xdotool({"windowfocus", "--sync", std::to_string(warning), "key", "Return"});
    EXPECT_EQ(second->waitExit(kExitMs), 0) << second->readAll(true, 1000);

    EXPECT_TRUE(waitForMessage(*orvane, kSuccess, kRunMs)) << readBytes(messageCopy());

    ASSERT_TRUE(e2e::sendWindowClose(m_displayName, mainWindow));
    EXPECT_EQ(orvane->waitExit(kExitMs), 0) << orvane->readAll(true, 1000);

    const std::string ini = readBytes(app() / "orvane.ini");
    EXPECT_NE(ini.find("Номер последнего найденного COM-порта=1\r\n"), std::string::npos) << ini;
    EXPECT_NE(
        ini.find("Битовая скорость для последнего найденного COM-порта=" + kModemBaud + "\r\n"),
        std::string::npos)
        << ini;
    EXPECT_NE(ini.find("Набор команд, выбранный в выпадающем списке=" + kChosenList + "\r\n"),
              std::string::npos)
        << ini;
}

// Stored placements apply only where the program may place its windows: on X, XWayland
// included.
TEST_F(OrvaneDesktopTest, TheX11PlatformIsTakenWhereTheDisplayAnswersAndNothingIsAskedFor) {
    EXPECT_EQ(ui::QtPlatformChoice(nullptr, m_displayName.c_str()).platform(), "xcb");
    EXPECT_EQ(ui::QtPlatformChoice("", m_displayName.c_str()).platform(), "xcb");
    EXPECT_EQ(ui::QtPlatformChoice("offscreen", m_displayName.c_str()).platform(), "");
    EXPECT_EQ(ui::QtPlatformChoice(nullptr, ":65534").platform(), "") << "a stale display";
    EXPECT_EQ(ui::QtPlatformChoice(nullptr, nullptr).platform(), "");
}

}  // namespace
