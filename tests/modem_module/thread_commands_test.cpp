#include "modem/modem_module/impl/thread_commands.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "modem/adjusted_at_cmd.h"
#include "modem/at_cmd.h"
#include "modem/modem_module/impl/cmds/read_data_command.h"
#include "modem/modem_module/impl/cmds/write_data_command.h"
#include "modem/modem_module/impl/commands_thread.h"
#include "modem/modem_module/impl/pending_input.h"
#include "modem/modem_module/impl/read_data_thread_command.h"
#include "modem/modem_module/impl/read_unreclaimed_reports.h"
#include "modem/modem_module/modem_phone_events_handler.h"
#include "modem/modem_port.h"
#include "platform/cp1251.h"
#include "platform/manual_reset_event.h"
#include "tests/support/file_bytes.h"
#include "tests/support/port_links.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

using namespace platform::literals;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

constexpr int kPort = 7;

// A command whose own completion hook counts: a copy that kept the descendant would call it.
class CountingCmd : public ATCmd {
public:
    CountingCmd(std::string_view text, std::string_view rule, std::uint32_t timeoutMs) {
        set_command(text);
        add_complete_rule(rule, true);
        add_complete_rule("ERROR", false);
        set_answer_timeout(timeoutMs);
    }
    void on_complete(const std::string& /*full_answer*/, bool /*result*/,
                     const std::string& /*result_reason*/) override {
        ++completions;
    }
    int completions = 0;
};

// What a result callback saw.
struct Seen {
    int calls = 0;
    bool complete = false;
    bool result = false;
    std::string answer;
};

void recordResult(void* context, const ATCmd& cmd) {
    auto* seen = static_cast<Seen*>(context);
    ++seen->calls;
    seen->complete = cmd.is_complete();
    seen->result = cmd.result();
    seen->answer = cmd.full_answer();
}

// The test plays the modem on the master side of a pseudo-terminal linked as a port. The
// modem's answers are written before a command runs: they wait in the line until read.
class ThreadCommandsTest : public ::testing::Test {
protected:
    ThreadCommandsTest() {
        testsupport::linkPort(m_app.path(), kPort, m_pty.slavePath());
        m_port = std::make_unique<ModemPort>(kPort, 115200, 8, 1, false, true);
    }

    testsupport::TempAppFolder m_app;
    testsupport::PtyPair m_pty;
    std::unique_ptr<ModemPort> m_port;
    CommandsThread m_thread{0};  // never resumed: execute() only needs one to refer to
};

TEST_F(ThreadCommandsTest, AtCommandsRunAsPlainCopiesAndNotifyOnlyWithACallback) {
    ASSERT_TRUE(m_port->is_open());
    const CountingCmd original("AT\r", "OK", 1000);

    SimpleThreadCommand silent(*m_port, original);
    ASSERT_TRUE(m_pty.write("\r\nOK\r\n"));
    EXPECT_FALSE(silent.execute(m_thread));
    EXPECT_TRUE(silent.command().is_complete());
    silent.notify();  // without a callback: nothing to call, nothing to crash
    EXPECT_EQ(m_pty.read(3), "AT\r");

    Seen seen;
    SimpleThreadCommand reported(*m_port, original, &recordResult, &seen);
    ASSERT_TRUE(m_pty.write("\r\nERROR\r\n"));
    EXPECT_TRUE(reported.execute(m_thread));  // the result does not decide, the callback does
    EXPECT_EQ(seen.calls, 0);
    reported.notify();
    EXPECT_EQ(seen.calls, 1);
    EXPECT_TRUE(seen.complete);
    EXPECT_FALSE(seen.result);
    EXPECT_EQ(seen.answer, "\r\nERROR\r\n");

    // The copies ran, not the original, and not as its descendant.
    EXPECT_EQ(original.completions, 0);
    EXPECT_TRUE(original.full_answer().empty());

    // A command nobody waits for keeps its own type, and never asks for a notification.
    ExecuteAtCommand<CountingCmd> unattended(*m_port, original);
    ASSERT_TRUE(m_pty.write("\r\nOK\r\n"));
    EXPECT_FALSE(unattended.execute(m_thread));
    EXPECT_TRUE(unattended.command().result());
    EXPECT_EQ(unattended.command().completions, 1);
}

