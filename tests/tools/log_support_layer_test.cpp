#include "tools/log_support_layer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

using SimpleUtils::LogLevel;

// Keeps what the layer hands to its sink, with the level it was given.
class RecordingSink : public SimpleUtils::LogSupportLayer {
public:
    struct Line {
        std::string text;
        LogLevel level;
    };

    void output(std::string_view line, LogLevel level) override {
        m_lines.push_back({std::string(line), level});
    }

    std::vector<Line> m_lines;
};

// "[HH:MM:SS.mmm] " in front of every line.
const std::string kStamp = R"(\[\d{2}:\d{2}:\d{2}\.\d{3}\] )";

bool matches(const std::string& text, const std::string& pattern) {
    return std::regex_match(text, std::regex(pattern));
}

TEST(LogSupportLayer, LineCarriesStampPaddedLevelAndTag) {
    RecordingSink sink;
    sink.print(3, "port", "open %s", "failed");
    sink.print(1, "a-tag-longer-than-the-24-columns", "x=%d\n", 5);
    sink.print(2, nullptr, "no tag");

    ASSERT_EQ(sink.m_lines.size(), 3u);
    EXPECT_TRUE(
        matches(sink.m_lines[0].text, kStamp + "CRITICAL   port                     open failed"))
        << sink.m_lines[0].text;
    // A long tag is kept whole; the caller's own line break stays in the message.
    EXPECT_TRUE(
        matches(sink.m_lines[1].text, kStamp + "SIMPLE     a-tag-longer-than-the-24-columns x=5\n"))
        << sink.m_lines[1].text;
    EXPECT_TRUE(
        matches(sink.m_lines[2].text, kStamp + "STRONG     " + std::string(24, ' ') + " no tag"))
        << sink.m_lines[2].text;
    EXPECT_EQ(sink.m_lines[0].level, 3);
}

TEST(LogSupportLayer, LevelsOutsideTheTableAreClamped) {
    RecordingSink sink;
    sink.print(7, "t", "high");
    sink.print(127, "t", "highest");
    sink.print(-3, "t", "negative, below the default minimum");
    sink.set_min_level(-128);
    sink.print(-3, "t", "negative");

    ASSERT_EQ(sink.m_lines.size(), 3u);
    EXPECT_TRUE(matches(sink.m_lines[0].text, kStamp + "CRITICAL .* high"));
    EXPECT_EQ(sink.m_lines[0].level, 3);
    EXPECT_EQ(sink.m_lines[1].level, 3);
    EXPECT_TRUE(matches(sink.m_lines[2].text, kStamp + "NONE .* negative"));
    EXPECT_EQ(sink.m_lines[2].level, 0);
}

TEST(LogSupportLayer, MinimumLevelFiltersEveryEntry) {
    RecordingSink sink;
    sink.none("dropped by the default minimum of 1");
    sink.simple("kept");
    EXPECT_EQ(sink.m_lines.size(), 1u);

    sink.m_lines.clear();
    sink.set_min_level(3);
    sink.none("n");
    sink.simple("s");
    sink.strong("st");
    sink.print(2, "t", "p");
    sink.critical("c");
    ASSERT_EQ(sink.m_lines.size(), 1u);
    EXPECT_TRUE(matches(sink.m_lines[0].text, kStamp + "CRITICAL .* c"));
}

TEST(LogSupportLayer, LevelEntriesUseTheNameAndPrintPercentLiterally) {
    RecordingSink sink;
    sink.set_min_level(0);
    sink.set_name("modem");
    sink.none("%s", "100% %d %s %n");
    sink.simple("rate %d%%", 50);
    sink.strong("st");
    sink.critical("cr");

    ASSERT_EQ(sink.m_lines.size(), 4u);
    EXPECT_TRUE(matches(sink.m_lines[0].text,
                        kStamp + "NONE       modem" + std::string(19, ' ') + " 100% %d %s %n"))
        << sink.m_lines[0].text;
    EXPECT_TRUE(matches(sink.m_lines[1].text, kStamp + "SIMPLE     modem +rate 50%"));
    EXPECT_TRUE(matches(sink.m_lines[2].text, kStamp + "STRONG     modem +st"));
    EXPECT_TRUE(matches(sink.m_lines[3].text, kStamp + "CRITICAL   modem +cr"));
    EXPECT_EQ(sink.m_lines[0].level, 0);
    EXPECT_EQ(sink.m_lines[3].level, 3);
}

TEST(LogSupportLayer, DisabledSinkDropsEverything) {
    RecordingSink sink;
    sink.set_enabled(false);
    sink.print(3, "t", "p");
    sink.critical("c");
    EXPECT_TRUE(sink.m_lines.empty());

    sink.set_enabled(true);
    sink.critical("c");
    EXPECT_EQ(sink.m_lines.size(), 1u);
}

TEST(LogSupportLayer, LongTextsAreCutAndOverlongFormatsDropped) {
    const auto max = static_cast<std::size_t>(SimpleUtils::LogSupportLayer::kMaxText);
    const std::string longText(max + 2000, 'x');
    RecordingSink sink;

    sink.print(3, "t", "%s", longText.c_str());
    sink.critical("%s", longText.c_str());
    ASSERT_EQ(sink.m_lines.size(), 2u);
    for (const auto& line : sink.m_lines) {
        EXPECT_EQ(line.text.size(), max);
        EXPECT_EQ(line.text.back(), 'x');
    }

    // The longest format still accepted, then one character more.
    sink.m_lines.clear();
    const std::string longestFormat(max, 'f');
    const std::string tooLongFormat(max + 1, 'f');
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-security"
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    sink.print(3, "t", longestFormat.c_str());
    sink.critical(longestFormat.c_str());
    sink.print(3, "t", tooLongFormat.c_str());
    sink.critical(tooLongFormat.c_str());
#pragma GCC diagnostic pop
    EXPECT_EQ(sink.m_lines.size(), 2u);
}

// Every output call checks that no other one is running; without the lock two threads
// would meet inside it.
class OverlapDetectingSink : public SimpleUtils::LogSupportLayer {
public:
    void output(std::string_view line, LogLevel /*level*/) override {
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

TEST(LogSupportLayer, LockingSerialisesOutputAcrossThreads) {
    OverlapDetectingSink sink;
    sink.set_locking(true);
    constexpr int kThreads = 4;
    constexpr int kLines = 50;

    std::vector<std::thread> threads;
    threads.reserve(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&sink, t] {
            for (int i = 0; i < kLines; ++i) {
                sink.print(3, "thread", "writer %d line %d end", t, i);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }

    EXPECT_EQ(sink.m_overlaps.load(), 0);
    const std::regex whole(kStamp + "CRITICAL   thread +writer \\d line \\d+ end");
    int count = 0;
    std::size_t start = 0;
    for (std::size_t end; (end = sink.m_text.find('\n', start)) != std::string::npos;
         start = end + 1) {
        const std::string line = sink.m_text.substr(start, end - start);
        EXPECT_TRUE(std::regex_match(line, whole)) << line;
        ++count;
    }
    EXPECT_EQ(count, kThreads * kLines);
}

}  // namespace
