#include "modem/modem_module/impl/read_sms_action.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "modem/modem_port.h"
#include "platform/cp1251.h"
#include "tests/support/port_links.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"
#include "tests/support/trace_capture.h"

using namespace platform::literals;

namespace {

constexpr int kPort = 4;
const std::string kPdu{
    "0791448720003023240DD0E474D81C0EBB010000111011315214000BE474D81C0EBB5DE3771B"};
const std::string kStorage{"AT+CPMS=\"MT\"\r\n"};
const std::string kStorageAnswer{"\r\n+CPMS: 3,30,3,30,3,30\r\n\r\nOK\r\n"};
const std::string kRead{"AT+CMGR=3\r\n"};
const std::string kReadAnswer{"\r\n+CMGR: 0,,23\r\n" + kPdu + "\r\n\r\nOK\r\n"};
const std::string kDelete{"AT+CMGD=3\r\n"};

// The test plays the modem on the master side of a pseudo-terminal linked as ports/com4:
// it answers each command line once it has read it whole.
class ReadSmsActionTest : public ::testing::Test {
protected:
    ReadSmsActionTest() {
        testsupport::linkPort(m_app.path(), kPort, m_pty.slavePath());
        m_port = std::make_unique<ModemPort>(kPort, 115200, 8, 1, false, true);
    }

    std::future<bool> runAsync(ReadSmsAction& action) {
        return std::async(std::launch::async, [&action] { return action.run(); });
    }

    // Reads the command the action must write next and gives it its answer.
    void expectAndAnswer(const std::string& command, std::string_view reply) {
        EXPECT_EQ(m_pty.read(command.size()), command);
        ASSERT_TRUE(m_pty.write(reply));
    }

    testsupport::TempAppFolder m_app;
    testsupport::PtyPair m_pty;
    std::unique_ptr<ModemPort> m_port;
};

TEST_F(ReadSmsActionTest, ReadsTheMessageTheStorageAnswerPointsAtAndKeepsIt) {
    testsupport::TraceCapture traces;
    ASSERT_TRUE(m_port->is_open());
    ReadSmsAction action{*m_port, false};
    auto done = runAsync(action);
    expectAndAnswer(kStorage, kStorageAnswer);
    expectAndAnswer(kRead, kReadAnswer);
    EXPECT_TRUE(done.get());
    EXPECT_EQ(action.data(), kPdu);
    EXPECT_EQ(action.result(), 1);
    EXPECT_EQ(m_pty.readAvailable(), "");  // no delete

    EXPECT_EQ(traces.containing("ReadSmsAction."),
              (std::vector<std::string>{"ReadSmsAction. Step1: result=1 haveUnreadIndex=1\n",
                                        "ReadSmsAction. Step2: result=1\n",
                                        "ReadSmsAction. Step3: m_data=" + kPdu + "\n"}));
}

TEST_F(ReadSmsActionTest, DeletesTheMessageReadWhenAskedEvenIfTheAnswerWasUnexpected) {
    struct Case {
        std::string readAnswer;
        std::string deleteAnswer;
        std::string data;
    };
    for (const Case& c : {Case{kReadAnswer, "\r\nERROR\r\n", kPdu},
                          Case{"\r\n+CMGR: 0,,23\r\n\r\nOK\r\n", "\r\nOK\r\n", ""}}) {
        ReadSmsAction action{*m_port, true};
        auto done = runAsync(action);
        expectAndAnswer(kStorage, kStorageAnswer);
        expectAndAnswer(kRead, c.readAnswer);
        expectAndAnswer(kDelete, c.deleteAnswer);
        EXPECT_TRUE(done.get());
        EXPECT_EQ(action.data(), c.data);
        EXPECT_EQ(action.result(), 1);
        EXPECT_EQ(m_pty.readAvailable(), "");
    }
}

TEST_F(ReadSmsActionTest, NothingIsReadWithoutAUsableStorageAnswer) {
    const std::vector<std::string> answers{
        "\r\nERROR\r\n",
        "\r\n+CPMS: 3,30\r\n\r\nOK\r\n",
        // echo was left on: the answer no longer opens with the information line
        kStorage + kStorageAnswer,
    };
    for (const std::string& reply : answers) {
        testsupport::TraceCapture traces;
        ReadSmsAction action{*m_port, true};
        auto done = runAsync(action);
        expectAndAnswer(kStorage, reply);
        EXPECT_FALSE(done.get()) << reply;
        EXPECT_EQ(m_pty.readAvailable(), "") << reply;
        EXPECT_EQ(action.data(), "");
        const bool ok = reply.find("OK") != std::string::npos;
        EXPECT_EQ(traces.containing("ReadSmsAction."),
                  (std::vector<std::string>{"ReadSmsAction. Step1: result=" + std::to_string(ok) +
                                            " haveUnreadIndex=0\n"}))
            << reply;
    }
}

TEST_F(ReadSmsActionTest, AFailedReadIsNotDeleted) {
    testsupport::TraceCapture traces;
    ReadSmsAction action{*m_port, true};
    auto done = runAsync(action);
    expectAndAnswer(kStorage, kStorageAnswer);
    expectAndAnswer(kRead, "\r\n+CMS ERROR: 321\r\n\r\nERROR\r\n");
    EXPECT_FALSE(done.get());
    EXPECT_EQ(m_pty.readAvailable(), "");
    EXPECT_EQ(action.data(), "");
    const std::vector<std::string> steps = traces.containing("ReadSmsAction.");
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[1], "ReadSmsAction. Step2: result=0\n");
}

TEST_F(ReadSmsActionTest, APortFailureReachesTheCaller) {
    ReadSmsAction action{*m_port, true};
    auto done = runAsync(action);
    expectAndAnswer(kStorage, kStorageAnswer);
    EXPECT_EQ(m_pty.read(kRead.size()), kRead);
    m_pty.hangUp();
    EXPECT_THAT([&] { done.get(); }, testing::ThrowsMessage<std::runtime_error>(testing::StartsWith(
                                         "Ошибка при чтении из порта "_cp1251)));
}

}  // namespace
