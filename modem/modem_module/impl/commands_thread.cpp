#include "modem/modem_module/impl/commands_thread.h"

#include <cassert>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <utility>

#include "platform/cp1251.h"
#include "platform/tick.h"
#include "platform/toolkit_exception.h"
#include "platform/ui_thread.h"
#include "tools/common_static_log_kav.h"

using namespace platform::literals;

namespace {

constexpr std::string_view kUnknownException = "Неизвестное исключение."_cp1251;

}  // namespace

CommandsThread::CommandsThread(int pauseMs)
    : m_pauseMs(pauseMs), m_runEvent(true), m_idleEvent(true) {}

CommandsThread::~CommandsThread() {
    // Queued commands go first, so that the worker does not start another one while it is
    // being stopped.
    clear();
    terminate();
    {
        std::lock_guard<SimpleUtils::Locker> lock(m_lock);
        m_runEvent.set();
        m_idleEvent.set();
    }
    m_wake.notify_all();
    // The worker must be gone before the members it uses are.
    waitFor();
}

void CommandsThread::add(std::unique_ptr<ThreadCommand> cmd) {
    if (m_stopState != 0) {
        return;
    }
    {
        std::lock_guard<SimpleUtils::Locker> lock(m_lock);
        m_queue.push_back(std::move(cmd));
    }
    m_wake.notify_all();
}

void CommandsThread::clear() {
    std::list<std::unique_ptr<ThreadCommand>> dropped;
    {
        std::lock_guard<SimpleUtils::Locker> lock(m_lock);
        dropped.swap(m_queue);
    }
    // Destroyed here, outside the lock.
}

bool CommandsThread::hasCommands() const {
    std::lock_guard<SimpleUtils::Locker> lock(m_lock);
    return !m_queue.empty();
}

void CommandsThread::pause(bool on) {
    if (on == m_paused) {
        return;
    }
    m_paused = on;
    {
        // The worker tests the gate and resets m_idleEvent under the same lock, so a pass
        // either starts before the gate closes (and is waited for below) or not at all.
        std::lock_guard<SimpleUtils::Locker> lock(m_lock);
        if (on) {
            m_runEvent.reset();
        } else {
            m_runEvent.set();
        }
    }
    m_wake.notify_all();
    if (on) {
        waitForIdle();
    }
    CommonStaticLogKav::log()->none("CommandsThread::pause(%d) complete\n", on ? 1 : 0);
}

void CommandsThread::synchronize(std::unique_ptr<ThreadCommand> cmd) {
    m_synchronized = std::move(cmd);
    std::exception_ptr error;
    try {
        SimpleUtils::Thread::synchronize([this] {
            if (m_synchronized) {
                m_synchronized->notify();
            }
            m_synchronized.reset();
        });
    } catch (...) {
        error = std::current_exception();
    }
    m_synchronized.reset();
    if (error) {
        reportError(error);
    }
}

void CommandsThread::requestStop() {
    m_stopRequested = true;
    { std::lock_guard<SimpleUtils::Locker> lock(m_lock); }
    m_wake.notify_all();
}

void CommandsThread::setIdlePolling(bool on) {
    // Only a change wakes the worker: onIdle keeps polling on from every pass, and waking
    // each time would turn the poll interval into a busy loop.
    if (m_idlePolling.exchange(on) != on && on) {
        wake();
    }
}

void CommandsThread::wake() {
    {
        std::lock_guard<SimpleUtils::Locker> lock(m_lock);
        m_wakeRequested = true;
    }
    m_wake.notify_all();
}

void CommandsThread::onTerminateRequested() {
    // The terminate flag is already set; passing through the lock orders this notification
    // after a waiter's test of it.
    { std::lock_guard<SimpleUtils::Locker> lock(m_lock); }
    m_wake.notify_all();
}

void CommandsThread::Execute() {
    while (!terminated()) {
        checkStopRequest();
        if (!enterPass()) {
            break;
        }
        for (;;) {
            {
                std::lock_guard<SimpleUtils::Locker> lock(m_lock);
                if (m_queue.empty()) {
                    break;
                }
                m_current = std::move(m_queue.front());
                m_queue.pop_front();
            }
            checkStopRequest();
            if (m_current) {
                runCurrent();
            }
            if (m_pauseMs > 0) {
                platform::sleepMs(static_cast<std::uint32_t>(m_pauseMs));
            }
        }
        if (m_stopState == 1 && onLastCommand && !hasCommands()) {
            m_stopState = 2;
            runGuarded(onLastCommand);
            break;
        }
        if (onIdle && !terminated() && m_stopState == 0) {
            runGuarded(onIdle);
        }
        endPass();
        waitForWork();
    }
    // No pass runs any more: a pause must not wait for one, also after a stop drain.
    endPass();
    CommonStaticLogKav::log()->none("CommandsThread::Execute. Quit");
}

void CommandsThread::checkStopRequest() {
    if (m_stopRequested && m_stopState == 0) {
        m_stopState = 1;
        onIdle = nullptr;
    }
}

bool CommandsThread::enterPass() {
    std::unique_lock<SimpleUtils::Locker> lock(m_lock);
    m_wake.wait(lock, [this] { return m_runEvent.isSet() || terminated(); });
    if (terminated()) {
        return false;
    }
    m_idleEvent.reset();
    return true;
}

void CommandsThread::runCurrent() {
    std::exception_ptr error;
    try {
        if (m_current->execute(*this) && m_stopState == 0) {
            SimpleUtils::Thread::synchronize([this] { m_current->notify(); });
        }
    } catch (...) {
        error = std::current_exception();
    }
    if (error) {
        reportError(error);
    }
    m_current.reset();
}

void CommandsThread::runGuarded(const std::function<void()>& fn) {
    std::exception_ptr error;
    try {
        fn();
    } catch (...) {
        error = std::current_exception();
    }
    if (error) {
        reportError(error);
    }
}

void CommandsThread::reportError(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        m_errorText = e.what();
    } catch (const SimpleUtils::ToolkitException& e) {
        m_errorText = e.message();
    } catch (...) {
        m_errorText = kUnknownException;
    }
    assert(onError);
    try {
        SimpleUtils::Thread::synchronize([this] { onError(m_errorText.c_str()); });
    } catch (...) {
        // The error reporter itself failed; there is nowhere left to report that to, and the
        // worker must go on with the next command.
    }
}

void CommandsThread::endPass() {
    m_idleEvent.set();
    platform::ui::wakeWaiters();
}

void CommandsThread::waitForWork() {
    std::unique_lock<SimpleUtils::Locker> lock(m_lock);
    const auto ready = [this] {
        return m_wakeRequested || !m_queue.empty() || terminated() || !m_runEvent.isSet() ||
               (m_stopRequested && m_stopState == 0);
    };
    if (m_idlePolling) {
        m_wake.wait_for(lock, std::chrono::milliseconds(kIdlePollMs), ready);
    } else {
        m_wake.wait(lock, ready);
    }
    m_wakeRequested = false;
}

void CommandsThread::waitForIdle() {
    if (platform::ui::isUiThread()) {
        // A pass may be waiting for a notification this thread has to run.
        platform::ui::waitServing([this] { return m_idleEvent.isSet(); });
    } else {
        m_idleEvent.wait();
    }
}
