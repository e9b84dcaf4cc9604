#pragma once

// The toolkit thread class as the engine uses it: created suspended, started with resume(),
// a terminate flag the body polls, waitFor() the end, and synchronize() to run a call on the
// user-interface thread while the thread waits.

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace SimpleUtils {

class Thread {
public:
    Thread();  // suspended: Execute does not run before resume()
    // Requests termination and waits for the end (serving synchronize calls when called
    // on the user-interface thread). A derived class whose thread may still run must call
    // terminate() and waitFor() in its own destructor: once this one runs, the derived
    // Execute and onTerminateRequested are gone.
    virtual ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Starts Execute on a thread of its own; later calls do nothing.
    void resume();
    bool suspended() const;

    // Sets the terminate flag (any thread) and calls onTerminateRequested() so a waiting
    // body can wake.
    void terminate();
    bool terminated() const { return m_terminated.load(); }

    // Waits until Execute has returned; returns at once for a thread never resumed, and when
    // called by the thread itself (it cannot wait for its own end). On the user-interface
    // thread the wait serves queued synchronize calls.
    void waitFor();
    bool finished() const;

protected:
    // The body. An exception that escapes it ends the thread and goes to the debug channel.
    virtual void Execute() = 0;
    // Called by terminate(); wake whatever the body waits on.
    virtual void onTerminateRequested() {}
    // Runs fn on the user-interface thread and waits; exceptions reach the caller.
    void synchronize(const std::function<void()>& fn);

private:
    void run();

    std::atomic<bool> m_terminated{false};
    mutable std::mutex m_mutex;  // guards m_started, m_finished; m_thread is set under it
    bool m_started = false;
    bool m_finished = false;
    std::mutex m_joinMutex;  // one waiter joins m_thread at a time
    std::thread m_thread;
};

}  // namespace SimpleUtils
