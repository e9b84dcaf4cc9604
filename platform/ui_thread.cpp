#include "platform/ui_thread.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/debug_channel.h"

namespace platform {

namespace {

// A waitServing caller re-tests its condition at least this often, for conditions whose
// change nobody reports through wakeWaiters().
constexpr auto kWaitPoll = std::chrono::milliseconds(20);

// A synchronize call; it lives on its caller's stack until done.
struct SyncCall {
    const std::function<void()>* fn = nullptr;
    // Written by the thread that runs fn before it sets done; read by the caller after it
    // has seen done, both under Services::mutex, which orders them.
    std::exception_ptr error;
    bool done = false;  // guarded by Services::mutex
};

// One queued call: a synchronize call (sync set) or a posted call.
struct Entry {
    SyncCall* sync = nullptr;
    std::function<void()> posted;
};

// What uninstall() must reach in every timer that holds a toolkit timer.
struct TimerHolder {
    virtual ~TimerHolder() = default;
    virtual void releaseBackend() = 0;  // user-interface thread
};

struct Services {
    std::mutex mutex;
    std::condition_variable callDone;  // a synchronize call has run
    std::condition_variable changed;   // waitServing callers: re-test or serve
    // Everything below is guarded by mutex.
    UiThreadBinding* binding = nullptr;  // set and cleared on the user-interface thread
    std::thread::id uiThread;            // empty while no binding is installed
    std::deque<Entry> queue;             // synchronize and posted calls, in arrival order
    bool wakePending = false;            // wake() asked for and serve() not yet called
    std::uint64_t changes = 0;           // bumped by wakeWaiters() and synchronize arrivals
    std::vector<std::weak_ptr<TimerHolder>> timers;  // timers that made a toolkit timer
};

Services& services() {
    static Services s;
    return s;
}

// With the lock held.
void requestWake(Services& s) {
    if (s.binding != nullptr && !s.wakePending) {
        s.wakePending = true;
        s.binding->wake();
    }
}

void reportException(const char* where) {
    std::string text{where};
    try {
        throw;
    } catch (const std::exception& e) {
        text += e.what();
    } catch (...) {
        text += "unknown exception";
    }
    debugOutput(text);
}

void runSync(Services& s, SyncCall& call) {
    try {
        (*call.fn)();
    } catch (...) {
        call.error = std::current_exception();
    }
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        call.done = true;  // from here on the caller may return and end call's life
    }
    s.callDone.notify_all();
}

void runPosted(std::function<void()>& fn) {
    try {
        fn();
    } catch (...) {
        reportException("posted call failed: ");
    }
}

// With the lock held; removes and returns the first queued synchronize call, or null.
SyncCall* takeSyncCall(Services& s) {
    for (auto it = s.queue.begin(); it != s.queue.end(); ++it) {
        if (it->sync != nullptr) {
            SyncCall* call = it->sync;
            s.queue.erase(it);
            return call;
        }
    }
    return nullptr;
}

// The binding when the caller is the user-interface thread, otherwise null.
UiThreadBinding* bindingOfThisThread() {
    Services& s = services();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.uiThread == std::this_thread::get_id() ? s.binding : nullptr;
}

void registerTimer(std::weak_ptr<TimerHolder> timer) {
    Services& s = services();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::erase_if(s.timers, [](const std::weak_ptr<TimerHolder>& t) { return t.expired(); });
    s.timers.push_back(std::move(timer));
}

}  // namespace

namespace ui {

void install(UiThreadBinding* binding) {
    if (binding == nullptr) {
        throw std::invalid_argument("ui::install: no binding");
    }
    Services& s = services();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.binding != nullptr) {
        throw std::logic_error("ui::install: a user-interface thread is already installed");
    }
    s.binding = binding;
    s.uiThread = std::this_thread::get_id();
    s.wakePending = false;
}

void uninstall() {
    Services& s = services();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (s.binding == nullptr) {
            return;
        }
        if (s.uiThread != std::this_thread::get_id()) {
            throw std::logic_error("ui::uninstall: not on the user-interface thread");
        }
    }
    // Callers of synchronize are blocked until their call has run: run what is queued, still
    // as the user-interface thread, until nothing more arrives.
    std::deque<Entry> dropped;
    std::vector<std::weak_ptr<TimerHolder>> timers;
    for (;;) {
        SyncCall* call = nullptr;
        {
            std::lock_guard<std::mutex> lock(s.mutex);
            call = takeSyncCall(s);
            if (call == nullptr) {
                s.binding = nullptr;
                s.uiThread = {};
                s.wakePending = false;
                dropped.swap(s.queue);
                timers.swap(s.timers);
                break;
            }
        }
        runSync(s, *call);
    }
    // The toolkit timers go while the binding still exists; no new one can be made now.
    for (auto& weak : timers) {
        if (auto timer = weak.lock()) {
            timer->releaseBackend();
        }
    }
    // dropped holds posted calls only; they are destroyed here, outside the lock.
}

bool isUiThread() {
    Services& s = services();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.binding != nullptr && s.uiThread == std::this_thread::get_id();
}

