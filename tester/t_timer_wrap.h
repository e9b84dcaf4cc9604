#pragma once

// Runs a job on the user-interface thread after an interval, once or repeatedly, over a timer
// of the user-interface thread. Used on the user-interface thread.

#include <atomic>
#include <cstdint>
#include <functional>

#include "platform/ui_thread.h"

class TTimerWrap {
public:
    using JobFn = void (*)(void* object);

    TTimerWrap(std::uint32_t intervalMs, bool enabled);
    // The job is not called again once the destructor has begun.
    ~TTimerWrap();
    TTimerWrap(const TTimerWrap&) = delete;
    TTimerWrap& operator=(const TTimerWrap&) = delete;

    void setJob(JobFn fn, void* object);
    void setJob(std::function<void()> job);

    // Repeating ticks; a timer already running keeps its phase.
    void start();
    // The job runs once, one interval from now (or at the tick already due).
    void startOnce();
    void stop();
    bool isRunning() const { return m_timer.isRunning(); }

private:
    void tick();

    std::function<void()> m_job;
    std::atomic<bool> m_once{false};
    platform::UiTimer m_timer;
};
