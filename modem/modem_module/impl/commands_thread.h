#pragma once

// The command worker: every exchange of an open modem runs on this one thread. Other threads
// queue thread commands; the worker executes them one at a time in arrival order and runs
// their notifications on the user-interface thread, waiting for each. When a pass has emptied
// the queue it calls onIdle, through which its owner keeps the line serviced.
//
// The worker does not spin: after a pass that leaves the queue empty it blocks until a
// command is added, wake() is called, a pause, stop or terminate is requested, or (only while
// the owner has declared idle polling work) kIdlePollMs passes.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <list>
#include <memory>
#include <string>

#include "modem/modem_module/impl/thread_command.h"
#include "platform/locker.h"
#include "platform/manual_reset_event.h"
#include "platform/simple_thread.h"

class CommandsThread : public SimpleUtils::Thread {
public:
    // How often a blocked worker calls onIdle again while idle polling is on.
    static constexpr std::uint32_t kIdlePollMs = 10;

    // Created suspended. Install the callbacks, then resume().
    explicit CommandsThread(int pauseMs);
    // Stops the worker (a command being executed runs to its end and its notification is
    // still served when this runs on the user-interface thread), then destroys what is
    // still queued.
    ~CommandsThread() override;

    // Takes ownership. After a stop request the command is destroyed at once. Wakes a
    // blocked worker.
    void add(std::unique_ptr<ThreadCommand> cmd);
    // Destroys every queued command; the one being executed is not affected.
    void clear();
    bool hasCommands() const;

    // pause(true) returns once no pass is running, and none starts until pause(false); the
    // caller may then use the modem port directly. Called by the owner, never by the worker
    // (it would wait for its own pass). On the user-interface thread the wait serves
    // notifications, so a pass waiting for one can finish.
    void pause(bool on);

    // Worker only, from onIdle: runs cmd's notify on the user-interface thread and waits;
    // execute is not called. The command is destroyed afterwards.
    void synchronize(std::unique_ptr<ThreadCommand> cmd);

    // Asks the worker to finish the queue and end; onLastCommand is called then.
    void requestStop();

    // Whether onIdle has something to look for even when it queues nothing (a call being
    // set up): while on, a blocked worker calls onIdle again every kIdlePollMs. Any thread.
    void setIdlePolling(bool on);
    // Ends a blocked idle wait now, so onIdle runs again. Any thread.
    void wake();

    // Installed by the owner before resume() and afterwards touched by the worker only; an
    // empty function is an unset callback.
    // Called on the worker when a pass has emptied the queue; may add commands.
    std::function<void()> onIdle;
    // Receives the text of an exception a command raised, on the user-interface thread.
    std::function<void(const char* text)> onError;
    // Called on the worker once a requested stop has drained the queue.
    std::function<void()> onLastCommand;

protected:
    void Execute() override;
    void onTerminateRequested() override;

private:
    void checkStopRequest();
    // Waits at the gate; then, under m_lock, resets m_idleEvent if the gate is still open.
    // False when the thread is to end instead.
    bool enterPass();
    void runCurrent();
    // Calls fn on the worker; an exception it raises is reported as a command's would be.
    void runGuarded(const std::function<void()>& fn);
    void reportError(const std::exception_ptr& error);
    void endPass();
    void waitForWork();
    void waitForIdle();

    // Written by the worker, read on the user-interface thread while the worker waits.
    std::string m_errorText;
    const int m_pauseMs;
    // Owner: the worker. Read on the user-interface thread by the notification the worker
    // waits for.
    std::unique_ptr<ThreadCommand> m_current;
    std::unique_ptr<ThreadCommand> m_synchronized;
    // Guarded by m_lock; the queue owns its commands.
    std::list<std::unique_ptr<ThreadCommand>> m_queue;
    // Guards m_queue, the gate test with the idle reset, m_wakeRequested, and every wait of
    // the worker on m_wake. Never held while a command executes or the worker waits for the
    // user-interface thread.
    mutable SimpleUtils::Locker m_lock;
    // Open gate: reset while paused. Changed under m_lock (the worker tests it under m_lock).
    SimpleUtils::ManualResetEvent m_runEvent;
    // Reset while a pass runs, set between passes. Written by the worker.
    SimpleUtils::ManualResetEvent m_idleEvent;
    // Owner's thread only.
    bool m_paused = false;
    // Set by requestStop (any thread), read by the worker.
    std::atomic<bool> m_stopRequested{false};
    // 0 running, 1 draining after a stop request, 2 stopped. Written by the worker; read by
    // add on the owner's thread.
    std::atomic<int> m_stopState{0};

    // Wakes the worker's gate wait and its idle wait; waited on under m_lock.
    std::condition_variable_any m_wake;
    // Guarded by m_lock: wake() was called since the worker last blocked.
    bool m_wakeRequested = false;
    // Any thread.
    std::atomic<bool> m_idlePolling{false};
};
