// orvane-run against orvane-sim playing faults: each case in a temporary application folder
// (ports/links-only, its own runtime folder), checked by the exact messages, the exit status
// and the settings file afterwards.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/cp1251.h"
#include "platform/ini_file.h"
#include "tests/support/child_process.h"
#include "tests/support/file_bytes.h"
#include "tests/support/port_links.h"
#include "tests/support/temp_dir.h"

using namespace platform::literals;
namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace {

const std::string kFinished = "Тестирование завершено.";
const std::string kSuccess = "Тестирование завершено успешно.";
const std::string kWithErrors = "Тестирование завершено с ошибками.";
const std::string kNotFound = "Проверка порта 1. Модем не найден.";
const std::string kFoundAt115200 = "Проверка порта 1. Скорость 115200. Модем найден.";
// Lines of somebody else's in the settings file; they must survive every run.
const std::string kForeignLines = "; kept as written\r\n[Foreign]\r\nanswer = 42\r\n";
constexpr std::string_view kGeneral = "Общие"_cp1251;
constexpr std::string_view kLastBaudKey =
    "Битовая скорость для последнего найденного COM-порта"_cp1251;
constexpr std::string_view kBaudListKey =
    "Порядок перебора скоростей при поиске модема (скорость-время_ожидания_в_мс)"_cp1251;
constexpr std::string_view kLastPortKey = "Номер последнего найденного COM-порта"_cp1251;

// The message texts of "HH:MM:SS text" lines; a line of another shape is kept whole, so the
// comparison shows it.
Lines messagesOf(const std::string& out) {
    Lines texts;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        const bool stamped = line.size() > 9 && line[2] == ':' && line[5] == ':' && line[8] == ' ';
        texts.push_back(stamped ? line.substr(9) : line);
    }
    return texts;
}

class FaultTest : public ::testing::Test {
protected:
    FaultTest() {
        fs::create_directories(app() / "cfg");
        fs::create_directories(m_root.path() / "run");
        fs::create_directories(m_root.path() / "sim-run");
        testsupport::makeLinksOnly(app());
        fs::copy_file(ORVANE_RUN_EXE, exe());
        testsupport::writeBytes(ini(), kForeignLines);
        // Two rates with answer waits of seconds: a loaded machine does not turn a late
        // answer into another rate, and a silent modem costs two waits, not nine.
        platform::IniFile(ini()).writeString(kGeneral, kBaudListKey, "115200-3000 2400-3000");
        testsupport::writeCommandList(app(), "ok", {"AT<CR> OK 10000", "ATI<CR> OK 10000"});
    }

    fs::path app() const { return m_root.path() / "app"; }
    fs::path exe() const { return app() / "orvane-run"; }
    fs::path ini() const { return app() / "orvane.ini"; }
    fs::path link() const { return app() / "ports" / "com1"; }

    // orvane-sim as COM1 of the folder; returns once the link is in place.
    void startSim(Lines args) {
        args.insert(args.end(), {"--port", "1", "--app-folder", app().string()});
        m_sim = std::make_unique<testsupport::ChildProcess>(ORVANE_SIM_EXE, args,
                                                            m_root.path() / "sim-run");
        m_device = m_sim->readLine(30000);
        ASSERT_TRUE(m_device.starts_with("/dev/pts/")) << m_device;
        ASSERT_EQ(fs::read_symlink(link()), m_device);
    }

    // The modem is pulled out: the pseudo-terminal's master closes with the process. The
    // link goes too, so that no later pseudo-terminal with the same number is taken for it.
    void unplug() {
        m_sim->signal(SIGKILL);
        EXPECT_EQ(m_sim->waitExit(30000), -1);
        fs::remove(link());
    }

    std::unique_ptr<testsupport::ChildProcess> run(const Lines& args, const Lines& env = {}) {
        return std::make_unique<testsupport::ChildProcess>(exe().string(), args,
                                                           m_root.path() / "run", env);
    }

