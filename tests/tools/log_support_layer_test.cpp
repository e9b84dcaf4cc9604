#include "tools/log_support_layer.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace {

using SimpleUtils::LogLevel;

// Keeps what the layer hands to its sink, with the level it was given.
class RecordingSink : public SimpleUtils::LogSupportLayer {
public:
    void output(std::string_view line, LogLevel level) override {
        lines.emplace_back(std::string(line), level);
    }

    // Every line matches its pattern behind the stamp "[HH:MM:SS.mmm] " and has its level.
    void expect(const std::vector<std::pair<std::string, LogLevel>>& expected) {
        ASSERT_EQ(lines.size(), expected.size());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_TRUE(std::regex_match(lines[i].first, std::regex(kStamp + expected[i].first)))
                << lines[i].first;
            EXPECT_EQ(lines[i].second, expected[i].second) << lines[i].first;
        }
        lines.clear();
    }

    static inline const std::string kStamp = R"(\[\d{2}:\d{2}:\d{2}\.\d{3}\] )";
    std::vector<std::pair<std::string, LogLevel>> lines;
};

TEST(LogSupportLayer, LineCarriesStampPaddedLevelAndTagWithLevelsClampedToTheTable) {
    RecordingSink sink;
    sink.print(3, "port", "open %s", "failed");
    // A long tag is kept whole; the caller's own line break stays in the message.
    sink.print(1, "a-tag-longer-than-the-24-columns", "x=%d\n", 5);
    sink.print(2, nullptr, "no tag");
    sink.print(7, "t", "high");
    sink.print(127, "t", "highest");
    sink.print(-3, "t", "negative, below the default minimum");
    sink.expect({{"CRITICAL   port                     open failed", 3},
                 {"SIMPLE     a-tag-longer-than-the-24-columns x=5\n", 1},
                 {"STRONG     " + std::string(24, ' ') + " no tag", 2},
                 {"CRITICAL .* high", 3},
                 {"CRITICAL .* highest", 3}});

    sink.set_min_level(-128);
    sink.print(-3, "t", "negative");
    sink.expect({{"NONE .* negative", 0}});
}

TEST(LogSupportLayer, MinimumLevelAndTheEnabledFlagFilterEveryEntry) {
    RecordingSink sink;
    sink.none("dropped by the default minimum of 1");
    sink.simple("kept");
    sink.set_min_level(3);
    sink.none("n");
    sink.simple("s");
    sink.strong("st");
    sink.print(2, "t", "p");
    sink.critical("c");
    sink.set_enabled(false);
    sink.print(3, "t", "p");
    sink.critical("off");
    sink.set_enabled(true);
    sink.critical("on");
    sink.expect({{"SIMPLE .* kept", 1}, {"CRITICAL .* c", 3}, {"CRITICAL .* on", 3}});
}

TEST(LogSupportLayer, LongTextsAreCutAndOverlongFormatsDropped) {
    const auto max = static_cast<std::size_t>(SimpleUtils::LogSupportLayer::kMaxText);
    const std::string longText(max + 2000, 'x');
    RecordingSink sink;
    sink.print(3, "t", "%s", longText.c_str());
    sink.critical("%s", longText.c_str());
    ASSERT_EQ(sink.lines.size(), 2u);
    for (const auto& line : sink.lines) {
        EXPECT_EQ(line.first.size(), max);
        EXPECT_EQ(line.first.back(), 'x');
    }

    // The longest format still accepted, then one character more.
    sink.lines.clear();
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
    EXPECT_EQ(sink.lines.size(), 2u);
}

}  // namespace
