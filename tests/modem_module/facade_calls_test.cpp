// Calls, data and reports through the modem facade against the simulated modem.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "modem/exchange_log.h"
#include "modem/modem_module/impl/modem_phone_impl.h"
#include "modem/modem_port.h"
#include "sim/sim_modem.h"
#include "tests/support/port_links.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ui_thread_fixture.h"

namespace {

constexpr int kPort = 8;

class Events : public ModemPhoneEventsHandlerStub {
public:
    explicit Events(ModemPhoneImpl*& phone) : m_phone(phone) {}
    void onRing(const std::string& number, int type) override {
        add("ring " + number + " " + std::to_string(type));
    }
    void onSmsReceived(const std::string& text, int index) override {
        add("sms " + std::to_string(index) + " " + text);
    }
    void onConnectEstablished() override { add("connect " + std::to_string(m_phone->state())); }
    void onDisconnect(int reason) override {
        add("disconnect " + std::to_string(reason) + " pending " +
            std::to_string(m_phone->pendingDataSize()) + " state " +
            std::to_string(m_phone->state()));
    }
    void onData(const char* data, std::uint32_t length) override { m_data.append(data, length); }
    void onDataBufferEmpty() override { ++m_bufferEmpty; }
    void onError(const std::string& text) override { add("error " + text); }
    void onDtmf(const std::string& digits) override { add("dtmf " + digits); }

    std::vector<std::string> list;
    std::string m_data;
    int m_bufferEmpty = 0;
    bool has(const std::string& event) const {
        for (const std::string& e : list) {
            if (e == event) {
                return true;
            }
        }
        return false;
    }
    bool hasPrefix(const std::string& prefix) const {
        for (const std::string& e : list) {
            if (e.starts_with(prefix)) {
                return true;
            }
        }
        return false;
    }

private:
    void add(std::string event) { list.push_back(std::move(event)); }
    ModemPhoneImpl*& m_phone;
};

// The sizes of the blocks written to the modem, from the worker thread.
class WrittenBlocks : public ExchangeLog {
public:
    void onRead(const char* /*data*/, std::uint32_t /*length*/) override {}
    void onStray(const char* /*data*/, std::uint32_t /*length*/) override {}
    void onSkipped(std::uint64_t /*length*/) override {}
    void onLine(const std::string& /*line*/) override {}
    void onWrite(const char* data, std::uint32_t length) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_blocks.emplace_back(data, length);
    }
    std::vector<std::string> blocks() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_blocks;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_blocks;
};

class FacadeCallsTest : public testsupport::UiThreadTest {
protected:
    // Data calls trace what they send to write.dat in the working folder.
    FacadeCallsTest() : m_previousFolder(std::filesystem::current_path()) {
        std::filesystem::current_path(m_app.path());
    }
    void start(sim::SimOptions options = {}, bool readReports = false) {
        options.profile.echo = false;
        options.profile.registers[sim::ModemProfile::kEscapeGuardTime] = 5;  // 100 ms
        m_modem = std::make_unique<sim::SimModem>(options);
        m_modem->start();
        m_modem->linkAs(m_app.path(), kPort);
        testsupport::makeLinksOnly(m_app.path());
        m_phone = new ModemPhoneImpl();
        m_phone->setEchoOffAndHangup(false);
        m_phone->setIdleReportReading(readReports);
        ASSERT_TRUE(m_phone->open(kPort, 115200, 0, &m_events));
        m_phone->modem()->set_exchange_log(&m_written);
    }
    ~FacadeCallsTest() override {
        if (m_phone != nullptr) {
            m_phone->release();
        }
        std::filesystem::current_path(m_previousFolder);
    }
    bool waitFor(const std::string& event) {
        return runUntil([&] { return m_events.has(event); });
    }

    testsupport::TempAppFolder m_app;
    std::filesystem::path m_previousFolder;
    std::unique_ptr<sim::SimModem> m_modem;
    ModemPhoneImpl* m_phone = nullptr;
    Events m_events{m_phone};
    WrittenBlocks m_written;
};

