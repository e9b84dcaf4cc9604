#include "modem/modem_module/impl/commands_thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/cp1251.h"
#include "platform/manual_reset_event.h"
#include "platform/toolkit_exception.h"
#include "platform/ui_thread.h"
#include "tests/support/debug_capture.h"
#include "tests/support/ui_thread_fixture.h"

using namespace platform::literals;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

constexpr auto kWaitLimit = std::chrono::seconds(20);

// What happened, in order, with the time of each event; any thread may write.
class Journal {
public:
    void add(const std::string& event) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_events.push_back(event);
            m_times.push_back(Clock::now());
        }
        m_changed.notify_all();
    }

    std::vector<std::string> events() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_events;
    }

    bool has(const std::string& event) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return std::find(m_events.begin(), m_events.end(), event) != m_events.end();
    }

    Clock::time_point timeOf(const std::string& event) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto it = std::find(m_events.begin(), m_events.end(), event);
        return it == m_events.end() ? Clock::time_point{} : m_times[it - m_events.begin()];
    }

    // For threads that are not the user-interface thread (which must keep serving instead).
    bool waitFor(const std::string& event, std::size_t times = 1) const {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, kWaitLimit, [&] {
            return static_cast<std::size_t>(std::count(m_events.begin(), m_events.end(), event)) >=
                   times;
        });
    }

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<std::string> m_events;
    std::vector<Clock::time_point> m_times;
};

enum class Raise { nothing, standard, toolkit, other };

[[noreturn]] void raise(Raise what, const std::string& text) {
    switch (what) {
        case Raise::standard:
            throw std::runtime_error(text);
        case Raise::toolkit:
            throw SimpleUtils::ToolkitException(text);
        case Raise::other:
        case Raise::nothing:
            break;
    }
    throw 42;
}

struct Script {
    bool wantNotify = true;
    Raise inExecute = Raise::nothing;
    Raise inNotify = Raise::nothing;
    // execute waits for it when set.
    SimpleUtils::ManualResetEvent* hold = nullptr;
};

// Journals "execute:<name>", "notify:<name>" (with "@ui" when run on the user-interface
// thread) and "destroy:<name>".
class ScriptedCommand : public ThreadCommand {
public:
    ScriptedCommand(Journal& journal, std::string name, Script script = {})
        : m_journal(journal), m_name(std::move(name)), m_script(script) {}
    ~ScriptedCommand() override { m_journal.add("destroy:" + m_name); }

    bool execute(CommandsThread& /*thread*/) override {
        m_journal.add("execute:" + m_name);
        if (m_script.hold != nullptr) {
            m_script.hold->wait();
        }
        if (m_script.inExecute != Raise::nothing) {
            raise(m_script.inExecute, "execute " + m_name);
        }
        return m_script.wantNotify;
    }

    void notify() override {
        m_journal.add("notify:" + m_name + (platform::ui::isUiThread() ? "@ui" : ""));
        if (m_script.inNotify != Raise::nothing) {
            raise(m_script.inNotify, "notify " + m_name);
        }
    }

private:
    Journal& m_journal;
    std::string m_name;
    Script m_script;
};

std::unique_ptr<ThreadCommand> scripted(Journal& journal, std::string name, Script script = {}) {
    return std::make_unique<ScriptedCommand>(journal, std::move(name), script);
}

// A worker whose callbacks journal what they are called with.
struct Worker {
    explicit Worker(Journal& journal, int pauseMs = 0) : thread(pauseMs) {
        thread.onIdle = [&journal] { journal.add("idle"); };
        thread.onError = [&journal](const char* text) {
            journal.add(std::string("error:") + text + (platform::ui::isUiThread() ? "@ui" : ""));
        };
        thread.onLastCommand = [&journal] { journal.add("last"); };
    }

    CommandsThread thread;
};

