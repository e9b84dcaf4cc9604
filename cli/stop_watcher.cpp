#include "cli/stop_watcher.h"

#include <chrono>
#include <utility>

#include "platform/stop_signals.h"

namespace {

// A signal handler can only raise a flag; this is how soon it is seen.
constexpr std::chrono::milliseconds kPollInterval{10};

}  // namespace

StopWatcher::StopWatcher(std::function<void()> onStop) : m_onStop(std::move(onStop)) {
    platform::installStopSignals();
    m_thread = std::thread([this] { watch(); });
}

StopWatcher::~StopWatcher() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ending = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void StopWatcher::watch() {
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_wake.wait_for(lock, kPollInterval, [this] { return m_ending; })) {
        if (platform::stopSignalled()) {
            lock.unlock();
            m_onStop();
            return;
        }
    }
}
