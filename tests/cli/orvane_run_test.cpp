// orvane-run end to end: copies of the executable in temporary application folders, each with
// its own runtime folder, against the simulated modem.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QXmlStreamReader>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/cp1251.h"
#include "platform/single_instance_lock.h"
#include "sim/sim_modem.h"
#include "tester/command_list_files.h"
#include "tests/support/child_process.h"
#include "tests/support/file_bytes.h"
#include "tests/support/iaxmodem_fixture.h"
#include "tests/support/port_links.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

using namespace platform::literals;
namespace fs = std::filesystem;

namespace {

const std::string kSuccess = "Тестирование завершено успешно.";
const std::string kFinished = "Тестирование завершено.";

class OrvaneRunTest : public ::testing::Test {
protected:
    OrvaneRunTest() {
        fs::create_directories(app() / "cfg");
        fs::create_directories(app() / "ports");
        fs::create_directories(runtime());
        testsupport::makeLinksOnly(app());
        fs::copy_file(ORVANE_RUN_EXE, app() / "orvane-run");
        writeList("ok", {"AT<CR> <CR><LF>OK<CR><LF>", "ATI<CR> OK"});
    }

    fs::path app() const { return m_root.path() / "app"; }
    fs::path runtime() const { return m_root.path() / "run"; }

    void startModem(sim::SimOptions options = {}) {
        m_modem = std::make_unique<sim::SimModem>(options);
        m_modem->start();
        m_modem->linkAs(app(), 1);
    }

    void writeList(const std::string& name, const std::vector<std::string>& lines) {
        testsupport::writeCommandList(app(), name, lines);
    }

    std::unique_ptr<testsupport::ChildProcess> run(const std::vector<std::string>& args) {
        return std::make_unique<testsupport::ChildProcess>((app() / "orvane-run").string(), args,
                                                           runtime());
    }

    // Runs to the end; returns the exit status and keeps the output.
    int runToEnd(const std::vector<std::string>& args) {
        auto process = run(args);
        m_out = process->readAll(false, 60000);
        m_err = process->readAll(true, 1000);
        return process->waitExit(30000);
    }

    testsupport::TempDir m_root;
    std::unique_ptr<sim::SimModem> m_modem;
    std::string m_out;
    std::string m_err;
};

TEST_F(OrvaneRunTest, ASuccessfulRunExitsZeroWithAWellFormedJunitReport) {
    startModem();
    const fs::path junit = m_root.path() / "report.xml";
    EXPECT_EQ(runToEnd({"--list", "ok", "--junit", junit.string(), "--exchange"}), 0) << m_err;
    EXPECT_TRUE(m_out.ends_with(kSuccess + "\n")) << m_out;
    std::ifstream file(junit);
    const std::string xml((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    QXmlStreamReader reader(QByteArray::fromStdString(xml));
    int cases = 0;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == u"testcase") {
            ++cases;
        }
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    EXPECT_EQ(cases, 2);
}

// Failed commands, a silent modem and a port that does not open are rows of the fault matrix.
TEST_F(OrvaneRunTest, UsageErrorsExitTwoBeforeAnySearchAndAnEmptyListExitsOne) {
    startModem();
    EXPECT_EQ(runToEnd({"--bogus"}), 2);
    EXPECT_NE(m_err.find("unknown option '--bogus'"), std::string::npos);
    EXPECT_EQ(runToEnd({"--list", "missing"}), 2);
    EXPECT_NE(m_err.find("no command list named 'missing'"), std::string::npos);
    EXPECT_EQ(m_modem->stats().linesReceived, 0u);
    EXPECT_EQ(runToEnd({"--help"}), 0);
    EXPECT_NE(m_out.find("--junit FILE"), std::string::npos);

    writeList("empty", {});
    EXPECT_EQ(runToEnd({"--list", "empty"}), 1);
    EXPECT_TRUE(m_out.ends_with(kFinished + "\n")) << m_out;
}

TEST_F(OrvaneRunTest, ASecondInstanceIsRefused) {
    const char* previous = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = previous != nullptr ? previous : "";
    ::setenv("XDG_RUNTIME_DIR", runtime().c_str(), 1);
    platform::SingleInstanceLock first("orvane.5E1A7D20-4C3B-4f81-9A62-D0B7C35E9F14");
    if (previous != nullptr) {
        ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    } else {
        ::unsetenv("XDG_RUNTIME_DIR");
    }
    ASSERT_FALSE(first.alreadyRunning());
    EXPECT_EQ(runToEnd({"--list", "ok"}), 2);
    EXPECT_EQ(m_err, "Приложение уже запущено\n");
    EXPECT_EQ(runToEnd({"--ports"}), 0);  // a listing takes no instance lock
}

TEST_F(OrvaneRunTest, PortsListsEveryNumberWithItsDeviceAndWhoHoldsIt) {
    startModem();
    sim::SimModem locked;
    locked.start();
    locked.linkAs(app(), 3);
    testsupport::linkPort(app(), 2, app() / "gone");
    testsupport::PtyPair spare;
    testsupport::linkPort(app(), 12, spare.slavePath());
    // Holders: ModemManager without a lock is still named; a locking program is named; the
    // simulated modems holding their own lines are not.
    const testsupport::DeviceHolder manager(m_root.path(), "ModemManager", m_modem->slavePath(),
                                            false);
    const testsupport::DeviceHolder terminal(m_root.path(), "terminal", locked.slavePath(), true);
    EXPECT_EQ(runToEnd({"--ports"}), 0) << m_err;
    EXPECT_EQ(m_out, "COM1\t" + m_modem->slavePath() + "\t-\t-\tзанят: ModemManager (" +
                         std::to_string(manager.pid()) + ")\nCOM2\t" + (app() / "gone").string() +
                         "\t-\t-\tнет устройства\nCOM3\t" + locked.slavePath() +
                         "\t-\t-\tзанят: terminal (" + std::to_string(terminal.pid()) +
                         ")\nCOM12\t" + spare.slavePath() + "\t-\t-\tсвободен\n");
    EXPECT_EQ(runToEnd({"--ports", "--repeat", "2"}), 2);
    EXPECT_NE(m_err.find("option --ports takes no other option"), std::string::npos) << m_err;
}

TEST_F(OrvaneRunTest, FindsDebiansIaxmodemAndRunsASampleList) {
    testsupport::IaxModem iax;
    testsupport::linkPort(app(), 2, iax.devicePath());
    fs::copy_file(fs::path(ORVANE_SAMPLE_LISTS_DIR) / "basic_hayes.cmd_list",
                  app() / "cfg" / "basic_hayes.cmd_list");
    EXPECT_EQ(runToEnd({"--list", "basic_hayes"}), 0) << m_out << m_err;
    EXPECT_NE(m_out.find("Проверка порта 2. Скорость 115200. Модем найден."), std::string::npos)
        << m_out;
    EXPECT_TRUE(m_out.ends_with(kSuccess + "\n")) << m_out;
}

}  // namespace
