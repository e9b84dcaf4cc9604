// The modem facade against the simulated modem, with a real user-interface thread.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "modem/modem_module/impl/modem_phone_impl.h"
#include "modem/modem_port.h"
#include "platform/cp1251.h"
#include "platform/ui_thread.h"
#include "sim/sim_modem.h"
#include "tests/support/port_links.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ui_thread_fixture.h"

using namespace platform::literals;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

constexpr int kPort = 6;

// Records every event with the thread it arrived on.
class RecordingHandler : public ModemPhoneEventsHandlerStub {
public:
    void onRing(const std::string& number, int type) override {
        record("ring " + number + " " + std::to_string(type));
    }
    void onSmsReceived(const std::string& text, int index) override {
        record("sms " + text + " " + std::to_string(index));
    }
    void onConnectEstablished() override { record("connect"); }
    void onDisconnect(int reason) override { record("disconnect " + std::to_string(reason)); }
    void onData(const char* data, std::uint32_t length) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_data.append(data, length);
    }
    void onDataBufferEmpty() override { ++m_bufferEmpty; }
    void onError(const std::string& text) override { record("error " + text); }
    void onDtmf(const std::string& digits) override { record("dtmf " + digits); }

    std::vector<std::string> events() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_events;
    }
    bool has(const std::string& event) const {
        for (const std::string& e : events()) {
            if (e == event) {
                return true;
            }
        }
        return false;
    }
    std::string data() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_data;
    }
    int bufferEmptyCount() const { return m_bufferEmpty; }
    bool allOnUiThread() const { return m_allOnUiThread; }

private:
    void record(std::string event) {
        if (!platform::ui::isUiThread()) {
            m_allOnUiThread = false;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_events.push_back(std::move(event));
    }

    mutable std::mutex m_mutex;
    std::vector<std::string> m_events;
    std::string m_data;
    std::atomic<int> m_bufferEmpty{0};
    std::atomic<bool> m_allOnUiThread{true};
};

// Results of asynchronous AT commands, in arrival order.
struct Results {
    static void collect(void* context, const ATCmd& cmd) {
        auto* self = static_cast<Results*>(context);
        self->onUiThread = self->onUiThread && platform::ui::isUiThread();
        self->answers.push_back(std::string(cmd.command_data(), cmd.command_size()) + "=" +
                                (cmd.is_complete() && cmd.result() ? "ok" : "failed"));
    }
    std::vector<std::string> answers;
    bool onUiThread = true;
};

class FacadeTest : public testsupport::UiThreadTest {
protected:
    FacadeTest() {
        sim::SimOptions options;
        options.profile.echo = false;
        m_modem = std::make_unique<sim::SimModem>(options);
        m_modem->start();
        m_modem->linkAs(m_app.path(), kPort);
        testsupport::makeLinksOnly(m_app.path());
    }
    ~FacadeTest() override {
        if (m_phone != nullptr) {
            m_phone->release();
        }
    }

    // Opens a facade as the test controller does: no echo-off, no report reading (unless
    // asked for).
    ModemPhoneImpl* openQuiet(bool readReports = false) {
        m_phone = new ModemPhoneImpl();
        m_phone->onAtCmdResult = &Results::collect;
        m_phone->onAtCmdResultContext = &m_results;
        m_phone->setEchoOffAndHangup(false);
        m_phone->setIdleReportReading(readReports);
        EXPECT_TRUE(m_phone->open(kPort, 115200, 0, &m_handler));
        return m_phone;
    }

    // Releases the facade on the user-interface thread, as the programs do; returns how long
    // it took.
    milliseconds release() {
        const auto start = Clock::now();
        m_phone->release();
        m_phone = nullptr;
        return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
    }

    testsupport::TempAppFolder m_app;
    std::unique_ptr<sim::SimModem> m_modem;
    RecordingHandler m_handler;
    Results m_results;
    ModemPhoneImpl* m_phone = nullptr;
};

TEST_F(FacadeTest, APortThatCannotOpenIsReportedAndReleasedPromptly) {
    m_phone = new ModemPhoneImpl();
    EXPECT_FALSE(m_phone->open(77, 115200, 0, &m_handler));  // no such port
    EXPECT_STREQ(m_phone->lastErrorText(), "Пока ошибок не было."_cp1251.data());
    EXPECT_EQ(m_phone->state(), 0);
    EXPECT_LT(release(), milliseconds(2000));
    EXPECT_TRUE(m_handler.events().empty());
}