TEST_F(FacadeCallsTest, AHangUpEndsTheDialOnTheLineAndCancelsOneStillQueued) {
    sim::SimOptions options;
    options.calls.dial.outcome = sim::DialOutcome::NoReply;
    start(options);
    const std::vector<std::string> ended{"disconnect 2 pending 0 state 0",
                                         "disconnect 2 pending 0 state 0"};
    m_phone->dial("9");
    ASSERT_TRUE(m_modem->waitUntil(
        [](const sim::SimStats& s) { return s.callState == sim::CallState::Dialling; }, 10000));
    m_phone->hangup();
    // The dial ends at once, unsuccessfully, and the hang-up follows it.
    ASSERT_TRUE(runUntil([&] { return m_events.list.size() == 2; }));
    EXPECT_EQ(m_events.list, ended);
    EXPECT_EQ(m_written.blocks().back(), "ATH\r\n");

    // A dial queued behind a command in its answer wait: the hang-up ends that command and
    // the dial never reaches the line. Its end is reported with reason 0, then the hang-up's.
    m_events.list.clear();
    m_modem->setSilent(true);
    const std::uint64_t heard = m_modem->stats().linesReceived;
    m_phone->executeAtCommand("AT", 10000, 0, true);
    ASSERT_TRUE(
        m_modem->waitUntil([&](const sim::SimStats& s) { return s.linesReceived > heard; }, 10000));
    m_phone->dial("8");
    m_phone->hangup();
    ASSERT_TRUE(runUntil([&] { return m_events.list.size() == 2; }));
    EXPECT_EQ(m_events.list, (std::vector<std::string>{"disconnect 0 pending 0 state 0",
                                                       "disconnect 2 pending 0 state 0"}));
    const std::vector<std::string> blocks = m_written.blocks();
    EXPECT_EQ(blocks.back(), "ATH\r\n");
    EXPECT_EQ(std::count(blocks.begin(), blocks.end(), "ATD8;\r\n"), 0);
}

TEST_F(FacadeCallsTest, DataGoesOutInBlocksOf500ThenTheBufferReportsEmpty) {
    sim::SimOptions options;
    options.calls.data = sim::DataHandling::Echo;
    start(options);
    m_phone->dialInDataMode("777");
    ASSERT_TRUE(waitFor("connect 5"));
    const std::string payload(1200, 'd');
    const int emptyBefore = m_events.m_bufferEmpty;
    m_phone->sendData(payload.data(), static_cast<int>(payload.size()));
    EXPECT_EQ(m_phone->pendingDataSize(), 1200);
    ASSERT_TRUE(runUntil([&] { return m_events.m_data.size() >= 1200; }));
    EXPECT_EQ(m_events.m_data, payload);  // the far end echoed every byte, in order
    std::vector<std::size_t> sizes;
    for (const std::string& block : m_written.blocks()) {
        if (block.starts_with("d")) {
            sizes.push_back(block.size());
        }
    }
    EXPECT_EQ(sizes, (std::vector<std::size_t>{500, 500, 200}));
    ASSERT_TRUE(runUntil([&] { return m_events.m_bufferEmpty > emptyBefore; }));
    EXPECT_EQ(m_phone->pendingDataSize(), 0);
}

TEST_F(FacadeCallsTest, TonesAndARemoteHangUpDuringADataCall) {
    sim::SimOptions options;
    options.calls.data = sim::DataHandling::Sink;
    start(options);
    m_phone->dialInDataMode("777");
    ASSERT_TRUE(waitFor("connect 5"));
    m_modem->sendTones("5");
    ASSERT_TRUE(runUntil([&] { return m_events.hasPrefix("dtmf "); }));
    EXPECT_TRUE(m_events.has("dtmf 5"));

    // Data still waiting to go out is dropped before the disconnect is reported.
    const std::string payload(100000, 'x');
    m_phone->sendData(payload.data(), static_cast<int>(payload.size()));
    m_modem->remoteHangup();
    ASSERT_TRUE(waitFor("disconnect 2 pending 0 state 0"));
}

TEST_F(FacadeCallsTest, AnIncomingDataCallIsReportedWithItsNumberAndAnswered) {
    start({}, true);
    m_modem->incomingCall({sim::CallType::Data, "123", 0});
    ASSERT_TRUE(waitFor("ring 123 1"));
    m_phone->answer();
    ASSERT_TRUE(waitFor("connect 5"));
}

}  // namespace
