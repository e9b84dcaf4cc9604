// The iaxmodem fixture: Debian's own soft modem, so tests of the application can check
// themselves against a modem we did not write (ModemPort talks to it in tests/modem). Each
// fixture leaves nothing behind.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/support/iaxmodem_fixture.h"

namespace {

namespace fs = std::filesystem;

TEST(IaxModemFixture, AnswersOnAShortDevicePathAndCleansUp) {
    std::string device;
    {
        const testsupport::IaxModem modem;  // answers "AT" once constructed
        device = modem.devicePath();
        EXPECT_LT(device.size(), 64u);
        EXPECT_TRUE(fs::exists(device));
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(device)));
    for (const auto& entry : fs::directory_iterator("/etc/iaxmodem")) {
        EXPECT_FALSE(entry.path().filename().string().starts_with("orvane-test-" +
                                                                  std::to_string(::getpid())))
            << entry.path();
    }
}

}  // namespace
