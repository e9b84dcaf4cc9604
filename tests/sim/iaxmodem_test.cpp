// The iaxmodem fixture: Debian's own soft modem answers like a Hayes modem, so tests of the
// application can check themselves against a modem we did not write.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "tests/support/iaxmodem_fixture.h"
#include "tests/support/pty_client.h"

namespace {

TEST(IaxModemFixture, AnswersAtVerboseAndNumericAndCleansUp) {
    std::string device;
    std::filesystem::path config;
    {
        std::unique_ptr<testsupport::IaxModem> modem;
        ASSERT_NO_THROW(modem = std::make_unique<testsupport::IaxModem>());
        device = modem->devicePath();
        EXPECT_LT(device.size(), 64u);
        testsupport::PtyClient client{device};
        client.send("AT\r");
        EXPECT_NE(client.readUntil("OK\r\n").find("\r\nOK\r\n"), std::string::npos);
        EXPECT_EQ(client.ask("ATV0\r", "ATV0\r0\r"), "ATV0\r0\r");
        EXPECT_EQ(client.ask("AT\r", "0\r"), "AT\r0\r");
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(device)));
    for (const auto& entry : std::filesystem::directory_iterator("/etc/iaxmodem")) {
        EXPECT_FALSE(entry.path().filename().string().starts_with("orvane-test-" +
                                                                  std::to_string(::getpid())))
            << entry.path();
    }
}

}  // namespace
