#pragma once

// The user-interface thread services: how engine threads hand work to the user-interface
// thread. The queue and every wait are std::mutex / std::condition_variable, so thread
// sanitizers see each hand-over; the toolkit binding (platform/qt) only wakes the
// user-interface thread from its event loop and drives the timers.
//
// Without an installed binding there is no user-interface thread: synchronize() runs the call
// on its caller, posted calls are dropped and timers do not fire. The programs and the tests
// that need a real user-interface thread install the binding first; the rule keeps code that
// synchronizes usable from plain unit tests instead of hanging them.

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

// A timer as the toolkit provides it; used on the user-interface thread only.
class UiTimerBackend {
public:
    virtual ~UiTimerBackend() = default;
    virtual void start(std::uint32_t intervalMs) = 0;  // restarts the interval
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

// What the services need from the toolkit's event loop.
class UiThreadBinding {
public:
    virtual ~UiThreadBinding() = default;
    // Any thread: make the user-interface thread call ui::serve() soon from its event loop.
    virtual void wake() = 0;
    // User-interface thread: a timer that calls fire on the user-interface thread.
    virtual std::unique_ptr<UiTimerBackend> makeTimer(std::function<void()> fire) = 0;
};

namespace ui {

// Called on the thread that becomes the user-interface thread, before any other service is
// used; the binding must outlive uninstall(). Installing a second binding throws
// std::logic_error.
void install(UiThreadBinding* binding);
// On the user-interface thread. Synchronize calls still queued run at once (their callers
// are waiting), posted calls still queued are dropped, and the timers' toolkit timers are
// released.
void uninstall();

bool isUiThread();

// Runs fn on the user-interface thread and waits until it has run; from the user-interface
// thread itself fn runs at once. An exception thrown by fn reaches the caller.
void synchronize(const std::function<void()>& fn);

// Queues fn for the user-interface thread and returns at once. Posted and synchronized
// calls run in the order they were queued, except while the user-interface thread waits in
// waitServing(). An exception thrown by a posted call goes to the debug channel.
void post(std::function<void()> fn);

// User-interface thread, from the event loop: runs the synchronize calls and the posted
// calls that were queued when it was called, in their order.
void serve();

// Waits until done() is true. On the user-interface thread it serves queued synchronize
// calls while waiting, and nothing else (no posted call, no timer, no other event), so no
// window handler runs re-entrantly while a worker that waits for a notification is being
// waited for. done() is tested again whenever wakeWaiters() is called, a synchronize call
// arrives, or a short poll interval passes.
void waitServing(const std::function<bool()>& done);

// Any thread: something a waitServing caller may wait for has changed.
void wakeWaiters();

}  // namespace ui

// A timer of the user-interface thread. start() and stop() may come from any thread; from
// another thread they are handed over to the user-interface thread. Starting a timer that
// already runs keeps its phase: the interval is not restarted (unless the interval was
// changed meanwhile). Once stop() has returned or the timer is destroyed, onFire is not
// called again. An exception thrown by onFire goes to the debug channel.
class UiTimer {
public:
    explicit UiTimer(std::function<void()> onFire, std::uint32_t intervalMs = 1000);
    // On the user-interface thread; from another thread it synchronizes with it.
    ~UiTimer();
    UiTimer(const UiTimer&) = delete;
    UiTimer& operator=(const UiTimer&) = delete;

    void setInterval(std::uint32_t ms);  // takes effect at the next start
    std::uint32_t interval() const;
    void start();
    void stop();
    bool isRunning() const;  // as last requested by start() / stop()

private:
    struct State;
    std::shared_ptr<State> m_state;
};

}  // namespace platform
