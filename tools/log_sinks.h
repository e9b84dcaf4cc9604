#pragma once

// Where finished trace lines go: the debugger output channel, a file, or both.

#include <filesystem>
#include <string>
#include <string_view>

#include "tools/log_support_layer.h"

namespace SimpleUtils {

// Sends each line unchanged to the debugger output channel.
class LogDebugoutput : public LogSupportLayer {
public:
    LogDebugoutput() = default;
    ~LogDebugoutput() override = default;

    void output(std::string_view line, LogLevel level) override;
};

// Appends each line and a line break to a file, opened and closed per line so the file can
// be read (or removed) while the program runs. An empty path drops every line. With
// deleteFlag the file is removed at construction, so each run starts a new file.
class LogFileUsual : public LogSupportLayer {
public:
    LogFileUsual(std::filesystem::path file, bool deleteFlag);
    ~LogFileUsual() override = default;

    void output(std::string_view line, LogLevel level) override;

    const std::filesystem::path& file() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Both of the above: the debugger output channel first, then the file.
class LogCombo : public LogSupportLayer {
public:
    LogCombo(std::filesystem::path file, bool deleteFlag);
    ~LogCombo() override = default;

    void output(std::string_view line, LogLevel level) override;

    const std::filesystem::path& file() const { return m_path; }

private:
    std::filesystem::path m_path;
};

}  // namespace SimpleUtils
