#include "platform/simple_thread.h"

#include <exception>
#include <string>

#include "platform/debug_channel.h"
#include "platform/ui_thread.h"

namespace SimpleUtils {

Thread::Thread() = default;

Thread::~Thread() {
    terminate();
    waitFor();
    // Only a thread that destroys its own object is still joinable here.
    std::lock_guard<std::mutex> lock(m_joinMutex);
    if (m_thread.joinable()) {
        m_thread.detach();
    }
}

void Thread::resume() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_started) {
        return;
    }
    m_thread = std::thread(&Thread::run, this);
    m_started = true;
}

bool Thread::suspended() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return !m_started;
}

void Thread::terminate() {
    m_terminated.store(true);
    onTerminateRequested();
}

void Thread::waitFor() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_started || m_thread.get_id() == std::this_thread::get_id()) {
            return;
        }
    }
    platform::ui::waitServing([this] { return finished(); });
    std::lock_guard<std::mutex> lock(m_joinMutex);
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool Thread::finished() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_finished;
}

void Thread::synchronize(const std::function<void()>& fn) {
    platform::ui::synchronize(fn);
}

void Thread::run() {
    try {
        Execute();
    } catch (const std::exception& e) {
        platform::debugOutput(std::string("thread ended by an exception: ") + e.what());
    } catch (...) {
        platform::debugOutput("thread ended by an unknown exception");
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_finished = true;
    }
    platform::ui::wakeWaiters();
}

}  // namespace SimpleUtils