// Every kind of exception is reported by its text, and the worker goes on with the next.
TEST(CommandsThreadTest, RunsABatchInOrderWithThePauseAfterEachAndIdlesOnceAfterIt) {
    constexpr int kPauseMs = 30;
    Journal journal;
    Worker worker(journal, kPauseMs);
    worker.thread.add(scripted(journal, "1"));
    worker.thread.add(scripted(journal, "2", Script{.wantNotify = false}));
    worker.thread.add(scripted(journal, "std", Script{.inExecute = Raise::standard}));
    worker.thread.add(scripted(journal, "toolkit", Script{.inExecute = Raise::toolkit}));
    worker.thread.add(scripted(journal, "other", Script{.inExecute = Raise::other}));
    worker.thread.add(scripted(journal, "late", Script{.inNotify = Raise::standard}));
    worker.thread.add(scripted(journal, "3"));
    worker.thread.resume();
    ASSERT_TRUE(journal.waitFor("idle"));

    // Nothing was queued meanwhile, so the worker now waits for work: the next command
    // must wake it, and onIdle follows that one command too.
    worker.thread.add(scripted(journal, "4"));
    ASSERT_TRUE(journal.waitFor("idle", 2));

    const std::string unknown = "error:" + std::string("Неизвестное исключение."_cp1251);
    // One line per command: its run, its notification or error, its destruction.
    // clang-format off
    const std::vector<std::string> expected{
        "execute:1", "notify:1", "destroy:1",
        "execute:2", "destroy:2",
        "execute:std", "error:execute std", "destroy:std",
        "execute:toolkit", "error:execute toolkit", "destroy:toolkit",
        "execute:other", unknown, "destroy:other",
        "execute:late", "notify:late", "error:notify late", "destroy:late",
        "execute:3", "notify:3", "destroy:3", "idle",
        "execute:4", "notify:4", "destroy:4", "idle"};
    // clang-format on
    EXPECT_EQ(journal.events(), expected);
    EXPECT_GE(journal.timeOf("execute:2") - journal.timeOf("execute:1"), milliseconds(kPauseMs));
    EXPECT_GE(journal.timeOf("execute:std") - journal.timeOf("execute:2"), milliseconds(kPauseMs));
    EXPECT_GE(journal.timeOf("idle") - journal.timeOf("execute:3"), milliseconds(kPauseMs));
    EXPECT_FALSE(worker.thread.hasCommands());
}

TEST(CommandsThreadTest, PauseWaitsForThePassInProgressAndLogsOncePerChange) {
    testsupport::TraceCapture trace;
    Journal journal;
    SimpleUtils::ManualResetEvent release;
    {
        Worker worker(journal);
        worker.thread.add(scripted(journal, "held", Script{.hold = &release}));
        worker.thread.resume();
        ASSERT_TRUE(journal.waitFor("execute:held"));

        // The pass is running: pause(true) has to wait for its end, onIdle included.
        auto paused = std::async(std::launch::async, [&] {
            worker.thread.pause(true);
            journal.add("paused");
        });
        release.set();
        paused.get();
        worker.thread.pause(true);

        // Nothing runs while paused; the command added now waits for pause(false).
        worker.thread.add(scripted(journal, "after"));
        journal.add("resuming");
        worker.thread.pause(false);
        worker.thread.pause(false);
        ASSERT_TRUE(journal.waitFor("idle", 2));
    }

    const std::vector<std::string> expected{
        "execute:held", "notify:held",   "destroy:held", "idle",          "paused",
        "resuming",     "execute:after", "notify:after", "destroy:after", "idle"};
    EXPECT_EQ(journal.events(), expected);
    EXPECT_EQ(trace.containing("CommandsThread::pause"),
              (std::vector<std::string>{"CommandsThread::pause(1) complete\n",
                                        "CommandsThread::pause(0) complete\n"}));
    EXPECT_EQ(trace.containing("CommandsThread::Execute. Quit").size(), 1u);
}

// A command that raises a flag while it runs; onIdle keeps queueing them, so passes follow
// each other as fast as they can.
class BusyCommand : public ThreadCommand {
public:
    explicit BusyCommand(std::atomic<bool>& inPass) : m_inPass(inPass) {}
    bool execute(CommandsThread& /*thread*/) override {
        m_inPass = true;
        std::this_thread::yield();
        m_inPass = false;
        return false;
    }

private:
    std::atomic<bool>& m_inPass;
};

TEST(CommandsThreadTest, NoPassRunsBetweenPauseAndResume) {
    std::atomic<bool> inPass{false};
    std::atomic<int> passes{0};
    CommandsThread thread(0);
    thread.onIdle = [&] {
        inPass = true;
        ++passes;
        thread.add(std::make_unique<BusyCommand>(inPass));
        inPass = false;
    };
    thread.onError = [](const char* /*text*/) {};
    thread.resume();

    int caughtRunning = 0;
    for (int round = 0; round < 1000; ++round) {
        // Let the worker get going again, so the pause lands somewhere inside its passes.
        const int resumedAt = passes;
        const auto deadline = Clock::now() + kWaitLimit;
        while (passes == resumedAt && Clock::now() < deadline) {
            std::this_thread::yield();
        }
        thread.pause(true);
        const int before = passes;
        caughtRunning += inPass ? 1 : 0;
        std::this_thread::yield();
        caughtRunning += (inPass || passes != before) ? 1 : 0;
        thread.pause(false);
    }
    EXPECT_EQ(caughtRunning, 0);
    EXPECT_GE(passes, 1000);
}

