#include "tester/t_timer_wrap.h"

#include <utility>

TTimerWrap::TTimerWrap(std::uint32_t intervalMs, bool enabled)
    : m_timer([this] { tick(); }, intervalMs) {
    if (enabled) {
        m_timer.start();
    }
}

TTimerWrap::~TTimerWrap() {
    m_timer.stop();
}

void TTimerWrap::setJob(JobFn fn, void* object) {
    if (fn == nullptr) {
        m_job = nullptr;
        return;
    }
    m_job = [fn, object] { fn(object); };
}

void TTimerWrap::setJob(std::function<void()> job) {
    m_job = std::move(job);
}

void TTimerWrap::start() {
    m_timer.start();
}

void TTimerWrap::startOnce() {
    m_once = true;
    start();
}

void TTimerWrap::stop() {
    m_once = false;
    m_timer.stop();
}

void TTimerWrap::tick() {
    if (m_once) {
        stop();
    }
    // The job may destroy this wrapper (a run that ends releases its owner), so it runs from
    // a copy.
    const std::function<void()> job = m_job;
    if (job) {
        job();
    }
}
