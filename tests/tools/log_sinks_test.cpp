#include "tools/log_sinks.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "tests/support/debug_capture.h"
#include "tests/support/file_bytes.h"
#include "tests/support/temp_dir.h"
#include "tools/debug_print.h"

namespace {

namespace fs = std::filesystem;
using testsupport::readBytes;
using testsupport::writeBytes;

// A sink that starts its file afresh is the process-wide log's file test.
TEST(LogFileUsual, AppendsEachLineWithALineBreak) {
    testsupport::TempDir dir;
    const fs::path file = dir.path() / "trace.log";
    writeBytes(file, "earlier run\n");
    SimpleUtils::LogFileUsual sink(file, false);
    sink.print(3, "tag", "one\n");
    sink.print(3, "tag", "two");
    const std::string text = readBytes(file);
    const std::regex whole(
        R"(earlier run\n\[[0-9:.]{12}\] CRITICAL   tag +one\n\n\[[0-9:.]{12}\] CRITICAL   tag +two\n)");
    EXPECT_TRUE(std::regex_match(text, whole)) << text;
}

TEST(LogFileUsual, UnusableFileNamesLoseLinesSilently) {
    testsupport::TempDir dir;
    const testsupport::CurrentFolder cwd(dir.path());  // a relative empty name must not land here
    SimpleUtils::LogFileUsual("", true).print(3, "tag", "dropped");
    SimpleUtils::LogFileUsual(dir.path() / "none" / "x.log", true).print(3, "tag", "dropped");
    SimpleUtils::LogCombo("", true).print(3, "tag", "dropped");
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(DebugPrint, SendsTheFormattedTextUnfiltered) {
    testsupport::DebugCapture capture;
    SimpleUtils::debug_print("ModemTester::stop. entry");
    SimpleUtils::debug_print("port %d rate %u: %s%%\n", 3, 115200u, "ok");
    const std::string longText(20000, 'y');
    SimpleUtils::debug_print("%s", longText.c_str());
    EXPECT_EQ(capture.lines(),
              (std::vector<std::string>{"ModemTester::stop. entry", "port 3 rate 115200: ok%\n",
                                        std::string(10239, 'y')}));
}

}  // namespace
