#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

namespace SimpleUtils {

// A manual-reset event: once set, it stays set and releases every waiter until reset.
// A name is carried for the events the system names; it has no system-wide meaning here.
class ManualResetEvent {
public:
    explicit ManualResetEvent(bool initiallySet = false, std::string name = {});
    ManualResetEvent(const ManualResetEvent&) = delete;
    ManualResetEvent& operator=(const ManualResetEvent&) = delete;

    void set();
    void reset();
    bool isSet() const;

    // Waits without a time limit.
    void wait() const;
    // Waits up to ms milliseconds; true when the event was set.
    bool waitFor(std::uint32_t ms) const;

    const std::string& name() const { return m_name; }

private:
    const std::string m_name;
    mutable std::mutex m_mutex;  // guards m_set
    mutable std::condition_variable m_changed;
    bool m_set;
};

}  // namespace SimpleUtils
