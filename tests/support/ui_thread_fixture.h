#pragma once

// A real user-interface thread for tests: the test's own thread gets a Qt event loop
// (QCoreApplication) with the user-interface thread services bound to it, so
// platform::ui::synchronize, post, waitServing and UiTimer behave as in the programs.
//
// Nothing runs on the user-interface thread unless the test lets it: call runUntil() and the
// test's thread serves synchronize calls, posted calls and timers until the condition holds.
// Test fixtures derive from UiThreadTest.
//
// Link orvane_test_support_qt. The header needs no Qt headers.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>

namespace testsupport {

// Generous: sanitizer builds on two busy cores are slow.
inline constexpr std::chrono::milliseconds kUiWaitLimit{20000};

class UiThread {
public:
    // On the thread that is to be the user-interface thread (a test's main thread). Makes the
    // QCoreApplication unless one exists, then installs the services.
    UiThread();
    // Uninstalls the services (running synchronize calls still queued, dropping posted
    // calls) and ends the QCoreApplication it made.
    ~UiThread();
    UiThread(const UiThread&) = delete;
    UiThread& operator=(const UiThread&) = delete;

    // Runs the event loop until predicate() holds or timeout passes; returns the predicate's
    // final value. The predicate is tested after every batch of events and at least every
    // 10 ms, so it may watch state that other threads change without waking this one.
    bool runUntil(const std::function<bool()>& predicate,
                  std::chrono::milliseconds timeout = kUiWaitLimit);

    // Handles the events that are pending now, without waiting for more.
    void processPending();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// A test fixture whose test body runs on the user-interface thread.
class UiThreadTest : public ::testing::Test, public UiThread {};

}  // namespace testsupport
