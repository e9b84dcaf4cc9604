#pragma once

// Formatting, filtering and locking shared by every sink; a sink only says where a finished
// line goes.

#include <cstdarg>
#include <string>
#include <string_view>

#include "platform/locker.h"
#include "tools/log_out.h"

namespace SimpleUtils {

class LogSupportLayer : public LogOut {
public:
    LogSupportLayer() = default;
    LogSupportLayer(const LogSupportLayer&) = delete;
    LogSupportLayer& operator=(const LogSupportLayer&) = delete;

    void print(LogLevel level, const char* tag, const char* format, ...) override
        __attribute__((format(printf, 4, 5)));
    void none(const char* format, ...) override __attribute__((format(printf, 2, 3)));
    void simple(const char* format, ...) override __attribute__((format(printf, 2, 3)));
    void strong(const char* format, ...) override __attribute__((format(printf, 2, 3)));
    void critical(const char* format, ...) override __attribute__((format(printf, 2, 3)));

    void set_name(std::string_view name) override;
    void set_min_level(LogLevel level) override;
    void set_enabled(bool flag) override;
    void set_locking(bool flag) override;

    // Writes one finished line (no line break of its own); `level` is already within 0..3.
    virtual void output(std::string_view line, LogLevel level) = 0;

    // Longest message and longest line, in characters; longer ones are cut.
    static constexpr int kMaxText = 9999;

private:
    void printAtLevel(LogLevel level, const char* format, va_list args)
        __attribute__((format(printf, 3, 0)));

    std::string m_name;
    LogLevel m_minLevel = 1;
    bool m_locking = false;
    Locker m_lock;
    bool m_enabled = true;
};

}  // namespace SimpleUtils
