#include "modem/modem_module/impl/read_sms_action.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "modem/modem_port.h"
#include "platform/cp1251.h"
#include "tests/support/debug_capture.h"
#include "tests/support/port_links.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

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

TEST_F(ReadSmsActionTest, ReadsTheMessageTheReportNamesAndDeletesOnlyOneWhosePduCame) {
    using Location = SmsReportParser::Location;
    struct Step {
        std::string command;
        std::string reply;
    };
    struct Case {
        std::optional<Location> location;
        bool deleteAfterRead;
        std::vector<Step> steps;
        bool read;
        std::string data;
    };
    const Step selectSm{"AT+CPMS=\"SM\"\r\n", kStorageAnswer};
    const Step readTwo{"AT+CMGR=2\r\n", kReadAnswer};
    const std::vector<Case> cases{
        // The report's index, whatever the storage answer counts (a gap before it).
        {Location{"SM", 2},
         true,
         {selectSm, readTwo, {"AT+CMGD=2\r\n", "\r\nERROR\r\n"}},
         true,
         kPdu},
        // Read, but no PDU came: kept in storage.
        {Location{"SM", 2},
         true,
         {selectSm, {"AT+CMGR=2\r\n", "\r\n+CMGR: 0,,23\r\n\r\nOK\r\n"}},
         true,
         ""},
        {Location{"SM", 2}, true, {{"AT+CPMS=\"SM\"\r\n", "\r\nERROR\r\n"}}, false, ""},
        {Location{"SM", 2}, true, {selectSm, {"AT+CMGR=2\r\n", "\r\nERROR\r\n"}}, false, ""},
        // A report without its place: "MT" and the third value of the storage answer.
        {std::nullopt, false, {{kStorage, kStorageAnswer}, {kRead, kReadAnswer}}, true, kPdu},
        {std::nullopt, true, {{kStorage, "\r\n+CPMS: 3,30\r\n\r\nOK\r\n"}}, false, ""},
        // Echo left on: the answer no longer opens with the information line.
        {std::nullopt, true, {{kStorage, kStorage + kStorageAnswer}}, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.steps.back().command + c.steps.back().reply);
        testsupport::TraceCapture traces;
        ReadSmsAction action{*m_port, c.deleteAfterRead, c.location};
        auto done = runAsync(action);
        for (const Step& step : c.steps) {
            expectAndAnswer(step.command, step.reply);
        }
        EXPECT_EQ(done.get(), c.read);
        EXPECT_EQ(m_pty.readAvailable(), "");  // nothing written beyond the steps
        EXPECT_EQ(action.data(), c.data);
        if (c.read) {
            EXPECT_EQ(action.result(), c.location ? c.location->index : 3);
        }
        if (!c.location && c.read) {
            EXPECT_EQ(
                traces.containing("ReadSmsAction."),
                (std::vector<std::string>{"ReadSmsAction. Step1: result=1 haveUnreadIndex=1\n",
                                          "ReadSmsAction. Step2: result=1\n",
                                          "ReadSmsAction. Step3: m_data=" + kPdu + "\n"}));
        }
    }
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
