#include "platform/ui_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/tick.h"
#include "tests/support/debug_capture.h"
#include "tests/support/ui_thread_fixture.h"

namespace {

namespace ui = platform::ui;
using platform::UiTimer;
using testsupport::UiThreadTest;

class Synchronize : public UiThreadTest {};
class Post : public UiThreadTest {};
class WaitServing : public UiThreadTest {};
class Timer : public UiThreadTest {
protected:
    // Runs the event loop until a fresh timer of intervalMs has fired n times: long enough
    // for any timer of that interval or a shorter one to have fired meanwhile.
    void runForFires(int n, std::uint32_t intervalMs) {
        int fires = 0;
        UiTimer reference([&fires] { ++fires; }, intervalMs);
        reference.start();
        ASSERT_TRUE(runUntil([&fires, n] { return fires >= n; }));
    }
};

TEST_F(Synchronize, FromAnotherThreadRunsOnTheUiThreadWaitsAndHandsBackExceptions) {
    const auto uiId = std::this_thread::get_id();
    std::atomic<bool> workerDone{false};
    std::thread::id ranOn;
    int value = 0;
    int valueAfterReturn = -1;
    std::string message;
    std::thread worker([&] {
        EXPECT_FALSE(ui::isUiThread());
        ui::synchronize([&] {
            ranOn = std::this_thread::get_id();
            value = 42;
        });
        valueAfterReturn = value;
        try {
            ui::synchronize([] { throw std::runtime_error("no modem"); });
        } catch (const std::runtime_error& e) {
            message = e.what();
        }
        workerDone = true;
    });
    EXPECT_TRUE(runUntil([&] { return workerDone.load(); }));
    worker.join();
    EXPECT_EQ(ranOn, uiId);
    EXPECT_EQ(valueAfterReturn, 42);
    EXPECT_EQ(message, "no modem");
}

// A timer destroyed on the user-interface thread makes the plain call; from inside a posted
// call nothing may wait for the loop that is running it.
TEST_F(Synchronize, OnTheUiThreadRunsAtOnceEvenInsideAPostedCall) {
    bool nestedRan = false;
    bool postRan = false;
    ui::post([&] {
        ui::synchronize([&] { nestedRan = true; });
        postRan = true;
    });
    EXPECT_TRUE(runUntil([&] { return postRan; }));
    EXPECT_TRUE(nestedRan);
}

TEST_F(Post, RunsLaterInOrder) {
    std::vector<int> order;
    ui::post([&] { order.push_back(1); });
    ui::post([&] {
        order.push_back(2);
        ui::post([&] { order.push_back(4); });  // after the calls already queued
    });
    ui::post([&] { order.push_back(3); });
    EXPECT_TRUE(order.empty());
    EXPECT_TRUE(runUntil([&] { return order.size() == 4; }));
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));

    // From another thread, posted and synchronized calls keep the order they were made in.
    std::vector<int> fromWorker;  // user-interface thread only
    std::size_t seenBySynchronize = 0;
    std::atomic<bool> workerDone{false};
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i) {
            ui::post([&fromWorker, i] { fromWorker.push_back(i); });
            if (i == 49) {
                ui::synchronize([&] { seenBySynchronize = fromWorker.size(); });
            }
        }
        workerDone = true;
    });
    EXPECT_TRUE(runUntil([&] { return workerDone.load() && fromWorker.size() == 100; }));
    worker.join();
    EXPECT_EQ(seenBySynchronize, 50u);
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(fromWorker[static_cast<std::size_t>(i)], i);
    }
}

TEST_F(Post, AFailingCallIsReportedAndTheNextOnesStillRun) {
    testsupport::DebugCapture capture;
    bool nextRan = false;
    ui::post([] { throw std::runtime_error("port gone"); });
    ui::post([&] { nextRan = true; });
    EXPECT_TRUE(runUntil([&] { return nextRan; }));
    const auto lines = capture.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("port gone"), std::string::npos);
}

