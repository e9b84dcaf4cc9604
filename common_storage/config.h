#pragma once

// The tool's persistent settings: read from <application folder>/orvane.ini on first use,
// changed in memory while the tool runs, written back once at shutdown. Texts are code page
// 1251, as are the file's section and key names.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "common/msg_strings.h"

namespace platform {
class IniFile;
}

class Config {
public:
    // The single instance, created and loaded on the first call. The first call happens on
    // the user-interface thread before any worker exists.
    static Config& instance();
    // Saves and deletes the instance; a later instance() loads a new one.
    static void destroy();

    Config(const Config&) = delete;
    Config& operator=(const Config&) = delete;

    const std::filesystem::path& ini_path() const { return m_iniPath; }

    // "rate-wait rate-wait ..."; empty until a plan has been stored.
    const std::string& baud_list() const { return m_baudList; }
    void set_baud_list(std::string_view text) { m_baudList = text; }

    std::int32_t last_port() const { return m_lastPort; }
    void set_last_port(std::int32_t port) { m_lastPort = port; }

    std::int32_t last_baud() const { return m_lastBaud; }
    void set_last_baud(std::int32_t baud) { m_lastBaud = baud; }

    // Relative to the application folder, "\" separated.
    const std::string& help_file() const { return m_helpFile; }

    // The title of the chosen command list, its file name without extension: UTF-8 as the
    // file system has it, unlike the other texts. A 1251 settings file cannot hold a title
    // with a character 1251 lacks; the default is stored instead, so the next start takes
    // the first list rather than another one whose 1251 form is the same.
    const std::string& command_set() const { return m_commandSet; }
    void set_command_set(std::string_view text) { m_commandSet = text; }

    bool only_one_port() const { return m_onlyOnePort; }
    void set_only_one_port(bool flag) { m_onlyOnePort = flag; }

    // The modem search checks one port after another instead of all at once.
    bool one_port_at_a_time() const { return m_onePortAtATime; }
    void set_one_port_at_a_time(bool flag) { m_onePortAtATime = flag; }

    bool show_line_breaks() const { return m_showLineBreaks; }
    void set_show_line_breaks(bool flag) { m_showLineBreaks = flag; }

    bool auto_run() const { return m_autoRun; }
    bool help_test_mode() const { return m_helpTestMode; }

    // One command line each ("AT<CR> <CR><LF>OK<CR><LF>"), in order.
    Msg::Strings& search_commands() { return m_searchCommands; }

private:
    friend struct std::default_delete<Config>;

    Config();
    ~Config();

    void load();
    void save();

    // Held only while loading or saving.
    std::unique_ptr<platform::IniFile> m_iniFile;
    std::filesystem::path m_iniPath;
    std::string m_baudList;
    // The run's worker thread stores the port and rate it found while the user-interface
    // thread may read them, so these are atomic; the texts are touched by one thread only.
    std::atomic<std::int32_t> m_lastPort;
    std::atomic<std::int32_t> m_lastBaud;
    std::string m_helpFile;
    std::string m_commandSet;
    std::atomic<bool> m_onlyOnePort;
    std::atomic<bool> m_onePortAtATime;
    std::atomic<bool> m_showLineBreaks;
    std::atomic<bool> m_autoRun;
    std::atomic<bool> m_helpTestMode;
    Msg::Strings m_searchCommands;
};
