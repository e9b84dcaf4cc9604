#include "tools/common_static_log_kav.h"

#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "platform/cp1251.h"
#include "tests/support/debug_capture.h"
#include "tests/support/file_bytes.h"
#include "tests/support/temp_dir.h"
#include "tools/log_support_layer.h"

namespace {

namespace fs = std::filesystem;
using namespace platform::literals;
using testsupport::readBytes;

bool hasLine(const std::string& text, const std::string& pattern) {
    return std::regex_search(text, std::regex(pattern));
}

// A sink that threads share through the process-wide log: every output call checks that no
// other one is running, which the lock the log turns on must prevent.
class SharedSink : public SimpleUtils::LogSupportLayer {
public:
    void output(std::string_view line, SimpleUtils::LogLevel /*level*/) override {
        if (m_inside.fetch_add(1) != 0) {
            m_overlaps.fetch_add(1);
        }
        for (char c : line) {
            m_text.push_back(c);
            std::this_thread::yield();
        }
        m_text.push_back('\n');
        m_inside.fetch_sub(1);
    }

    std::atomic<int> m_inside{0};
    std::atomic<int> m_overlaps{0};
    std::string m_text;
};

class CommonStaticLogKavTest : public ::testing::Test {
protected:
    void SetUp() override { CommonStaticLogKav::release(); }
    void TearDown() override { CommonStaticLogKav::release(); }

    testsupport::TempAppFolder m_appFolder;
    testsupport::DebugCapture m_capture;
};

TEST_F(CommonStaticLogKavTest, FirstCallDecidesUntilReleasedThenTheDefaultComes) {
    const fs::path file = m_appFolder.path() / "diag.log";
    testsupport::writeBytes(file, "earlier run\n");
    SimpleUtils::LogOut* log =
        CommonStaticLogKav::instance(CommonStaticLogKav::LogOut_File, "diag", nullptr, 0);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(
        CommonStaticLogKav::instance(CommonStaticLogKav::LogOut_DebugOutput, "other", nullptr, 3),
        log);
    EXPECT_EQ(CommonStaticLogKav::log(), log);
    log->none("level %d", 0);
    const std::string text = readBytes(file);
    EXPECT_TRUE(hasLine(text, R"(^\[[0-9:.]{12}\] NONE       diag {21}level 0\n$)")) << text;
    EXPECT_TRUE(m_capture.lines().empty());

    // Released: the next call gets the system's default, the channel at level 3, no file; so
    // does a type the log does not know.
    CommonStaticLogKav::release();
    fs::remove(file);
    CommonStaticLogKav::log()->strong("s");
    CommonStaticLogKav::log()->critical("rate %d%%", 100);
    ASSERT_EQ(m_capture.lines().size(), 1u);
    EXPECT_TRUE(std::regex_match(m_capture.lines()[0],
                                 std::regex(R"(\[[0-9:.]{12}\] CRITICAL {28}rate 100%)")))
        << m_capture.lines()[0];
    CommonStaticLogKav::release();
    CommonStaticLogKav::instance(static_cast<CommonStaticLogKav::LogOutType>(42), "odd", nullptr, 1)
        ->simple("s");
    EXPECT_EQ(m_capture.lines().size(), 2u);
    EXPECT_TRUE(fs::is_empty(m_appFolder.path()));
}

TEST_F(CommonStaticLogKavTest, ComboSinkStartsItsFileAfreshAndWritesBothWithTheName) {
    const fs::path file = m_appFolder.path() / fs::path(u8"комбо.log");
    testsupport::writeBytes(file, "earlier run\n");
    SimpleUtils::LogOut* log =
        CommonStaticLogKav::instance(CommonStaticLogKav::LogOut_Combo, "комбо"_cp1251, nullptr, 2);
    EXPECT_FALSE(fs::exists(file));
    log->simple("below");
    log->strong("kept");
    const auto lines = m_capture.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(hasLine(lines[0], "STRONG     " + std::string("комбо"_cp1251) + " +kept$"));
    EXPECT_EQ(readBytes(file), lines[0] + "\n");
}

TEST_F(CommonStaticLogKavTest, AGivenSinkIsSetUpForSharingButStaysTheCallers) {
    SharedSink sink;
    EXPECT_EQ(CommonStaticLogKav::instance(CommonStaticLogKav::LogOut_Default, "", &sink, 2),
              &sink);
    constexpr int kThreads = 4;
    constexpr int kLines = 50;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i) {
                CommonStaticLogKav::log()->simple("below the level");
                CommonStaticLogKav::log()->strong("writer %d line %d end", t, i);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(sink.m_overlaps.load(), 0);
    // Whole lines only; no name given, so the sink keeps its own (empty) one.
    const std::regex whole(R"(\[[0-9:.]{12}\] STRONG {5} {25}writer \d line \d+ end)");
    int count = 0;
    std::size_t start = 0;
    for (std::size_t end; (end = sink.m_text.find('\n', start)) != std::string::npos;
         start = end + 1) {
        EXPECT_TRUE(std::regex_match(sink.m_text.substr(start, end - start), whole));
        ++count;
    }
    EXPECT_EQ(count, kThreads * kLines);

    CommonStaticLogKav::release();  // must not delete it
    sink.critical("still alive");
    EXPECT_TRUE(sink.m_text.ends_with("still alive\n"));
}

TEST_F(CommonStaticLogKavTest, ConcurrentFirstCallsShareOneSink) {
    std::vector<SimpleUtils::LogOut*> seen(4, nullptr);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < seen.size(); ++t) {
        threads.emplace_back([&seen, t] { seen[t] = CommonStaticLogKav::log(); });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (auto* log : seen) {
        EXPECT_EQ(log, seen[0]);
    }
}

}  // namespace