// Posts held back by the wait are the thread's test (simple_thread_test).
TEST_F(WaitServing, ServesSynchronizeCallsButNoTimers) {
    int timerFires = 0;
    UiTimer timer([&] { ++timerFires; }, 5);
    timer.start();

    std::atomic<bool> finished{false};
    int served = 0;
    std::thread worker([&] {
        // Holds the user-interface thread in its wait for many periods of the timer.
        const std::uint32_t start = platform::tickCount();
        do {
            ui::synchronize([&] { ++served; });
        } while (platform::elapsedSince(start) < 100);
        finished = true;
        ui::wakeWaiters();
    });
    ui::waitServing([&] { return finished.load(); });
    worker.join();
    EXPECT_GT(served, 0);
    EXPECT_EQ(timerFires, 0);

    // Afterwards the event loop delivers what the wait held back.
    EXPECT_TRUE(runUntil([&] { return timerFires > 0; }));
}

TEST_F(WaitServing, OffTheUiThreadItOnlyWaits) {
    std::atomic<bool> flag{false};
    std::atomic<bool> waiterDone{false};
    std::thread waiter([&] {
        ui::waitServing([&] { return flag.load(); });
        waiterDone = true;
    });
    // A synchronize call made meanwhile is served by the user-interface thread, not by the
    // thread that waits.
    std::thread::id ranOn;
    std::atomic<bool> callerDone{false};
    std::thread caller([&] {
        ui::synchronize([&] { ranOn = std::this_thread::get_id(); });
        callerDone = true;
    });
    EXPECT_TRUE(runUntil([&] { return callerDone.load(); }));
    caller.join();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_FALSE(waiterDone.load());

    flag = true;
    ui::wakeWaiters();
    waiter.join();
    EXPECT_TRUE(waiterDone.load());
}

// A start from another thread is seen by the exchange log window's tests (tests/ui).
TEST_F(Timer, AStopFromAnotherThreadIsHandedOverAndNoFireFollowsIt) {
    std::atomic<int> fires{0};
    UiTimer timer([&] { ++fires; }, 10);
    timer.start();
    EXPECT_TRUE(runUntil([&] { return fires.load() >= 1; }));
    std::thread([&] {
        timer.stop();
        EXPECT_FALSE(timer.isRunning());
    }).join();
    const int firesAtStop = fires.load();
    runForFires(5, 10);
    EXPECT_EQ(fires.load(), firesAtStop);
}

TEST_F(Timer, StartingARunningTimerFromAnotherThreadKeepsItsPhase) {
    // Each start is handed over to the user-interface thread; restarted over and over, a
    // 200 ms timer would never fire if a start reset its interval.
    std::atomic<bool> fired{false};
    UiTimer watched([&] { fired = true; }, 200);
    watched.start();
    std::atomic<bool> giveUp{false};
    std::atomic<bool> workerDone{false};
    std::thread worker([&] {
        while (!fired.load() && !giveUp.load()) {
            watched.start();
            ui::synchronize([] {});  // one start in flight at a time
        }
        workerDone = true;
    });
    EXPECT_TRUE(runUntil([&] { return fired.load(); }));
    giveUp = true;
    EXPECT_TRUE(runUntil([&] { return workerDone.load(); }));
    worker.join();
}

TEST_F(Timer, ADestroyedTimerNeverFires) {
    // Destroyed while a start from another thread is still queued for the loop.
    int lateFires = 0;
    auto timer = std::make_unique<UiTimer>([&] { ++lateFires; }, 5);
    std::thread starter([&] { timer->start(); });
    starter.join();
    timer.reset();
    runForFires(5, 10);
    EXPECT_EQ(lateFires, 0);

    // Destroyed by another thread while the loop runs.
    std::atomic<int> workerFires{0};
    timer = std::make_unique<UiTimer>([&] { ++workerFires; }, 5);
    timer->start();
    EXPECT_TRUE(runUntil([&] { return workerFires.load() >= 1; }));
    std::atomic<bool> destroyed{false};
    std::thread destroyer([&] {
        timer.reset();
        destroyed = true;
    });
    EXPECT_TRUE(runUntil([&] { return destroyed.load(); }));
    destroyer.join();
    const int firesAtEnd = workerFires.load();
    runForFires(5, 10);
    EXPECT_EQ(workerFires.load(), firesAtEnd);
}

// The services on a binding driven by the test itself, for what the Qt loop hides: the rules
// without a user-interface thread, uninstalling, and what a timer asks of the toolkit.
class FakeBinding final : public platform::UiThreadBinding {
public:
    struct TimerLog {
        int starts = 0;
        int stops = 0;
        int released = 0;
        std::uint32_t lastInterval = 0;
    };