TEST(CommandsThreadTest, ClearAndDestructionDropTheQueuedCommandsAndLetTheRunningOneFinish) {
    Journal journal;
    {
        // Never resumed: nothing runs, everything is destroyed.
        Worker idle(journal);
        idle.thread.add(scripted(journal, "x"));
        idle.thread.add(scripted(journal, "y"));
    }
    EXPECT_EQ(journal.events(), (std::vector<std::string>{"destroy:x", "destroy:y"}));

    Journal running;
    SimpleUtils::ManualResetEvent release;
    auto worker = std::make_unique<Worker>(running);
    worker->thread.add(scripted(running, "long", Script{.hold = &release}));
    worker->thread.resume();
    ASSERT_TRUE(running.waitFor("execute:long"));
    worker->thread.add(scripted(running, "a"));
    worker->thread.add(scripted(running, "b"));
    EXPECT_TRUE(worker->thread.hasCommands());
    worker->thread.clear();
    EXPECT_FALSE(worker->thread.hasCommands());
    EXPECT_TRUE(running.has("destroy:a") && running.has("destroy:b"));

    worker->thread.add(scripted(running, "queued"));
    auto destroyed = std::async(std::launch::async, [&] { worker.reset(); });
    ASSERT_TRUE(running.waitFor("destroy:queued"));
    release.set();
    destroyed.get();
    std::vector<std::string> events = running.events();
    std::erase(events, "idle");
    EXPECT_EQ(events, (std::vector<std::string>{"execute:long", "destroy:a", "destroy:b",
                                                "destroy:queued", "notify:long", "destroy:long"}));
}

TEST(CommandsThreadTest, AStopRequestDrainsTheQueueWithoutNotifyingThenEnds) {
    Journal journal;
    Worker worker(journal);
    worker.thread.add(scripted(journal, "1"));
    worker.thread.add(scripted(journal, "2"));
    worker.thread.requestStop();
    worker.thread.resume();
    ASSERT_TRUE(journal.waitFor("last"));
    worker.thread.waitFor();

    worker.thread.add(scripted(journal, "too late"));
    EXPECT_TRUE(journal.has("destroy:too late"));
    EXPECT_FALSE(worker.thread.hasCommands());
    worker.thread.pause(true);  // the ended worker runs no pass: this must not wait
    worker.thread.pause(false);
    EXPECT_EQ(journal.events(),
              (std::vector<std::string>{"execute:1", "destroy:1", "execute:2", "destroy:2", "last",
                                        "destroy:too late"}));
}

TEST(CommandsThreadTest, AnIdleWorkerWaitsInsteadOfSpinning) {
    std::atomic<int> idles{0};
    CommandsThread thread(0);
    thread.onIdle = [&] { ++idles; };
    thread.onError = [](const char* /*text*/) {};
    thread.resume();

    // Waits, without a time limit of its own, until onIdle has run `target` times in all.
    const auto idlesReach = [&](int target) {
        const auto deadline = Clock::now() + kWaitLimit;
        while (idles < target && Clock::now() < deadline) {
            std::this_thread::yield();
        }
        return idles >= target;
    };
    // An idle period long enough for a spinning loop to call onIdle thousands of times.
    constexpr auto kIdlePeriod = milliseconds(300);
    const auto measure = [&] {
        const int before = idles;
        std::this_thread::sleep_for(kIdlePeriod);
        return idles - before;
    };

    ASSERT_TRUE(idlesReach(1));
    EXPECT_EQ(measure(), 0);

    // wake() runs onIdle once more.
    const int beforeWake = idles;
    thread.wake();
    EXPECT_TRUE(idlesReach(beforeWake + 1));

    // While the owner has polling work, onIdle runs again and again without any command,
    // and still nowhere near as often as a spinning loop would.
    const int beforePolling = idles;
    thread.setIdlePolling(true);
    EXPECT_TRUE(idlesReach(beforePolling + 3));
    EXPECT_LE(measure(), 3 * (kIdlePeriod / milliseconds(CommandsThread::kIdlePollMs)));
}

// With a real user-interface thread: the test body is that thread.
class CommandsThreadUiTest : public testsupport::UiThreadTest {};

TEST_F(CommandsThreadUiTest, PauseAndDestructionServeTheNotificationTheWorkerWaitsFor) {
    Journal journal;
    SimpleUtils::ManualResetEvent release;
    auto worker = std::make_unique<Worker>(journal);
    worker->thread.add(scripted(journal, "first", Script{.hold = &release}));
    worker->thread.resume();
    ASSERT_TRUE(runUntil([&] { return journal.has("execute:first"); }));

    // The pass goes on to a notification for this very thread, which pause() must serve.
    release.set();
    worker->thread.pause(true);
    EXPECT_TRUE(journal.has("notify:first@ui"));
    EXPECT_TRUE(journal.has("idle"));

    SimpleUtils::ManualResetEvent releaseSecond;
    worker->thread.add(scripted(journal, "second", Script{.hold = &releaseSecond}));
    worker->thread.pause(false);
    ASSERT_TRUE(runUntil([&] { return journal.has("execute:second"); }));
    releaseSecond.set();
    worker.reset();
    EXPECT_TRUE(journal.has("notify:second@ui"));
    EXPECT_TRUE(journal.has("destroy:second"));
}

}  // namespace
