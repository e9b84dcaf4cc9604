#include "tools/debug_print.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string_view>

#include "platform/debug_channel.h"

namespace SimpleUtils {

void debug_print(const char* format, ...) {
    if (format == nullptr) {
        return;
    }
    char text[10240];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (length < 0) {
        return;
    }
    platform::debugOutput(
        std::string_view(text, std::min(static_cast<std::size_t>(length), sizeof text - 1)));
}

}  // namespace SimpleUtils
