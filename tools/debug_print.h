#pragma once

// A trace line straight to the debugger output channel: no time stamp, no level, no filter.

namespace SimpleUtils {

// Formats with the C conventions; results longer than 10239 characters are cut.
void debug_print(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace SimpleUtils
