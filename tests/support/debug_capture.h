#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/debug_channel.h"
#include "tools/common_static_log_kav.h"

namespace testsupport {

// Collects what reaches the debugger output channel while the object lives.
class DebugCapture {
public:
    DebugCapture()
        : m_previous(platform::setDebugSink([this](std::string_view text) {
              std::lock_guard<std::mutex> lock(m_mutex);
              m_lines.emplace_back(text);
          })) {}
    ~DebugCapture() { platform::setDebugSink(std::move(m_previous)); }

    std::vector<std::string> lines() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
    platform::DebugSink m_previous;
};

// Makes the diagnostic log pass level-0 lines to the debugger output for the object's life
// and collects them.
class TraceCapture {
public:
    TraceCapture() {
        CommonStaticLogKav::release();
        CommonStaticLogKav::instance(CommonStaticLogKav::LogOut_DebugOutput, "trace", nullptr, 0);
    }
    ~TraceCapture() { CommonStaticLogKav::release(); }

    // The traces that contain marker, in order, each cut to start at the marker (the sink's
    // time stamp and tag stand in front of it).
    std::vector<std::string> containing(std::string_view marker) const {
        std::vector<std::string> found;
        for (const std::string& line : m_capture.lines()) {
            if (const std::size_t at = line.find(marker); at != std::string::npos) {
                found.push_back(line.substr(at));
            }
        }
        return found;
    }

private:
    DebugCapture m_capture;
};

}  // namespace testsupport
