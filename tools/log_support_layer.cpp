#include "tools/log_support_layer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "common/text_utils.h"

namespace SimpleUtils {
namespace {

constexpr std::size_t kBufferSize = LogSupportLayer::kMaxText + 1;

constexpr const char* kLevelNames[] = {"NONE", "SIMPLE", "STRONG", "CRITICAL"};
constexpr LogLevel kTopLevel = 3;

// Formats must be scanned only up to the limit: a caller's runaway buffer is no reason to
// read far past it.
bool formatTooLong(const char* format) {
    constexpr auto limit = static_cast<std::size_t>(LogSupportLayer::kMaxText);
    return ::strnlen(format, limit + 1) > limit;
}

}  // namespace

void LogSupportLayer::print(LogLevel level, const char* tag, const char* format, ...) {
    if (!m_enabled || level < m_minLevel || format == nullptr || formatTooLong(format)) {
        return;
    }

    char message[kBufferSize];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    if (length < 0) {
        return;  // an encoding error leaves nothing sensible to print
    }

    // A level below 0 only passes a minimum level set below 0; it is printed as the lowest.
    if (level > kTopLevel) {
        level = kTopLevel;
    } else if (level < 0) {
        level = 0;
    }

    const std::string stamp = localTimeText("[", "]", true);
    char line[kBufferSize];
    const int lineLength = std::snprintf(line, sizeof line, "%s %-10s %-24s %-s", stamp.c_str(),
                                         kLevelNames[level], tag != nullptr ? tag : "", message);
    if (lineLength < 0) {
        return;
    }
    const std::string_view text(
        line, std::min<std::size_t>(static_cast<std::size_t>(lineLength), sizeof line - 1));

    if (m_locking) {
        std::lock_guard<Locker> guard(m_lock);
        output(text, level);
    } else {
        output(text, level);
    }
}

void LogSupportLayer::printAtLevel(LogLevel level, const char* format, va_list args) {
    if (!m_enabled || m_minLevel > level || format == nullptr || formatTooLong(format)) {
        return;
    }
    char message[kBufferSize];
    if (std::vsnprintf(message, sizeof message, format, args) < 0) {
        return;
    }
    // Already formatted: any '%' the arguments brought in must come out as it is.
    print(level, m_name.c_str(), "%s", message);
}

void LogSupportLayer::none(const char* format, ...) {
    va_list args;
    va_start(args, format);
    printAtLevel(0, format, args);
    va_end(args);
}

void LogSupportLayer::simple(const char* format, ...) {
    va_list args;
    va_start(args, format);
    printAtLevel(1, format, args);
    va_end(args);
}

void LogSupportLayer::strong(const char* format, ...) {
    va_list args;
    va_start(args, format);
    printAtLevel(2, format, args);
    va_end(args);
}

void LogSupportLayer::critical(const char* format, ...) {
    va_list args;
    va_start(args, format);
    printAtLevel(3, format, args);
    va_end(args);
}

void LogSupportLayer::set_name(std::string_view name) {
    m_name = name;
}

void LogSupportLayer::set_min_level(LogLevel level) {
    m_minLevel = level;
}

void LogSupportLayer::set_enabled(bool flag) {
    m_enabled = flag;
}

void LogSupportLayer::set_locking(bool flag) {
    m_locking = flag;
}

}  // namespace SimpleUtils