TEST_F(ThreadCommandsTest, CopiesKeepTheirWayOfMatching) {
    // "OK" inside a line that is not an "OK" line: only substring matching accepts it.
    const std::string answer = "xxOKyy";

    Seen adjusted;
    AdjustedThreadCommand configured(*m_port, AdjustedAtCmd("AT\r", "OK", 1000), &recordResult,
                                     &adjusted);
    ASSERT_TRUE(m_pty.write(answer));
    EXPECT_TRUE(configured.execute(m_thread));
    configured.notify();
    EXPECT_TRUE(adjusted.complete);
    EXPECT_TRUE(adjusted.result);

    Seen plain;
    SimpleThreadCommand generated(*m_port, CountingCmd("AT\r", "OK", 200), &recordResult, &plain);
    ASSERT_TRUE(m_pty.write(answer + "\r\n"));
    EXPECT_TRUE(generated.execute(m_thread));
    generated.notify();
    EXPECT_FALSE(plain.complete);
    EXPECT_EQ(plain.answer, answer + "\r\n");
}

TEST_F(ThreadCommandsTest, APortErrorReachesTheWorkersErrorReport) {
    std::mutex mutex;
    std::vector<std::string> errors;
    SimpleUtils::ManualResetEvent idle;
    CommandsThread thread(0);
    thread.onError = [&](const char* text) {
        std::lock_guard<std::mutex> lock(mutex);
        errors.emplace_back(text);
    };
    thread.onIdle = [&] { idle.set(); };

    m_pty.hangUp();  // unplugged: the next read fails
    Seen seen;
    thread.add(std::make_unique<SimpleThreadCommand>(*m_port, CountingCmd("AT\r", "OK", 1000),
                                                     &recordResult, &seen));
    thread.resume();
    ASSERT_TRUE(idle.waitFor(20000));
    thread.terminate();
    thread.waitFor();

    EXPECT_EQ(seen.calls, 0);
    ASSERT_EQ(errors.size(), 1u);
    const std::string_view readError = "Ошибка при чтении из порта "_cp1251;
    const std::string_view writeError = "Ошибка при записи в порт "_cp1251;
    EXPECT_TRUE(errors[0].starts_with(readError) || errors[0].starts_with(writeError)) << errors[0];
}

// Journals the handler's events in order.
class JournalHandler : public ModemPhoneEventsHandlerStub {
public:
    void onDtmf(const std::string& digits) override { events.push_back("dtmf:" + digits); }
    void onDisconnect(int reason) override {
        events.push_back("disconnect:" + std::to_string(reason));
    }
    void onDataBufferEmpty() override { events.push_back("buffer empty"); }
    std::vector<std::string> events;
};

struct ReadOutcome {
    std::vector<std::string> events;
    Clock::duration took{};
};

// Runs one read-data command as the worker and the user-interface thread would.
ReadOutcome runRead(ModemPort& port, CommandsThread& thread, JournalHandler* handler) {
    ReadOutcome outcome;
    std::vector<std::string>& events = handler != nullptr ? handler->events : outcome.events;
    ReadDataThreadCommand read(port, handler);
    read.onData = [&events](const char* data, std::uint32_t length) {
        events.push_back("data:" + std::string(data, length));
    };
    read.onDisconnect = [&events](int reason) {
        events.push_back("disconnect:" + std::to_string(reason));
    };
    const auto start = Clock::now();
    EXPECT_TRUE(read.execute(thread));
    outcome.took = Clock::now() - start;
    read.notify();
    if (handler != nullptr) {
        outcome.events = handler->events;
    }
    return outcome;
}

TEST_F(ThreadCommandsTest, ADataReadHandsOverTheDataBeforeTheDisconnectMarker) {
    ASSERT_TRUE(m_pty.write("ABC\r\nNO CARRIER\r\nlost"));
    EXPECT_EQ(runRead(*m_port, m_thread, nullptr).events,
              (std::vector<std::string>{"data:ABC\r\n", "disconnect:2"}));

    // A quiet line: the read lasts its whole wait and reports nothing.
    const ReadOutcome quiet = runRead(*m_port, m_thread, nullptr);
    EXPECT_TRUE(quiet.events.empty());
    EXPECT_GE(quiet.took, milliseconds(ReadDataCommand::kAnswerTimeoutMs));
    EXPECT_LT(quiet.took, milliseconds(2000));

    // Tones reach the handler after the data they came in.
    JournalHandler handler;
    ASSERT_TRUE(m_pty.write("x+DTMF: 5\r\n+DTMF:#\r\n"));
    EXPECT_EQ(runRead(*m_port, m_thread, &handler).events,
              (std::vector<std::string>{"data:x+DTMF: 5\r\n+DTMF:#\r\n", "dtmf:5#"}));

    // Without a handler the tones are dropped.
    ASSERT_TRUE(m_pty.write("+DTMF: 7\r\n"));
    EXPECT_EQ(runRead(*m_port, m_thread, nullptr).events,
              (std::vector<std::string>{"data:+DTMF: 7\r\n"}));
}