    void wake() override {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_wakes;
        }
        m_woken.notify_all();
    }

    std::unique_ptr<platform::UiTimerBackend> makeTimer(std::function<void()> fire) override {
        m_fire = std::move(fire);
        return std::make_unique<FakeTimer>(m_log);
    }

    void waitForWake() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_woken.wait(lock, [this] { return m_wakes > 0; });
    }

    void fire() { m_fire(); }
    const TimerLog& log() const { return m_log; }

private:
    class FakeTimer final : public platform::UiTimerBackend {
    public:
        explicit FakeTimer(TimerLog& log) : m_log(log) {}
        ~FakeTimer() override { ++m_log.released; }
        FakeTimer(const FakeTimer&) = delete;
        FakeTimer& operator=(const FakeTimer&) = delete;
        void start(std::uint32_t intervalMs) override {
            ++m_log.starts;
            m_log.lastInterval = intervalMs;
            m_active = true;
        }
        void stop() override {
            ++m_log.stops;
            m_active = false;
        }
        bool isActive() const override { return m_active; }

    private:
        TimerLog& m_log;
        bool m_active = false;
    };

    std::mutex m_mutex;
    std::condition_variable m_woken;
    int m_wakes = 0;  // guarded by m_mutex
    TimerLog m_log;
    std::function<void()> m_fire;
};

TEST(UiThreadServices, WithoutAUiThreadCallsRunOnTheCallerAndUninstallLeavesNoCallerWaiting) {
    EXPECT_FALSE(ui::isUiThread());
    std::thread::id ranOn;
    std::thread([&] {
        ui::synchronize([&] { ranOn = std::this_thread::get_id(); });
        EXPECT_EQ(ranOn, std::this_thread::get_id());
        EXPECT_THROW(ui::synchronize([] { throw std::runtime_error("x"); }), std::runtime_error);
    }).join();
    bool postRan = false;
    ui::post([&] { postRan = true; });  // dropped: no thread would ever run it

    FakeBinding binding;
    ui::install(&binding);
    EXPECT_TRUE(ui::isUiThread());
    ui::serve();
    EXPECT_FALSE(postRan);
    FakeBinding second;
    EXPECT_THROW(ui::install(&second), std::logic_error);
    std::thread([] { EXPECT_THROW(ui::uninstall(), std::logic_error); }).join();

    // Uninstalling runs a synchronize call still queued and drops a posted one.
    std::thread worker([&] { ui::synchronize([&] { ranOn = std::this_thread::get_id(); }); });
    binding.waitForWake();  // the call is queued
    ui::post([&] { postRan = true; });
    ui::uninstall();
    worker.join();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_FALSE(postRan);
    EXPECT_FALSE(ui::isUiThread());
}

TEST(UiThreadServices, TimersAskTheToolkitOnlyForWhatChanges) {
    FakeBinding binding;
    ui::install(&binding);
    int fires = 0;
    {
        UiTimer timer([&] { ++fires; }, 250);
        timer.start();
        timer.start();  // running: the phase stays
        EXPECT_EQ(binding.log().starts, 1);
        EXPECT_EQ(binding.log().lastInterval, 250u);
        binding.fire();
        EXPECT_EQ(fires, 1);

        timer.setInterval(100);
        EXPECT_EQ(timer.interval(), 100u);
        EXPECT_EQ(binding.log().starts, 1);  // not before the next start
        timer.start();
        EXPECT_EQ(binding.log().starts, 2);
        EXPECT_EQ(binding.log().lastInterval, 100u);

        timer.stop();
        EXPECT_EQ(binding.log().stops, 1);
        binding.fire();  // a fire already on its way when stop came
        EXPECT_EQ(fires, 1);

        timer.start();
        EXPECT_EQ(binding.log().starts, 3);
        // The toolkit timer goes with the binding, although the timer lives on.
        ui::uninstall();
        EXPECT_EQ(binding.log().released, 1);
        timer.stop();
        timer.start();
    }
    EXPECT_EQ(binding.log().released, 1);
    EXPECT_EQ(binding.log().starts, 3);
    EXPECT_EQ(fires, 1);
}

}  // namespace
