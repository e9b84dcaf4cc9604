#include "tester/exec_thread.h"

#include <exception>
#include <string>
#include <utility>

#include "platform/debug_channel.h"

ExecThread::ExecThread(std::uint32_t pauseMs) : m_pauseMs(pauseMs) {}

ExecThread::~ExecThread() {
    // Execute and onTerminateRequested belong to this class: the thread must be over before
    // the base destructor runs.
    terminate();
    waitFor();
}

void ExecThread::setJob(JobFn fn, void* object) {
    if (fn == nullptr) {
        setJob(std::function<void()>());
        return;
    }
    setJob([fn, object] { fn(object); });
}

void ExecThread::setJob(std::function<void()> job) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_job = std::move(job);
}

void ExecThread::setSynchronised(bool flag) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_synchronised = flag;
}

void ExecThread::run() {
    m_runEvent.set();
    resume();
}

void ExecThread::rearm() {
    m_runEvent.reset();
}

void ExecThread::synchronize(JobFn fn, void* object) {
    SimpleUtils::Thread::synchronize([fn, object] { fn(object); });
}

void ExecThread::Execute() {
    while (!terminated()) {
        m_runEvent.wait();
        if (terminated()) {
            break;
        }
        std::function<void()> job;
        bool synchronised = true;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            job = m_job;
            synchronised = m_synchronised;
        }
        if (job) {
            // One failing job must not end the thread: the next run() still needs it.
            try {
                if (synchronised) {
                    SimpleUtils::Thread::synchronize(job);
                } else {
                    job();
                }
            } catch (const std::exception& e) {
                platform::debugOutput(std::string("ExecThread job failed: ") + e.what());
            } catch (...) {
                platform::debugOutput("ExecThread job failed with an unknown exception");
            }
        }
        m_wakeEvent.waitFor(m_pauseMs);
    }
}

void ExecThread::onTerminateRequested() {
    m_wakeEvent.set();
    m_runEvent.set();
}
