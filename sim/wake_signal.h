#pragma once

// Wakes a thread that waits in poll: an eventfd that any thread may signal.

namespace sim {

class WakeSignal {
public:
    WakeSignal();  // throws std::system_error
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    int fd() const { return m_fd; }
    void signal();
    // Consumes every signal given so far.
    void drain();

private:
    int m_fd = -1;
};

}  // namespace sim