TEST_F(FacadeTest, AQuietFacadeQueuesNothingOfItsOwn) {
    openQuiet();
    EXPECT_FALSE(m_phone->hasCommands());
    // A command of ours is the first and only thing the modem hears.
    m_phone->executeAtCommand("AT", 2000, 0, true);
    ASSERT_TRUE(runUntil([&] { return m_results.answers.size() == 1; }));
    EXPECT_EQ(m_modem->stats().linesReceived, 1u);
}

TEST_F(FacadeTest, AsynchronousCommandsReportInOrderOnTheUserInterfaceThread) {
    openQuiet();
    m_phone->executeAtCommand("AT", 2000, 0, true);
    m_phone->executeAtCommand("AT+NOSUCH", 2000, 0, true);
    m_phone->executeAtCommand("ATI", 2000, 50, true);
    ASSERT_TRUE(runUntil([&] { return m_results.answers.size() == 3; }));
    EXPECT_EQ(m_results.answers,
              (std::vector<std::string>{"AT\r\n=ok", "AT+NOSUCH\r\n=failed", "ATI\r\n=ok"}));
    EXPECT_TRUE(m_results.onUiThread);
}

TEST_F(FacadeTest, SynchronousCommandsRunWhileTheWorkerIsPaused) {
    openQuiet();
    EXPECT_TRUE(m_phone->executeAtCommand("AT", 2000, 0, false));
    EXPECT_FALSE(m_phone->executeAtCommand("AT+NOSUCH", 2000, 0, false));
    // The worker is running again afterwards.
    m_phone->executeAtCommand("AT", 2000, 0, true);
    EXPECT_TRUE(runUntil([&] { return m_results.answers.size() == 1; }));
}

TEST_F(FacadeTest, ADeadPortIsReportedOnceAndLaterRequestsFailAtOnce) {
    openQuiet(true);  // a worker listening between commands is the one that would flood
    m_modem->setSilent(true);
    m_phone->executeAtCommand("AT", 10000, 0, true);
    m_phone->executeAtCommand("ATI", 10000, 0, true);  // queued behind it
    ASSERT_TRUE(
        m_modem->waitUntil([](const sim::SimStats& s) { return s.linesReceived >= 1; }, 5000));
    m_modem->unplug();
    ASSERT_TRUE(runUntil([&] { return !m_handler.events().empty(); }));
    EXPECT_TRUE(m_handler.events()[0].starts_with("error "));
    EXPECT_TRUE(m_phone->portDead());
    EXPECT_FALSE(m_phone->hasCommands());  // the queued command went without a result

    const auto start = Clock::now();
    EXPECT_FALSE(m_phone->executeAtCommand("AT", 5000, 0, false));
    EXPECT_FALSE(m_phone->executeAtCommand("AT", 5000, 0, true));
    EXPECT_LT(Clock::now() - start, milliseconds(1000));
    // A worker that went on listening would have reported the failure dozens of times by now.
    runUntil([] { return false; }, milliseconds(300));
    EXPECT_EQ(m_handler.events().size(), 1u);
    EXPECT_TRUE(m_results.answers.empty());
}

TEST_F(FacadeTest, ReleaseEndsTheRunningCommandAtOnceAndDeliversItsFailureFirst) {
    openQuiet();
    m_modem->setSilent(true);
    m_phone->executeAtCommand("AT", 30000, 0, true);
    ASSERT_TRUE(
        m_modem->waitUntil([](const sim::SimStats& s) { return s.linesReceived >= 1; }, 5000));
    EXPECT_LT(release(), milliseconds(2000));
    EXPECT_EQ(m_results.answers, std::vector<std::string>{"AT\r\n=failed"});
}

TEST_F(FacadeTest, ReleaseWhileACommandFailsOnAnUnpluggedPortDropsTheError) {
    openQuiet();
    m_modem->setSilent(true);
    m_phone->executeAtCommand("AT", 10000, 0, true);
    ASSERT_TRUE(
        m_modem->waitUntil([](const sim::SimStats& s) { return s.linesReceived >= 1; }, 5000));
    m_modem->unplug();  // the command's next read fails while release is under way
    EXPECT_LT(release(), milliseconds(5000));
    // The failure reaches the user-interface thread only while release waits for the worker,
    // after the handler was cleared: it is dropped, and the process lives.
    processPending();
    EXPECT_TRUE(m_handler.events().empty());
}

}  // namespace
