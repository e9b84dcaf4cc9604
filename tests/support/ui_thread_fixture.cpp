#include "tests/support/ui_thread_fixture.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include "platform/qt/qt_ui_binding.h"

namespace testsupport {

namespace {

// QCoreApplication keeps references to these for its whole life.
int g_argc = 1;
char g_name[] = "orvane-test";
char* g_argv[] = {g_name, nullptr};

}  // namespace

struct UiThread::Impl {
    std::unique_ptr<QCoreApplication> app;
    std::unique_ptr<platform::QtUiBinding> binding;
};

UiThread::UiThread() : m_impl(std::make_unique<Impl>()) {
    if (QCoreApplication::instance() == nullptr) {
        m_impl->app = std::make_unique<QCoreApplication>(g_argc, g_argv);
    }
    m_impl->binding = std::make_unique<platform::QtUiBinding>();
}

UiThread::~UiThread() {
    m_impl->binding.reset();
    if (m_impl->app) {
        // Events the test left behind (deferred deletions among them) go with the loop.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_impl->app.reset();
    }
}

bool UiThread::runUntil(const std::function<bool()>& predicate, std::chrono::milliseconds timeout) {
    const QDeadlineTimer deadline(timeout);
    // Wakes the loop so the predicate is tested even when no event comes.
    QTimer poll;
    poll.start(std::chrono::milliseconds(10));
    for (;;) {
        if (predicate()) {
            return true;
        }
        if (deadline.hasExpired()) {
            return predicate();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

void UiThread::processPending() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace testsupport
