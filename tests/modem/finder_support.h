#pragma once

// Shared by the port and search tests: an application folder whose ports are links only, and
// recorders of what the port finder shows and exchanges, the latter able to run a hook on the
// exchanging thread as each line arrives.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "common/info_viewer.h"
#include "modem/exchange_log.h"
#include "platform/cp1251.h"
#include "platform/serial_device_map.h"
#include "tests/support/port_links.h"
#include "tests/support/temp_dir.h"

namespace finder_test {

// The application folder for the test's life, with ports/links-only so that no port number
// reaches the machine's own serial devices, and listing roots that see nothing else: the
// device and sysfs roots are empty folders.
class LinkedPortsFolder {
public:
    LinkedPortsFolder() {
        testsupport::makeLinksOnly(m_app.path());
        std::filesystem::create_directories(m_fake.path() / "dev");
        std::filesystem::create_directories(m_fake.path() / "sys");
    }

    const std::filesystem::path& path() const { return m_app.path(); }
    platform::SerialRoots roots() const {
        return {m_app.path(), m_fake.path() / "dev", m_fake.path() / "sys"};
    }

private:
    testsupport::TempAppFolder m_app;
    testsupport::TempDir m_fake;
};

// Every show call in order, the text as the finder passed it.
class RecordingViewer : public InfoViewerI {
public:
    using Call = std::pair<std::string, bool>;  // text, newLine

    void show(const std::string& text, bool newLine) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_calls.emplace_back(text, newLine);
    }

    std::vector<Call> calls() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_calls;
    }
    // The message list as an operator would see it, in UTF-8 for readable failures.
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        for (const auto& [text, newLine] : calls()) {
            if (newLine || out.empty()) {
                out.push_back(platform::cp1251ToUtf8(text));
            } else {
                out.back() = platform::cp1251ToUtf8(text);
            }
        }
        return out;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Call> m_calls;
};

// Every copy of the exchange in order: "<" and the bytes read, ">" and the bytes written,
// "-" and stray bytes, "~" and the count of bytes left out, "=" and a whole line (the
// search's, "COM3 >>> AT\r").
class RecordingLog : public ExchangeLog {
public:
    void onRead(const char* data, std::uint32_t length) override {
        add('<', std::string(data, length));
    }
    void onStray(const char* data, std::uint32_t length) override {
        add('-', std::string(data, length));
    }
    void onSkipped(std::uint64_t length) override { add('~', std::to_string(length)); }
    void onWrite(const char* data, std::uint32_t length) override {
        add('>', std::string(data, length));
    }
    void onLine(const std::string& line) override {
        if (const auto hook = add('=', line)) {
            hook(line);
        }
    }

    std::vector<std::string> events() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_events;
    }
    // The whole lines, in order.
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        for (const std::string& event : events()) {
            if (event[0] == '=') {
                out.push_back(event.substr(1));
            }
        }
        return out;
    }
    // Waits until count copies (of one kind, or of any with kind 0) have been made.
    bool waitForEvents(std::size_t count, char kind = 0,
                       std::chrono::milliseconds timeout = std::chrono::seconds(20)) const {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] {
            return std::count_if(m_events.begin(), m_events.end(), [kind](const std::string& e) {
                       return kind == 0 || e[0] == kind;
                   }) >= static_cast<std::ptrdiff_t>(count);
        });
    }
    // Runs after every whole line has been recorded, on the thread of its port's exchange
    // (for a written line: before the bytes go to the port).
    void setLineHook(std::function<void(const std::string&)> hook) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lineHook = std::move(hook);
    }

private:
    std::function<void(const std::string&)> add(char kind, const std::string& bytes) {
        std::function<void(const std::string&)> hook;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_events.push_back(kind + bytes);
            hook = m_lineHook;
        }
        m_changed.notify_all();
        return hook;
    }

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<std::string> m_events;
    std::function<void(const std::string&)> m_lineHook;
};

}  // namespace finder_test