    // Runs to the end: keeps the messages and standard error, returns the exit status.
    int finish(testsupport::ChildProcess& process) {
        // Both at once: either may be large, and a full pipe would stop the program.
        std::string out;
        std::thread outReader([&] { out = process.readAll(false, 120000); });
        m_err = process.readAll(true, 120000);
        outReader.join();
        m_messages = messagesOf(out);
        return process.waitExit(30000);
    }

    int runToEnd(const Lines& args, const Lines& env = {}) {
        auto process = run(args, env);
        return finish(*process);
    }

    // The settings file is readable, has the tool's keys and the foreign lines unchanged.
    void expectSettingsIntact() {
        const std::string bytes = testsupport::readBytes(ini());
        EXPECT_NE(bytes.find(kForeignLines), std::string::npos) << bytes;
        const platform::IniFile file(ini());
        const Lines keys = file.readKeys(kGeneral);
        EXPECT_NE(std::find(keys.begin(), keys.end(), kLastPortKey), keys.end()) << bytes;
        EXPECT_NE(std::find(keys.begin(), keys.end(), kLastBaudKey), keys.end()) << bytes;
    }

    std::int32_t savedBaud() const {
        return platform::IniFile(ini()).readInt(kGeneral, kLastBaudKey, -1);
    }

    testsupport::TempDir m_root;
    std::unique_ptr<testsupport::ChildProcess> m_sim;
    std::string m_device;
    Lines m_messages;
    std::string m_err;
};

// --- modems that misbehave, go away or are stopped -----------------------------------------

const std::string kBig = "AT" + std::string(128 * 1024, 'A');  // far more than a line holds
constexpr int kUnplug = 0;

struct ModemCase {
    const char* name;
    Lines simArgs;
    Lines expected;
    int exitStatus;
    std::int32_t baud;       // stored as the last one found
    Lines list = {};         // instead of the fixture's
    std::string actAt = {};  // with --exchange: once this shows, pull the modem or signal
    int act = kUnplug;
    std::string plan = {};          // the search plan instead of the fixture's
    std::string exchangeLine = {};  // printed by --exchange, when not empty
};

// A run of list (none: the fixture's) against a modem, acted on once actAt shows.
ModemCase acted(const char* name, Lines sim, Lines list, std::string actAt, int act,
                Lines expected) {
    return {name,   std::move(sim),  std::move(expected), 1,
            115200, std::move(list), std::move(actAt),    act};
}

// A run of list (instead of the fixture's) that ends with errors, printing exchangeLine.
ModemCase listed(const char* name, Lines sim, Lines list, std::string exchangeLine,
                 Lines expected) {
    ModemCase c{name, std::move(sim), std::move(expected), 1, 115200, std::move(list)};
    c.exchangeLine = std::move(exchangeLine);
    return c;
}

const Lines kLongWait = {"AT<CR> OK 10000", "ATI<CR> NEVER 30000", "ATE1<CR> OK"};
const Lines kListRan = {"AT : OK", "ATI : OK", "Выполнено 2 команд (OK 2, ошибок 0).", kSuccess};

Lines found(const std::string& line) {
    Lines all{line};
    all.insert(all.end(), kListRan.begin(), kListRan.end());
    return all;
}

class ModemFaultTest : public FaultTest, public ::testing::WithParamInterface<ModemCase> {};

