#pragma once

// A reusable background thread that runs one job each time it is started and otherwise
// sleeps. The job runs on the user-interface thread (synchronised, the default) or on this
// thread. A job runs again after every pause for as long as the thread stays started, so a
// job that is meant to run once per run() calls rearm() first thing; a run() that arrives
// after that rearm() makes the job run once more.

#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/manual_reset_event.h"
#include "platform/simple_thread.h"

class ExecThread : public SimpleUtils::Thread {
public:
    using JobFn = void (*)(void* object);

    // Created suspended; the thread starts at the first run(). pauseMs is the pause after
    // each job.
    explicit ExecThread(std::uint32_t pauseMs);
    // Stops the thread and waits for its end, serving synchronize calls when called on the
    // user-interface thread; returns at once when the thread never ran. A job still running
    // is not interrupted: it must look at terminated() if it can take long.
    ~ExecThread() override;

    // Before run(), while no job runs.
    void setJob(JobFn fn, void* object);
    void setJob(std::function<void()> job);
    void setSynchronised(bool flag);

    // Any thread.
    void run();
    void rearm();

    // Runs the call on the user-interface thread and waits for it; exceptions reach the
    // caller.
    void synchronize(JobFn fn, void* object);
    using SimpleUtils::Thread::synchronize;

protected:
    void Execute() override;
    void onTerminateRequested() override;

private:
    const std::uint32_t m_pauseMs;
    mutable std::mutex m_mutex;  // guards m_job and m_synchronised
    std::function<void()> m_job;
    bool m_synchronised = true;
    SimpleUtils::ManualResetEvent m_runEvent;
    SimpleUtils::ManualResetEvent m_wakeEvent;  // set only when the thread is being stopped
};
