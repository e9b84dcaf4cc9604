#pragma once

// Shared by the port and search tests: an application folder whose ports are links only, and
// recorders of what the port finder shows and exchanges, each able to run a hook on the
// exchanging thread at the moment something arrives.

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

// The message list as an operator would see it, in UTF-8 for readable failures, and every
// show call in order.
class RecordingViewer : public InfoViewerI {
public:
    using Call = std::pair<std::string, bool>;  // text, newLine

    void show(const std::string& text, bool newLine) override {
        std::function<void(const std::string&)> hook;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            const std::string utf8 = platform::cp1251ToUtf8(text);
            m_calls.emplace_back(utf8, newLine);
            m_raw.push_back(text);
            if (newLine || m_lines.empty()) {
                m_lines.push_back(utf8);
            } else {
                m_lines.back() = utf8;
            }
            hook = m_hook;
        }
        if (hook) {
            hook(platform::cp1251ToUtf8(text));
        }
    }

    std::vector<std::string> lines() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines;
    }
    std::vector<Call> calls() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_calls;
    }
    // The texts exactly as the finder passed them.
    std::vector<std::string> raw() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_raw;
    }
    // Runs on the finder's thread after each text (in UTF-8) has been recorded.
    void setHook(std::function<void(const std::string&)> hook) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_hook = std::move(hook);
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Call> m_calls;
    std::vector<std::string> m_raw;
    std::vector<std::string> m_lines;
    std::function<void(const std::string&)> m_hook;
};

// Every copy of the exchange in order: "<" and the bytes read, ">" and the bytes written,
// "!" and a note, "-" and stray bytes, "~" and the count of bytes left out, "=" and a whole
// line (the search's, "COM3 >>> AT\r").
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
        if (const auto hook = add('>', std::string(data, length))) {
            hook(std::string(data, length));
        }
    }
    void onNote(const std::string& text) override { add('!', text); }
    void onLine(const std::string& line) override {
        if (const auto hook = add('=', line)) {
            hook(line);
        }
    }

    std::vector<std::string> events() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_events;
    }
    std::string reads() const {
        std::string all;
        for (const std::string& event : events()) {
            all += event[0] == '<' ? event.substr(1) : "";
        }
        return all;
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
    // Runs on the writing thread just before the bytes go to the port (for a whole line:
    // every line, on the thread of its port's exchange).
    void setWriteHook(std::function<void(const std::string&)> hook) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_writeHook = std::move(hook);
    }

private:
    std::function<void(const std::string&)> add(char kind, const std::string& bytes) {
        std::function<void(const std::string&)> hook;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_events.push_back(kind + bytes);
            hook = m_writeHook;
        }
        m_changed.notify_all();
        return hook;
    }

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<std::string> m_events;
    std::function<void(const std::string&)> m_writeHook;
};

}  // namespace finder_test