TEST_P(ModemFaultTest, MessagesExitStatusAndSettings) {
    const ModemCase& c = GetParam();
    if (!c.list.empty()) {
        testsupport::writeCommandList(app(), "ok", c.list);
    }
    if (!c.plan.empty()) {
        platform::IniFile(ini()).writeString(kGeneral, kBaudListKey, c.plan);
    }
    startSim(c.simArgs);
    if (c.actAt.empty()) {
        EXPECT_EQ(runToEnd({"--list", "ok", "--exchange"}), c.exitStatus) << m_err;
    } else {
        auto process = run({"--list", "ok", "--exchange"});
        ASSERT_NE(process->readErrorUntil(c.actAt, 30000).find(c.actAt), std::string::npos);
        const auto start = std::chrono::steady_clock::now();
        c.act == kUnplug ? unplug() : process->signal(c.act);
        EXPECT_EQ(finish(*process), c.exitStatus) << m_err;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    }
    EXPECT_EQ(m_messages, c.expected);
    expectSettingsIntact();
    EXPECT_EQ(savedBaud(), c.baud);
    EXPECT_NE(m_err.find(c.exchangeLine + "\n"), std::string::npos) << m_err;
}

INSTANTIATE_TEST_SUITE_P(
    Modems, ModemFaultTest,
    ::testing::Values(
        ModemCase{"Silent", {"--silent"}, {kNotFound, kFinished}, 1, 115200},  // the default stays
        ModemCase{"AnswersOnlyAt2400",
                  {"--bauds", "2400"},
                  found("Проверка порта 1. Скорость 2400. Модем найден."),
                  0,
                  2400},
        // NUL bytes and bytes of no line ahead of every reply.
        ModemCase{"GarbageBeforeReplies",
                  {"--garbage", "00 FF 00 7F 1B"},
                  found(kFoundAt115200),
                  0,
                  115200},
        ModemCase{
            "OneByteChunks", {"--chunk", "1", "--gap", "2"}, found(kFoundAt115200), 0, 115200},
        acted("UnplugDuringTheSearch", {"--silent"}, {}, ">>> AT<CR>", kUnplug,
              {kNotFound, kFinished}),
        acted("SigintDuringTheSearch", {"--silent"}, {}, ">>> AT<CR>", SIGINT,
              {"Проверка порта 1. Скорость 115200", "Тестирование прервано пользователем.",
               kFinished}),
        // The echo read back: the command is on the line and its answer wait runs (pulled out
        // before the write, the write would fail instead).
        acted("UnplugDuringACommand", {}, kLongWait, "<<< ATI", kUnplug,
              {kFoundAt115200, "AT : OK", "Ошибка при чтении из порта Input/output error",
               "ATI : Ошибка", "Выполнено 2 команд (OK 1, ошибок 1).", kWithErrors}),
        // A stop ends the exchange under way at once: a command already written counts as
        // failed, one still in its delay (ATI's answer read, AT's delay begun) is not counted.
        acted("SigintInTheAnswerWait", {}, kLongWait, "<<< ATI", SIGINT,
              {kFoundAt115200, "AT : OK", "ATI : Ошибка", "Выполнено 2 команд (OK 1, ошибок 1).",
               kFinished}),
        acted("SigtermInTheDelayBeforeACommand", {}, {"ATI<CR> OK 10000", "AT<CR> OK 10000 30000"},
              "Revision: 1.0<CR><LF><CR><LF>OK", SIGTERM,
              {kFoundAt115200, "ATI : OK", "Выполнено 1 команд (OK 1, ошибок 0).", kFinished}),
        // A modem that stops reading after ATZ (restarting, CTS held low): the write gives up
        // after its bytes' time on the line plus the answer wait; a fast rate keeps that short.
        ModemCase{"AStalledModemFailsTheWrite",
                  {"--stall-after", "ATZ"},
                  {"Проверка порта 1. Скорость 921600. Модем найден.", "ATZ : OK",
                   "Ошибка при записи в порт Connection timed out", kBig + " : Ошибка",
                   "Выполнено 2 команд (OK 1, ошибок 1).", kWithErrors},
                  1,
                  921600,
                  {"ATZ<CR> OK 10000", kBig + "<CR> OK 1000", "ATI<CR> OK"},
                  {},
                  kUnplug,
                  "921600-3000"},
        // ATI answers after its wait, while the next command waits out its delay: the late
        // answer is read out before that command's write and shown as stray, not credited
        // to it.
        listed("ALateAnswerIsNotCreditedToTheNextCommand", {"--delay-for", "ATI=1000"},
               {"ATI<CR> OK 100", "AT+NOSUCH<CR> OK 1000 3000"},
               "<<- <CR><LF>ORVANE<CR><LF>SIMULATED MODEM<CR><LF>Revision: 1.0<CR><LF><CR><LF>"
               "OK<CR><LF>",
               {kFoundAt115200, "ATI : Ошибка", "AT+NOSUCH : Ошибка",
                "Выполнено 2 команд (OK 0, ошибок 2).", kWithErrors}),
        // The expected text stands in the command itself: its echo is no answer.
        listed("TheEchoIsNoAnswer", {}, {"AT+CPIN?<CR> +CPIN", "AT<CR> AT<CR>"}, ">>> AT+CPIN?<CR>",
               {kFoundAt115200, "AT+CPIN? : Ошибка", "AT : OK",
                "Выполнено 2 команд (OK 1, ошибок 1).", kWithErrors})),
    [](const ::testing::TestParamInfo<ModemCase>& param) { return std::string(param.param.name); });

