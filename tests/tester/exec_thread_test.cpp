// The job thread and the one-shot timer, with a real user-interface thread.

#include "tester/exec_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/manual_reset_event.h"
#include "platform/ui_thread.h"
#include "tester/t_timer_wrap.h"
#include "tests/support/debug_capture.h"
#include "tests/support/ui_thread_fixture.h"

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

constexpr std::uint32_t kPauseMs = 10;
// Long enough for a job that wrongly runs again to show up; it can only hide a fault on a
// slow machine, never report a false one.
constexpr milliseconds kQuietWindow{300};

class ExecThreadTest : public testsupport::UiThreadTest {};

// A failing job does not end the thread: the next run() still needs it.
TEST_F(ExecThreadTest, SynchronisedJobRunsOnTheUiThreadOncePerRunEvenAfterAFailure) {
    testsupport::DebugCapture debug;
    std::atomic<int> runs{0};
    std::atomic<bool> offUiThread{false};
    ExecThread thread(kPauseMs);
    thread.setJob([&] {
        thread.rearm();
        offUiThread = offUiThread || !platform::ui::isUiThread();
        if (++runs == 1) {
            throw std::runtime_error("no modem");
        }
    });
    thread.run();
    ASSERT_TRUE(runUntil([&] { return runs == 1 && !debug.lines().empty(); }));
    EXPECT_NE(debug.lines().front().find("no modem"), std::string::npos);
    EXPECT_FALSE(runUntil([&] { return runs > 1; }, kQuietWindow));
    thread.run();
    ASSERT_TRUE(runUntil([&] { return runs == 2; }));
    EXPECT_FALSE(offUiThread);
}

TEST_F(ExecThreadTest, UnsynchronisedJobRunsOnItsOwnThreadAndRepeatsUntilRearmed) {
    // A plain function and its object, as the owner binds its own members.
    struct Runs {
        std::atomic<int> count{0};
        std::atomic<bool> onUiThread{false};
    } runs;
    ExecThread thread(kPauseMs);  // ends before runs goes
    thread.setSynchronised(false);
    thread.setJob(
        [](void* object) {
            auto* self = static_cast<Runs*>(object);
            self->onUiThread = self->onUiThread || platform::ui::isUiThread();
            ++self->count;
        },
        &runs);
    thread.run();
    EXPECT_TRUE(runUntil([&] { return runs.count >= 3; }));
    EXPECT_FALSE(runs.onUiThread);
}

TEST_F(ExecThreadTest, RunDuringTheJobRunsItOnceMore) {
    ExecThread thread(kPauseMs);
    thread.setSynchronised(false);
    std::atomic<int> runs{0};
    SimpleUtils::ManualResetEvent entered;
    SimpleUtils::ManualResetEvent proceed;
    thread.setJob([&] {
        thread.rearm();
        if (++runs == 1) {
            entered.set();
            proceed.wait();
        }
    });
    thread.run();
    ASSERT_TRUE(entered.waitFor(20000));
    thread.run();  // after the job's rearm: due again
    proceed.set();
    ASSERT_TRUE(runUntil([&] { return runs == 2; }));
    EXPECT_FALSE(runUntil([&] { return runs > 2; }, kQuietWindow));
}

TEST_F(ExecThreadTest, DestructionEndsTheThreadWithoutDeadlock) {
    // Waiting for the next run (one never run is every idle controller's, in the window tests).
    {
        ExecThread waiting(kPauseMs);
        std::atomic<int> runs{0};
        waiting.setJob([&] {
            waiting.rearm();
            ++runs;
        });
        waiting.run();
        ASSERT_TRUE(runUntil([&] { return runs == 1; }));
    }

    // A job that keeps handing work to the user-interface thread while that thread destroys
    // it: the destructor must serve those calls while it waits for the end.
    auto busy = std::make_unique<ExecThread>(kPauseMs);
    busy->setSynchronised(false);
    std::atomic<int> served{0};
    ExecThread* self = busy.get();
    busy->setJob([self, &served] {
        while (!self->terminated()) {
            self->synchronize([&served] { ++served; });
        }
    });
    busy->run();
    ASSERT_TRUE(runUntil([&] { return served >= 3; }));
    const auto start = Clock::now();
    busy.reset();
    EXPECT_LT(Clock::now() - start, milliseconds(2000));
}

class TimerWrapTest : public testsupport::UiThreadTest {
protected:
    // Serves the user-interface thread until a fresh timer of intervalMs has fired n times:
    // by then a timer of that interval, started earlier, had every chance to fire.
    void runForFires(int n, std::uint32_t intervalMs) {
        int fires = 0;
        platform::UiTimer reference([&fires] { ++fires; }, intervalMs);
        reference.start();
        ASSERT_TRUE(runUntil([&fires, n] { return fires >= n; }));
    }
};

TEST_F(TimerWrapTest, StartOnceRunsTheJobOnceOnTheUiThread) {
    TTimerWrap timer(20, false);
    int runs = 0;
    bool onUiThread = true;
    timer.setJob([&] {
        onUiThread = onUiThread && platform::ui::isUiThread();
        ++runs;
    });
    runForFires(2, 20);
    EXPECT_EQ(runs, 0) << "created stopped";

    timer.startOnce();
    ASSERT_TRUE(runUntil([&] { return runs == 1; }));
    EXPECT_FALSE(timer.isRunning());
    runForFires(3, 20);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(onUiThread);

    // Stopped before its interval: nothing runs.
    timer.startOnce();
    timer.stop();
    runForFires(3, 20);
    EXPECT_EQ(runs, 1);
}

// A timer enabled at construction repeats until stopped (the restart timer of continuous
// runs); one armed once is stopped before its job runs, so the job may arm it once more (a
// run's end arms the release of its facade so).
TEST_F(TimerWrapTest, RepeatingTimerRunsUntilStoppedAndJobMayRearmOnce) {
    TTimerWrap timer(10, true);
    int runs = 0;
    timer.setJob([&] { ++runs; });
    ASSERT_TRUE(runUntil([&] { return runs >= 3; }));
    timer.stop();
    const int stoppedAt = runs;
    runForFires(3, 10);
    EXPECT_EQ(runs, stoppedAt);

    int rearms = 0;
    timer.setJob([&] {
        if (++rearms < 3) {
            timer.startOnce();
        }
    });
    timer.startOnce();
    ASSERT_TRUE(runUntil([&] { return rearms == 3; }));
    runForFires(3, 10);
    EXPECT_EQ(rearms, 3);
}

TEST_F(TimerWrapTest, JobMayDestroyItsTimer) {
    auto timer = std::make_unique<TTimerWrap>(10, false);
    bool ran = false;
    timer->setJob([&] {
        ran = true;
        timer.reset();
    });
    timer->startOnce();
    ASSERT_TRUE(runUntil([&] { return ran; }));
    EXPECT_EQ(timer, nullptr);
    runForFires(2, 10);
}

}  // namespace
