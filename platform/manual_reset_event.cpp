#include "platform/manual_reset_event.h"

#include <chrono>
#include <utility>

namespace SimpleUtils {

ManualResetEvent::ManualResetEvent(bool initiallySet, std::string name)
    : m_name(std::move(name)), m_set(initiallySet) {}

void ManualResetEvent::set() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_set = true;
    }
    m_changed.notify_all();
}

void ManualResetEvent::reset() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_set = false;
}

bool ManualResetEvent::isSet() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_set;
}

void ManualResetEvent::wait() const {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_set; });
}

bool ManualResetEvent::waitFor(std::uint32_t ms) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_set; });
}

}  // namespace SimpleUtils
