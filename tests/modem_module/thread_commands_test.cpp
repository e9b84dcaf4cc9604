#include "modem/modem_module/impl/thread_commands.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "modem/modem_module/impl/cmds/read_data_command.h"
#include "modem/modem_module/impl/cmds/write_data_command.h"
#include "modem/modem_module/impl/commands_thread.h"
#include "modem/modem_module/impl/read_data_thread_command.h"
#include "modem/modem_module/modem_phone_events_handler.h"
#include "modem/modem_port.h"
#include "modem/simple_at_cmd.h"
#include "tests/support/file_bytes.h"
#include "tests/support/port_links.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

constexpr int kPort = 7;

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

// A command run for its effect alone (the facade's, when its owner takes no results).
TEST_F(ThreadCommandsTest, ACommandWithoutACallbackAsksForNoNotification) {
    SimpleThreadCommand silent(*m_port, SimpleAtCmd("AT", "", 0, false, 1000));
    ASSERT_TRUE(m_pty.write("\r\nOK\r\n"));
    EXPECT_FALSE(silent.execute(m_thread));
    EXPECT_TRUE(silent.command().result());
    silent.notify();  // nothing to call, nothing to crash
}

// Journals the handler's events in order.
class JournalHandler : public ModemPhoneEventsHandlerStub {
public:
    void onDtmf(const std::string& digits) override { events.push_back("dtmf:" + digits); }
    void onDisconnect(int reason) override {
        events.push_back("disconnect:" + std::to_string(reason));
    }
    std::vector<std::string> events;
};

// Runs one read-data command as the worker and the user-interface thread would; returns what
// it reported, the tones to the handler's journal when there is one.
std::vector<std::string> runRead(ModemPort& port, CommandsThread& thread, JournalHandler* handler) {
    std::vector<std::string> own;
    std::vector<std::string>& events = handler != nullptr ? handler->events : own;
    ReadDataThreadCommand read(port, handler);
    read.onData = [&events](const char* data, std::uint32_t length) {
        events.push_back("data:" + std::string(data, length));
    };
    read.onDisconnect = [&events](int reason) {
        events.push_back("disconnect:" + std::to_string(reason));
    };
    EXPECT_TRUE(read.execute(thread));
    read.notify();
    return events;
}

// The data ahead of a call's end is played through orvane-at against the simulated modem.
TEST_F(ThreadCommandsTest, ADataReadWaitsOutAQuietLineAndPassesTonesToAHandlerOnly) {
    // A quiet line: the read lasts its whole wait and reports nothing.
    const auto start = Clock::now();
    EXPECT_TRUE(runRead(*m_port, m_thread, nullptr).empty());
    EXPECT_GE(Clock::now() - start, milliseconds(ReadDataCommand::kAnswerTimeoutMs));
    EXPECT_LT(Clock::now() - start, milliseconds(2000));

    // Tones reach the handler after the data they came in.
    JournalHandler handler;
    ASSERT_TRUE(m_pty.write("x+DTMF: 5\r\n+DTMF:#\r\n"));
    EXPECT_EQ(runRead(*m_port, m_thread, &handler),
              (std::vector<std::string>{"data:x+DTMF: 5\r\n+DTMF:#\r\n", "dtmf:5#"}));

    // Without a handler the tones are dropped.
    ASSERT_TRUE(m_pty.write("+DTMF: 7\r\n"));
    EXPECT_EQ(runRead(*m_port, m_thread, nullptr), (std::vector<std::string>{"data:+DTMF: 7\r\n"}));
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
