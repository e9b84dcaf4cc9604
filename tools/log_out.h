#pragma once

// The developers' trace sink: formatted lines with a time stamp, a severity level and a tag.
// Nothing written here ever reaches the operator.

#include <cstdint>
#include <string_view>

namespace SimpleUtils {

// 0 "NONE", 1 "SIMPLE", 2 "STRONG", 3 "CRITICAL"; anything above 3 counts as 3.
using LogLevel = std::int8_t;

class LogOut {
public:
    // One line at `level` with `tag`; the message is formatted with the C conventions.
    virtual void print(LogLevel level, const char* tag, const char* format, ...)
        __attribute__((format(printf, 4, 5))) = 0;

    // Levels 0 to 3 with the sink's own name as the tag.
    virtual void none(const char* format, ...) __attribute__((format(printf, 2, 3))) = 0;
    virtual void simple(const char* format, ...) __attribute__((format(printf, 2, 3))) = 0;
    virtual void strong(const char* format, ...) __attribute__((format(printf, 2, 3))) = 0;
    virtual void critical(const char* format, ...) __attribute__((format(printf, 2, 3))) = 0;

    virtual void set_name(std::string_view name) = 0;
    // Lines below this level are dropped.
    virtual void set_min_level(LogLevel level) = 0;
    // A disabled sink drops everything.
    virtual void set_enabled(bool flag) = 0;
    // Serialise output with the sink's own lock (needed once several threads share it).
    virtual void set_locking(bool flag) = 0;

    virtual ~LogOut() = default;
};

}  // namespace SimpleUtils
