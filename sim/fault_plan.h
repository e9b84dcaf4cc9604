#pragma once

// The faults the simulated modem plays on its replies. Any thread may change them while the
// modem runs; the modem reads a consistent copy for each batch of received bytes.

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

namespace sim {

struct Faults {
    std::uint32_t replyDelayMs = 0;  // before each reply (echo is not delayed)
    std::size_t chunkBytes = 0;      // 0: each reply in one write
    std::uint32_t chunkGapMs = 0;    // between two chunks of a reply
    bool silent = false;             // take bytes off the line, answer nothing, echo nothing
    std::string garbageBeforeReply;  // sent ahead of every reply, NUL bytes included
    // With a seed: each reply waits a random delay and goes out in random pieces with random
    // gaps (all bounded, see SimModem), the same cuts for the same seed and the same replies.
    // Takes the place of replyDelayMs and chunking.
    std::optional<std::uint32_t> jitterSeed;
    // Once a command line reading exactly this (without its terminator) has been answered,
    // the modem reads nothing more from its line, as one that restarts and holds CTS low:
    // what the application writes then fills the line's buffer and its writes block.
    std::string stallAfter;
    // Per command line (upper case, without its terminator): the delay before its reply, in
    // place of replyDelayMs, so that one command answers late while the others do not.
    std::map<std::string, std::uint32_t> lineDelays;

    std::uint32_t replyDelayFor(const std::string& line) const;
};

class FaultPlan {
public:
    explicit FaultPlan(Faults initial = {}) : m_faults(std::move(initial)) {}

    Faults snapshot() const;

    // 0 ms: the line's replies follow the reply delay again.
    void setLineDelay(const std::string& line, std::uint32_t ms);
    void setChunking(std::size_t bytes, std::uint32_t gapMs);
    void setSilent(bool silent);
    // The next unsolicited report goes out in two pieces, cut in its middle, pauseMs apart
    // (a modem busy with something else halfway through a line). Once.
    void cutNextReport(std::uint32_t pauseMs);
    std::optional<std::uint32_t> takeReportCut();

private:
    mutable std::mutex m_mutex;  // guards everything below
    Faults m_faults;
    std::optional<std::uint32_t> m_reportCutMs;
};

}  // namespace sim
