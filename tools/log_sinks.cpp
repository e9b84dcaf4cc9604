#include "tools/log_sinks.h"

#include <cstdio>
#include <system_error>
#include <utility>

#include "platform/debug_channel.h"

namespace SimpleUtils {
namespace {

void removeFile(const std::filesystem::path& path) {
    if (!path.empty()) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
}

// A file that cannot be opened loses the line: the trace must never disturb its callers.
void appendLine(const std::filesystem::path& path, std::string_view line) {
    if (path.empty()) {
        return;
    }
    std::FILE* file = std::fopen(path.c_str(), "a");
    if (file == nullptr) {
        return;
    }
    std::fwrite(line.data(), 1, line.size(), file);
    std::fputc('\n', file);
    std::fclose(file);
}

}  // namespace

void LogDebugoutput::output(std::string_view line, LogLevel /*level*/) {
    platform::debugOutput(line);
}

LogFileUsual::LogFileUsual(std::filesystem::path file, bool deleteFlag) : m_path(std::move(file)) {
    if (deleteFlag) {
        removeFile(m_path);
    }
}

void LogFileUsual::output(std::string_view line, LogLevel /*level*/) {
    appendLine(m_path, line);
}

LogCombo::LogCombo(std::filesystem::path file, bool deleteFlag) : m_path(std::move(file)) {
    if (deleteFlag) {
        removeFile(m_path);
    }
}

void LogCombo::output(std::string_view line, LogLevel /*level*/) {
    platform::debugOutput(line);
    appendLine(m_path, line);
}

}  // namespace SimpleUtils