TEST_F(FaultTest, APortHeldByAnotherProgramIsNotTouched) {
    startSim({});
    const int held = ::open(m_device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(runToEnd({"--list", "ok"}), 1) << m_err;
    ::close(held);
    // The line names the lock's owner: this test.
    EXPECT_EQ(m_messages, (Lines{"Не удалось открыть порт 1.",
                                 "Порт 1: " + m_device + " занят программой test_faults (PID " +
                                     std::to_string(::getpid()) + ").",
                                 kFinished}));
    expectSettingsIntact();
}

// --- too much, too long ------------------------------------------------------------------

// Ten seconds of flood in one command's wait: the exchange shows the first and the last
// 64 KiB of the answer with one line for what was left out, and the JUnit report keeps the
// same. The peak memory of the run is a figure of bench/run.sh.
TEST_F(FaultTest, AFloodDuringACommandStaysBoundedAndFailsTheCommand) {
    testsupport::writeCommandList(app(), "flood", {"AT<CR> OK 10000", "ATI<CR> NEVER 12000"});
    startSim({"--commands"});
    const fs::path junit = m_root.path() / "flood.xml";
    auto process = run({"--list", "flood", "--exchange", "--junit", junit.string()});
    ASSERT_NE(process->readErrorUntil("<<< ATI", 30000).find("<<< ATI"), std::string::npos);
    ASSERT_TRUE(m_sim->write("flood 10\n"));
    EXPECT_EQ(finish(*process), 1);
    EXPECT_EQ(m_messages, (Lines{kFoundAt115200, "AT : OK", "ATI : Ошибка",
                                 "Выполнено 2 команд (OK 1, ошибок 1).", kWithErrors}));
    expectSettingsIntact();

    const std::string skipped = "<<- пропущено ";
    const std::size_t note = m_err.find(skipped);
    ASSERT_NE(note, std::string::npos) << m_err.size();
    EXPECT_EQ(m_err.find(skipped, note + 1), std::string::npos);
    EXPECT_NE(m_err.find("<<< FLOOD 0000"), std::string::npos);
    EXPECT_LT(m_err.size(), 1024u * 1024u);
    const std::string report = testsupport::readBytes(junit);
    EXPECT_NE(report.find("&lt;&lt;- пропущено "), std::string::npos);
    EXPECT_LT(report.size(), 1024u * 1024u);
}

TEST_F(FaultTest, AHugeCommandListOfCommentsAndJunkRunsOnlyItsValidLines) {
    const Lines junk = {"; a comment line that says nothing",
                        "X",
                        "LONELYWORD",
                        "AT<CR> OK -5",
                        "",
                        "AT<CR> OK 100 -1"};
    Lines lines;
    for (int i = 0; i < 100000; ++i) {
        lines.push_back(junk[i % 6]);
    }
    lines[7] = "ATE1<CR> OK 10000";
    lines[50000] = "ATV1<CR> OK 10000";
    lines[99998] = "ATI<CR> OK 10000";
    testsupport::writeCommandList(app(), "huge", lines);
    startSim({});
    EXPECT_EQ(runToEnd({"--list", "huge"}), 0) << m_err;
    EXPECT_EQ(m_messages, (Lines{kFoundAt115200, "ATE1 : OK", "ATV1 : OK", "ATI : OK",
                                 "Выполнено 3 команд (OK 3, ошибок 0).", kSuccess}));
    expectSettingsIntact();
}

// --- the settings file -------------------------------------------------------------------

TEST_F(FaultTest, ABinaryGarbageSettingsFileGivesDefaultsAndKeepsItsBytes) {
    std::string garbage;
    std::uint32_t state = 12345;
    for (int i = 0; i < 4096; ++i) {
        state = state * 1103515245 + 12345;
        garbage += static_cast<char>(state >> 24);
    }
    testsupport::writeBytes(ini(), garbage);
    startSim({});
    EXPECT_EQ(runToEnd({"--list", "ok"}), 0) << m_err;
    EXPECT_EQ(m_messages, found(kFoundAt115200));
    const std::string saved = testsupport::readBytes(ini());
    EXPECT_TRUE(saved.starts_with(garbage));
    EXPECT_EQ(savedBaud(), 115200);
}

TEST_F(FaultTest, AKillBetweenTempFileAndRenameLeavesTheOldFileWhole) {
    startSim({});
    const std::string before = testsupport::readBytes(ini());
    // Killed at the first replace of the settings file.
    auto process = run({"--list", "ok"}, {"ORVANE_TEST_KILL_BEFORE_RENAME=1"});
    EXPECT_EQ(finish(*process), -1);  // ended by the signal
    EXPECT_EQ(testsupport::readBytes(ini()), before);
    Lines temps;
    for (const fs::directory_entry& entry : fs::directory_iterator(app())) {
        if (entry.path().filename().string().starts_with(".orvane.ini.tmp-")) {
            temps.push_back(entry.path().filename().string());
        }
    }
    EXPECT_EQ(temps.size(), 1u);  // the complete temporary file of the killed process

    // Killed at a later replace: those before it are complete, and the file parses.
    process = run({"--list", "ok"}, {"ORVANE_TEST_KILL_BEFORE_RENAME=3"});
    EXPECT_EQ(finish(*process), -1);
    EXPECT_NE(testsupport::readBytes(ini()).find(kForeignLines), std::string::npos);
    const Lines keys = platform::IniFile(ini()).readKeys(kGeneral);
    EXPECT_NE(std::find(keys.begin(), keys.end(), kLastPortKey), keys.end());

    // The leftovers confuse no later run.
    EXPECT_EQ(runToEnd({"--list", "ok"}), 0) << m_err;
    EXPECT_EQ(m_messages, found(kFoundAt115200));
    expectSettingsIntact();
    EXPECT_EQ(savedBaud(), 115200);
}

// --- soak ---------------------------------------------------------------------------------

// Thirty runs against a modem that answers late and in ragged pieces. Under the sanitizers
// the point is the exit status alone: a leak report or a sanitizer abort changes it.
TEST_F(FaultTest, ThirtyRunsAgainstAJitteryModem) {
    startSim({"--jitter", "20261206"});
    const int status = runToEnd({"--list", "ok", "--repeat", "30"});
    EXPECT_EQ(status, 0) << m_err;
    if (!ORVANE_SANITIZED) {
        EXPECT_EQ(std::count(m_messages.begin(), m_messages.end(), kSuccess), 30);
        expectSettingsIntact();
    }
}

}  // namespace
