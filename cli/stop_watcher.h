#pragma once

// Watches for SIGINT and SIGTERM (platform/stop_signals.h) on a thread of its own and calls
// onStop once, there, when one arrives: the programs' own thread may be blocked in an
// exchange with the modem just then, and only another thread can end that at once.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class StopWatcher {
public:
    // Installs the signal handlers and starts watching. onStop must be safe to call from
    // another thread while the program runs.
    explicit StopWatcher(std::function<void()> onStop);
    // Stops watching; onStop is not called after this returns.
    ~StopWatcher();
    StopWatcher(const StopWatcher&) = delete;
    StopWatcher& operator=(const StopWatcher&) = delete;

private:
    void watch();

    std::function<void()> m_onStop;
    std::mutex m_mutex;  // guards m_ending
    std::condition_variable m_wake;
    bool m_ending = false;
    std::thread m_thread;
};