void synchronize(const std::function<void()>& fn) {
    Services& s = services();
    std::unique_lock<std::mutex> lock(s.mutex);
    if (s.binding == nullptr || s.uiThread == std::this_thread::get_id()) {
        lock.unlock();
        fn();
        return;
    }
    SyncCall call;
    call.fn = &fn;
    s.queue.push_back(Entry{&call, {}});
    ++s.changes;
    requestWake(s);
    s.changed.notify_all();
    s.callDone.wait(lock, [&call] { return call.done; });
    lock.unlock();
    if (call.error) {
        std::rethrow_exception(call.error);
    }
}

void post(std::function<void()> fn) {
    Services& s = services();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.binding == nullptr) {
        return;  // fn is destroyed after the lock is released: parameters outlive locals
    }
    s.queue.push_back(Entry{nullptr, std::move(fn)});
    requestWake(s);
}

void serve() {
    Services& s = services();
    std::unique_lock<std::mutex> lock(s.mutex);
    if (s.binding == nullptr || s.uiThread != std::this_thread::get_id()) {
        return;
    }
    s.wakePending = false;
    // Only what is queued now: calls queued meanwhile asked for a wake of their own, so a
    // call that posts again cannot keep the event loop from its other events. Entries are
    // taken one at a time so that a nested event loop inside a call keeps the order.
    for (std::size_t count = s.queue.size(); count > 0 && !s.queue.empty(); --count) {
        Entry entry = std::move(s.queue.front());
        s.queue.pop_front();
        lock.unlock();
        if (entry.sync != nullptr) {
            runSync(s, *entry.sync);
        } else {
            runPosted(entry.posted);
            entry.posted = nullptr;
        }
        lock.lock();
    }
}

void waitServing(const std::function<bool()>& done) {
    Services& s = services();
    const bool serving = isUiThread();
    for (;;) {
        std::uint64_t seen = 0;
        {
            std::unique_lock<std::mutex> lock(s.mutex);
            if (serving) {
                if (SyncCall* call = takeSyncCall(s)) {
                    lock.unlock();
                    runSync(s, *call);
                    continue;
                }
            }
            seen = s.changes;
        }
        // done() runs without our lock: it may take locks of its own.
        if (done()) {
            return;
        }
        std::unique_lock<std::mutex> lock(s.mutex);
        s.changed.wait_for(lock, kWaitPoll, [&s, seen] { return s.changes != seen; });
    }
}

void wakeWaiters() {
    Services& s = services();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        ++s.changes;
    }
    s.changed.notify_all();
}

}  // namespace ui

struct UiTimer::State final : TimerHolder, std::enable_shared_from_this<State> {
    State(std::function<void()> fire, std::uint32_t ms) : onFire(std::move(fire)), interval(ms) {}

    const std::function<void()> onFire;

    mutable std::mutex mutex;
    std::uint32_t interval;  // guarded by mutex
    bool running = false;    // guarded by mutex: as last requested
    bool alive = true;       // guarded by mutex: false once the UiTimer is gone

    // User-interface thread only.
    std::unique_ptr<UiTimerBackend> backend;
    std::uint32_t backendInterval = 0;

    // User-interface thread: brings the toolkit timer in line with the request.
    void apply() {
        bool run = false;
        std::uint32_t ms = 0;
        {
            std::lock_guard<std::mutex> lock(mutex);
            run = running && alive;
            ms = interval;
        }
        if (!run) {
            if (backend) {
                backend->stop();
            }
            return;
        }
        if (!backend) {
            UiThreadBinding* binding = bindingOfThisThread();
            if (binding == nullptr) {
                return;
            }
            // The toolkit timer is owned by this state, so it cannot call a dead one.
            backend = binding->makeTimer([this] { fire(); });
            registerTimer(weak_from_this());
        }
        if (!backend->isActive() || backendInterval != ms) {
            backend->start(ms);
            backendInterval = ms;
        }
    }

    // User-interface thread, from the toolkit timer.
    void fire() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (!alive || !running) {
                return;  // stopped or destroyed by another thread, not yet handed over
            }
        }
        // onFire may destroy the UiTimer; the state stays until onFire has returned.
        const std::shared_ptr<State> self = shared_from_this();
        try {
            onFire();
        } catch (...) {
            reportException("timer handler failed: ");
        }
    }

    void releaseBackend() override { backend.reset(); }

    // Any thread: have the user-interface thread apply the request.
    void handOver() {
        if (ui::isUiThread()) {
            apply();
        } else {
            ui::post([self = shared_from_this()] { self->apply(); });
        }
    }
};

UiTimer::UiTimer(std::function<void()> onFire, std::uint32_t intervalMs)
    : m_state(std::make_shared<State>(std::move(onFire), intervalMs)) {}

UiTimer::~UiTimer() {
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->alive = false;
        m_state->running = false;
    }
    // Runs here on the user-interface thread or without one; calls already posted for this
    // timer find it dead.
    State& state = *m_state;
    ui::synchronize([&state] { state.releaseBackend(); });
}

void UiTimer::setInterval(std::uint32_t ms) {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->interval = ms;
}

std::uint32_t UiTimer::interval() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->interval;
}

void UiTimer::start() {
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->running = true;
    }
    m_state->handOver();
}

void UiTimer::stop() {
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->running = false;
    }
    m_state->handOver();
}

bool UiTimer::isRunning() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->running;
}

}  // namespace platform
