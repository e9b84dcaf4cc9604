// The command list executor against the simulated modem and iaxmodem, with a real
// user-interface thread. How its commands are judged is AdjustedAtCmd's test (tests/modem); a
// whole run through it is ModemTester's and orvane-run's (tests/faults).

#include "tester/modem_adjuster_mt.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "modem/modem_module/impl/modem_phone_impl.h"
#include "sim/sim_modem.h"
#include "tester/command_list_files.h"
#include "tests/support/file_bytes.h"
#include "tests/support/iaxmodem_fixture.h"
#include "tests/support/port_links.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ui_thread_fixture.h"

namespace fs = std::filesystem;

namespace {

constexpr int kPort = 3;

struct Result {
    std::string command;
    bool ok = false;
    std::string answer;
};

// Collects results as the owner of an executor does, on the user-interface thread.
struct Results {
    static void collect(void* context, const ATCmd& cmd) {
        static_cast<Results*>(context)->list.push_back(
            {std::string(cmd.command_data(), cmd.command_size()), cmd.is_complete() && cmd.result(),
             cmd.full_answer()});
    }
    std::vector<Result> list;
};

class CountingErrors : public ModemPhoneEventsHandlerStub {
public:
    void onError(const std::string&) override { ++count; }
    std::atomic<std::size_t> count{0};
};

class ModemAdjusterMtTest : public testsupport::UiThreadTest {
protected:
    ModemAdjusterMtTest() {
        m_modem.start();
        m_modem.linkAs(m_app.path(), kPort);
        testsupport::makeLinksOnly(m_app.path());
        fs::create_directories(m_app.path() / "cfg");
    }
    ~ModemAdjusterMtTest() override {
        if (m_phone != nullptr) {
            m_phone->release();
        }
    }

    // Opens a facade as the test controller does: no echo-off, no report reading.
    ModemPhoneImpl& openFacade() {
        m_phone = new ModemPhoneImpl();
        m_phone->setEchoOffAndHangup(false);
        m_phone->setIdleReportReading(false);
        EXPECT_TRUE(m_phone->open(kPort, 115200, 0, &m_handler));
        return *m_phone;
    }

    // Loads and runs a list; the executor goes as soon as run() has returned.
    bool runList(const fs::path& path) {
        ModemAdjusterMt adjuster(openFacade());
        adjuster.load(path);
        if (!adjuster.hasCommands()) {
            return false;
        }
        adjuster.onAtCmdResult = &Results::collect;
        adjuster.onAtCmdResultContext = &m_results;
        m_expected = adjuster.commands().size();
        adjuster.run();
        return true;
    }

    bool allResultsArrived() {
        return runUntil([this] { return m_results.list.size() >= m_expected; });
    }

    testsupport::TempAppFolder m_app;
    sim::SimModem m_modem;
    CountingErrors m_handler;
    Results m_results;
    std::size_t m_expected = 0;
    ModemPhoneImpl* m_phone = nullptr;
};

TEST_F(ModemAdjusterMtTest, CommandWhosePortFailsGivesNoResult) {
    m_modem.setSilent(true);
    ASSERT_TRUE(runList(testsupport::writeCommandList(m_app.path(), "unplug",
                                                      {"AT<CR> OK 10000", "ATI<CR> OK 10000"})));
    ASSERT_TRUE(
        m_modem.waitUntil([](const sim::SimStats& s) { return s.linesReceived >= 1; }, 20000));
    m_modem.unplug();
    // The dead port is reported once; the command queued behind goes without a result.
    EXPECT_TRUE(runUntil([this] { return m_handler.count >= 1; }));
    EXPECT_EQ(m_handler.count.load(), 1u);
    EXPECT_FALSE(m_phone->hasCommands());
    EXPECT_TRUE(m_results.list.empty());
}

// The lists shipped with the program run clean against the simulated modem.
TEST_F(ModemAdjusterMtTest, SampleListsPassAgainstTheSimulatedModem) {
    const fs::path samples = ORVANE_SAMPLE_LISTS_DIR;
    std::size_t checked = 0;
    for (const auto& entry : fs::directory_iterator(samples)) {
        if (entry.path().extension() != ".cmd_list") {
            continue;
        }
        SCOPED_TRACE(entry.path().filename().string());
        // Every sample starts with the caption line, in 1251.
        const std::string bytes = testsupport::readBytes(entry.path());
        EXPECT_EQ(bytes.substr(0, commandListHeader().size()), commandListHeader());

        m_results.list.clear();
        ASSERT_TRUE(runList(entry.path()));
        ASSERT_TRUE(allResultsArrived());
        for (const Result& result : m_results.list) {
            EXPECT_TRUE(result.ok) << result.command << " answered " << result.answer;
        }
        m_phone->release();
        m_phone = nullptr;
        ++checked;
    }
    EXPECT_GE(checked, 2u);
}

// An independent Hayes modem's echo, verbose and numeric results give the verdicts a list
// expects (orvane-run runs the Hayes sample against it).
TEST_F(ModemAdjusterMtTest, ListsAgainstIaxmodemGetTheirVerdicts) {
    testsupport::IaxModem iax;
    testsupport::linkPort(m_app.path(), kPort, iax.devicePath());
    ASSERT_TRUE(
        runList(testsupport::writeCommandList(m_app.path(), "iax",
                                              {"ATE1<CR> OK 3000",
                                               "ATI<CR> I<CR> 3000",  // only in the echo
                                               "ATV0<CR> 0<CR> 3000",
                                               "AT<CR> AT<CR>0<CR> 3000",  // the echo checked
                                               "ATV1<CR> <CR><LF>OK<CR><LF> 3000"})));
    EXPECT_TRUE(allResultsArrived());
    const std::vector<bool> verdicts{true, false, true, true, true};
    ASSERT_EQ(m_results.list.size(), verdicts.size());
    for (std::size_t i = 0; i < verdicts.size(); ++i) {
        EXPECT_EQ(m_results.list[i].ok, verdicts[i])
            << m_results.list[i].command << " answered " << m_results.list[i].answer;
    }
    EXPECT_EQ(m_handler.count.load(), 0u);
    m_phone->release();
    m_phone = nullptr;
}

}  // namespace
