// The modem facade against the simulated modem, with a real user-interface thread: commands,
// a dead port, release, data calls and the events of a call.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "modem/modem_module/impl/modem_phone_impl.h"
#include "modem/modem_port.h"
#include "platform/cp1251.h"
#include "platform/ui_thread.h"
#include "sim/sim_modem.h"
#include "tests/modem/finder_support.h"
#include "tests/support/port_links.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ui_thread_fixture.h"

using namespace platform::literals;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

constexpr int kPort = 6;

// Every event as a line, with the facade's state where it matters, and whether all came on
// the user-interface thread.
class Events : public ModemPhoneEventsHandlerStub {
public:
    explicit Events(ModemPhoneImpl*& phone) : m_phone(phone) {}
    void onRing(const std::string& number, int type) override {
        add("ring " + number + " " + std::to_string(type));
    }
    void onConnectEstablished() override { add("connect " + std::to_string(m_phone->state())); }
    void onDisconnect(int reason) override {
        add("disconnect " + std::to_string(reason) + " pending " +
            std::to_string(m_phone->pendingDataSize()) + " state " +
            std::to_string(m_phone->state()));
    }
    void onData(const char* bytes, std::uint32_t length) override { data.append(bytes, length); }
    void onDataBufferEmpty() override {
        onUiThread = onUiThread && platform::ui::isUiThread();
        ++bufferEmpty;
    }
    void onError(const std::string& text) override { add("error " + text); }
    void onDtmf(const std::string& digits) override { add("dtmf " + digits); }

    bool has(const std::string& event) const {
        return std::find(list.begin(), list.end(), event) != list.end();
    }

    std::vector<std::string> list;
    std::string data;
    int bufferEmpty = 0;
    bool onUiThread = true;

private:
    void add(std::string event) {
        onUiThread = onUiThread && platform::ui::isUiThread();
        list.push_back(std::move(event));
    }

    ModemPhoneImpl*& m_phone;
};

// Results of asynchronous AT commands, in arrival order.
void collect(void* context, const ATCmd& cmd) {
    static_cast<std::vector<std::string>*>(context)->push_back(
        std::string(cmd.command_data(), cmd.command_size()) + "=" +
        (cmd.is_complete() && cmd.result() ? "ok" : "failed"));
}

class FacadeTest : public testsupport::UiThreadTest {
protected:
    ~FacadeTest() override {
        if (m_phone != nullptr) {
            m_phone->release();
        }
    }

    // Opens a facade as the test controller does: no echo-off, no report reading (unless
    // asked for).
    void start(sim::SimOptions options = {}, bool readReports = false) {
        options.profile.echo = false;
        options.profile.registers[sim::ModemProfile::kEscapeGuardTime] = 5;  // 100 ms
        m_modem = std::make_unique<sim::SimModem>(options);
        m_modem->start();
        m_modem->linkAs(m_app.path(), kPort);
        testsupport::makeLinksOnly(m_app.path());
        m_phone = new ModemPhoneImpl();
        m_phone->onAtCmdResult = &collect;
        m_phone->onAtCmdResultContext = &m_results;
        m_phone->setEchoOffAndHangup(false);
        m_phone->setIdleReportReading(readReports);
        ASSERT_TRUE(m_phone->open(kPort, 115200, 0, &m_events));
        m_phone->modem()->set_exchange_log(&m_written);
    }

    // Releases the facade on the user-interface thread, as the programs do; returns how long
    // it took.
    milliseconds release() {
        const auto start = Clock::now();
        m_phone->release();
        m_phone = nullptr;
        return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
    }

    bool waitFor(const std::string& event) {
        return runUntil([&] { return m_events.has(event); });
    }
    bool modemHeardALine() {
        return m_modem->waitUntil([](const sim::SimStats& s) { return s.linesReceived >= 1; },
                                  5000);
    }

    testsupport::TempAppFolder m_app;
    // Data calls trace what they send to write.dat in the working folder.
    testsupport::CurrentFolder m_workingFolder{m_app.path()};
    std::unique_ptr<sim::SimModem> m_modem;
    ModemPhoneImpl* m_phone = nullptr;
    Events m_events{m_phone};
    std::vector<std::string> m_results;
    finder_test::RecordingLog m_written;  // the blocks written to the modem, among others
};

