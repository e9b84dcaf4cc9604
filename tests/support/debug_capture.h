#pragma once

// Collects what reaches the debugger output channel while the object lives.

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/debug_channel.h"

namespace testsupport {

class DebugCapture {
public:
    DebugCapture()
        : m_previous(platform::setDebugSink([this](std::string_view text) {
              std::lock_guard<std::mutex> lock(m_mutex);
              m_lines.emplace_back(text);
          })) {}
    ~DebugCapture() { platform::setDebugSink(std::move(m_previous)); }
    DebugCapture(const DebugCapture&) = delete;
    DebugCapture& operator=(const DebugCapture&) = delete;

    std::vector<std::string> lines() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
    platform::DebugSink m_previous;
};

}  // namespace testsupport
