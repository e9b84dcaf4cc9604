#pragma once

#include <mutex>

namespace SimpleUtils {

// A critical section: re-entrant for the thread that holds it. Meets the standard
// Lockable requirements, so std::lock_guard and std::unique_lock take it.
class Locker {
public:
    Locker() = default;
    Locker(const Locker&) = delete;
    Locker& operator=(const Locker&) = delete;

    void enter() { m_mutex.lock(); }
    void leave() { m_mutex.unlock(); }

    void lock() { enter(); }
    void unlock() { leave(); }
    bool try_lock() { return m_mutex.try_lock(); }

private:
    std::recursive_mutex m_mutex;
};

// Holds a Locker for its scope.
class LockGuard {
public:
    explicit LockGuard(Locker& locker) : m_locker(locker) { m_locker.enter(); }
    ~LockGuard() { m_locker.leave(); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    Locker& m_locker;
};

}  // namespace SimpleUtils