// A port that does not open is played through orvane-at.
TEST_F(FacadeTest, SynchronousCommandsRunWhileTheWorkerIsPaused) {
    start();
    EXPECT_STREQ(m_phone->lastErrorText(), "Пока ошибок не было."_cp1251.data());
    EXPECT_TRUE(m_phone->executeAtCommand("AT", 2000, 0, false));
    EXPECT_FALSE(m_phone->executeAtCommand("AT+NOSUCH", 2000, 0, false));
    // The worker is running again afterwards; its copy of the command kept the rules.
    m_phone->executeAtCommand("AT", 2000, 0, true);
    ASSERT_TRUE(runUntil([&] { return m_results.size() == 1; }));
    EXPECT_EQ(m_results[0], "AT\r\n=ok");
}

TEST_F(FacadeTest, ADeadPortIsReportedOnceAndLaterRequestsFailAtOnce) {
    start({}, true);  // a worker listening between commands is the one that would flood
    m_modem->setSilent(true);
    m_phone->executeAtCommand("AT", 10000, 0, true);
    ASSERT_TRUE(modemHeardALine());
    m_modem->unplug();
    ASSERT_TRUE(runUntil([&] { return !m_events.list.empty(); }));
    EXPECT_TRUE(m_events.list[0].starts_with("error "));
    EXPECT_TRUE(m_phone->portDead());

    const auto start = Clock::now();
    EXPECT_FALSE(m_phone->executeAtCommand("AT", 5000, 0, false));
    EXPECT_FALSE(m_phone->executeAtCommand("AT", 5000, 0, true));
    EXPECT_LT(Clock::now() - start, milliseconds(1000));
    // A worker that went on listening would have reported the failure dozens of times by now.
    runUntil([] { return false; }, milliseconds(300));
    EXPECT_EQ(m_events.list.size(), 1u);
    EXPECT_TRUE(m_events.onUiThread);
    EXPECT_TRUE(m_results.empty());
}

// A release that ends the command under way, whose failure comes first, is the fault matrix's
// stop in an answer wait (orvane-run's stop releases the facade).
TEST_F(FacadeTest, ReleaseWhileACommandFailsOnAnUnpluggedPortDropsTheError) {
    start();
    m_modem->setSilent(true);
    m_phone->executeAtCommand("AT", 10000, 0, true);
    ASSERT_TRUE(modemHeardALine());
    m_modem->unplug();  // the command's next read fails while release is under way
    EXPECT_LT(release(), milliseconds(5000));
    // The failure reaches the user-interface thread only while release waits for the worker,
    // after the handler was cleared: it is dropped, and the process lives.
    processPending();
    EXPECT_TRUE(m_events.list.empty());
}

TEST_F(FacadeTest, DataGoesOutInBlocksOf500ThenTheBufferReportsEmpty) {
    sim::SimOptions options;
    options.calls.data = sim::DataHandling::Echo;
    start(options);
    m_phone->dialInDataMode("777");
    ASSERT_TRUE(waitFor("connect 5"));
    const std::string payload(1200, 'd');
    const int emptyBefore = m_events.bufferEmpty;
    m_phone->sendData(payload.data(), static_cast<int>(payload.size()));
    EXPECT_EQ(m_phone->pendingDataSize(), 1200);
    ASSERT_TRUE(runUntil([&] { return m_events.data.size() >= 1200; }));
    EXPECT_EQ(m_events.data, payload);  // the far end echoed every byte, in order
    std::vector<std::size_t> sizes;
    for (const std::string& event : m_written.events()) {
        if (event.starts_with(">d")) {
            sizes.push_back(event.size() - 1);
        }
    }
    EXPECT_EQ(sizes, (std::vector<std::size_t>{500, 500, 200}));
    ASSERT_TRUE(runUntil([&] { return m_events.bufferEmpty > emptyBefore; }));
    EXPECT_EQ(m_phone->pendingDataSize(), 0);
    EXPECT_TRUE(m_events.onUiThread);
}

TEST_F(FacadeTest, AnIncomingDataCallRingsWithItsNumberThenHearsTonesAndTheRemoteHangUp) {
    sim::SimOptions options;
    options.calls.data = sim::DataHandling::Sink;
    start(options, true);
    m_modem->incomingCall({sim::CallType::Data, "123", 0});
    ASSERT_TRUE(waitFor("ring 123 1"));
    m_phone->answer();
    ASSERT_TRUE(waitFor("connect 5"));
    m_modem->sendTones("5");
    ASSERT_TRUE(waitFor("dtmf 5"));

    // Data still waiting to go out is dropped before the disconnect is reported.
    const std::string payload(100000, 'x');
    m_phone->sendData(payload.data(), static_cast<int>(payload.size()));
    m_modem->remoteHangup();
    ASSERT_TRUE(waitFor("disconnect 2 pending 0 state 0"));
}

}  // namespace
