#include "platform/simple_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/manual_reset_event.h"
#include "platform/ui_thread.h"
#include "tests/support/debug_capture.h"
#include "tests/support/ui_thread_fixture.h"

namespace {

namespace ui = platform::ui;

// A thread whose body the test supplies; terminate() releases wakeUp.
class ProbeThread : public SimpleUtils::Thread {
public:
    explicit ProbeThread(std::function<void(ProbeThread&)> body) : m_body(std::move(body)) {}
    ~ProbeThread() override {
        terminate();
        waitFor();
    }
    ProbeThread(const ProbeThread&) = delete;
    ProbeThread& operator=(const ProbeThread&) = delete;

    using Thread::synchronize;
    SimpleUtils::ManualResetEvent wakeUp;

protected:
    void Execute() override { m_body(*this); }
    void onTerminateRequested() override { wakeUp.set(); }

private:
    std::function<void(ProbeThread&)> m_body;
};

TEST(SimpleThread, RunsOnceAfterResumeAndTerminateWakesItsBody) {
    std::atomic<int> runs{0};
    bool terminatedSeen = false;
    ProbeThread thread([&](ProbeThread& self) {
        ++runs;
        self.wakeUp.wait();
        terminatedSeen = self.terminated();
        self.waitFor();  // its own end: returns instead of hanging
    });
    EXPECT_TRUE(thread.suspended());
    thread.waitFor();  // never resumed: nothing to wait for
    EXPECT_EQ(runs.load(), 0);

    thread.resume();
    thread.resume();
    EXPECT_FALSE(thread.suspended());
    EXPECT_FALSE(thread.terminated());
    thread.terminate();
    EXPECT_TRUE(thread.terminated());
    thread.waitFor();
    EXPECT_TRUE(thread.finished());
    EXPECT_TRUE(terminatedSeen);
    EXPECT_EQ(runs.load(), 1);
}

TEST(SimpleThread, AnExceptionEndsTheThreadAndIsReported) {
    testsupport::DebugCapture capture;
    ProbeThread thread([](ProbeThread&) { throw std::runtime_error("line dropped"); });
    thread.resume();
    thread.waitFor();
    EXPECT_TRUE(thread.finished());
    const auto lines = capture.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("line dropped"), std::string::npos);
}

class SimpleThreadOnUi : public testsupport::UiThreadTest {};

TEST_F(SimpleThreadOnUi, WaitForServesTheThreadsSynchronizeCalls) {
    int calls = 0;  // user-interface thread only
    bool allOnUiThread = true;
    bool postRan = false;
    ProbeThread thread([&](ProbeThread& self) {
        ui::post([&] { postRan = true; });
        for (int i = 0; i < 3; ++i) {
            self.synchronize([&] {
                ++calls;
                allOnUiThread = allOnUiThread && ui::isUiThread();
            });
        }
    });
    thread.resume();
    thread.waitFor();
    EXPECT_EQ(calls, 3);
    EXPECT_TRUE(allOnUiThread);
    EXPECT_FALSE(postRan);  // the wait serves synchronize calls only
    EXPECT_TRUE(runUntil([&] { return postRan; }));
}

}  // namespace