TEST_F(ThreadCommandsTest, AListenCarriesALineItCutOffIntoTheNextAndJudgesEachLineOnce) {
    PendingInput pending;
    JournalHandler handler;
    for (const std::string_view bytes : {"\r\n+DTMF: 1\r\n\r\nNO CAR", "RIER\r\n"}) {
        ASSERT_TRUE(m_pty.write(bytes));
        ReadUnreclaimedReports listen(*m_port, &handler, &pending);
        if (listen.execute(m_thread)) {
            listen.notify();
        }
    }
    EXPECT_EQ(handler.events, (std::vector<std::string>{"dtmf:1", "disconnect:2"}));
    EXPECT_TRUE(pending.empty());
}

TEST(ReadDataCommandTest, FindsDisconnectMarkersAcrossChunksAndKeepsWhatFollowsApart) {
    ReadDataCommand split;
    split.on_data("data NO CAR", 11);
    EXPECT_FALSE(split.is_complete());
    split.on_data("RIER\r\nRING\r\n", 12);
    EXPECT_TRUE(split.is_complete());
    EXPECT_TRUE(split.disconnected());
    EXPECT_EQ(std::string(split.data().begin(), split.data().end()), "data ");
    EXPECT_EQ(split.rest(), "RING\r\n");  // the next report, for the next listen

    ReadDataCommand error;
    error.on_data("abERROR", 7);
    EXPECT_FALSE(error.disconnected());  // the word alone may be data
    error.on_data("\r\nNO CARRIER", 12);
    EXPECT_TRUE(error.disconnected());
    EXPECT_EQ(std::string(error.data().begin(), error.data().end()), "ab");
    EXPECT_EQ(error.rest(), "NO CARRIER");

    // A read that ends in the middle of a marker holds its start back for the next read.
    for (const auto& [bytes, held] : std::vector<std::pair<std::string, std::string>>{
             {"xyNO CA", "NO CA"}, {"xyERR", "ERR"}, {"xyN", "N"}, {"xyNOT", ""}, {"", ""}}) {
        ReadDataCommand read;
        read.on_data(bytes.data(), static_cast<int>(bytes.size()));
        EXPECT_EQ(read.hold_back_unfinished_marker(), held) << bytes;
        EXPECT_EQ(std::string(read.data().begin(), read.data().end()) + held, bytes);
    }
}

TEST_F(ThreadCommandsTest, WrittenDataIsTracedOncePerBlockAndSentEvenWithoutTrace) {
    testsupport::TempDir folder;
    {
        testsupport::CurrentFolder cwd(folder.path());
        ExecuteAtCommand<WriteDataCommand> first(*m_port, WriteDataCommand("one\0", 4));
        EXPECT_FALSE(first.execute(m_thread));
        EXPECT_EQ(m_pty.read(4), std::string("one\0", 4));
        ExecuteAtCommand<WriteDataCommand> second(*m_port, WriteDataCommand("two", 3));
        EXPECT_FALSE(second.execute(m_thread));
        EXPECT_EQ(m_pty.read(3), "two");

        // However often the bytes are asked for, the block is traced once.
        WriteDataCommand asked("three", 5);
        EXPECT_EQ(std::string(asked.command_data(), asked.command_size()), "three");
        EXPECT_EQ(std::string(asked.command_data(), asked.command_size()), "three");
    }
    EXPECT_EQ(testsupport::readBytes(folder.path() / "write.dat"),
              std::string("one\0twothree", 12));

    // A trace file that cannot be opened (here a folder stands in its way).
    testsupport::TempDir blocked;
    std::filesystem::create_directory(blocked.path() / "write.dat");
    {
        testsupport::CurrentFolder cwd(blocked.path());
        ExecuteAtCommand<WriteDataCommand> cmd(*m_port, WriteDataCommand("sent", 4));
        EXPECT_FALSE(cmd.execute(m_thread));
        EXPECT_EQ(m_pty.read(4), "sent");
    }
}

}  // namespace
