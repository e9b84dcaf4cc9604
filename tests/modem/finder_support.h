#pragma once

// Shared by the search tests: an application folder whose ports are links only, and
// recorders of what the port finder shows and exchanges, each able to run a hook on the
// finder's own thread at the moment something arrives.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "common/info_viewer.h"
#include "modem/exchange_log.h"
#include "platform/cp1251.h"
#include "platform/serial_device_map.h"
#include "tests/support/temp_dir.h"

namespace finder_test {

// The application folder for the test's life, with ports/links-only so that no port number
// reaches the machine's own serial devices, and listing roots that see nothing else: the
// device and sysfs roots are empty folders.
class LinkedPortsFolder {
public:
    LinkedPortsFolder() {
        std::filesystem::create_directories(m_app.path() / "ports");
        std::ofstream(m_app.path() / "ports" / "links-only").flush();
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
        m_changed.notify_all();
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
    // Waits until some call showed text; false when the time runs out first.
    bool waitFor(const std::string& text, std::chrono::milliseconds timeout) const {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] {
            for (const Call& call : m_calls) {
                if (call.first == text) {
                    return true;
                }
            }
            return false;
        });
    }

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<Call> m_calls;
    std::vector<std::string> m_raw;
    std::vector<std::string> m_lines;
    std::function<void(const std::string&)> m_hook;
};

// Bytes written and read, in order.
class RecordingLog : public ExchangeLog {
public:
    void onRead(const char* data, std::uint32_t length) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_reads += std::string(data, length);
    }
    void onWrite(const char* data, std::uint32_t length) override {
        std::function<void(const std::string&)> hook;
        std::string bytes(data, length);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_writes.push_back(bytes);
            hook = m_writeHook;
        }
        m_changed.notify_all();
        if (hook) {
            hook(bytes);
        }
    }

    std::vector<std::string> writes() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_writes;
    }
    std::string reads() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_reads;
    }
    // Waits until count writes have been made; false when the time runs out first.
    bool waitForWrites(std::size_t count, std::chrono::milliseconds timeout) const {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return m_writes.size() >= count; });
    }
    // Runs on the finder's thread just before the bytes go to the port.
    void setWriteHook(std::function<void(const std::string&)> hook) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_writeHook = std::move(hook);
    }

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<std::string> m_writes;
    std::string m_reads;
    std::function<void(const std::string&)> m_writeHook;
};

}  // namespace finder_test
