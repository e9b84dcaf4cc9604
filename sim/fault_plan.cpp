#include "sim/fault_plan.h"

#include <utility>

namespace sim {

namespace {

// Modems take command lines without regard to letter case.
std::string upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

}  // namespace

std::uint32_t Faults::replyDelayFor(const std::string& line) const {
    const auto found = lineDelays.find(upper(line));
    return found != lineDelays.end() ? found->second : replyDelayMs;
}

Faults FaultPlan::snapshot() const {
    std::lock_guard lock(m_mutex);
    return m_faults;
}

void FaultPlan::setLineDelay(const std::string& line, std::uint32_t ms) {
    std::lock_guard lock(m_mutex);
    if (ms == 0) {
        m_faults.lineDelays.erase(upper(line));
    } else {
        m_faults.lineDelays[upper(line)] = ms;
    }
}

void FaultPlan::setChunking(std::size_t bytes, std::uint32_t gapMs) {
    std::lock_guard lock(m_mutex);
    m_faults.chunkBytes = bytes;
    m_faults.chunkGapMs = gapMs;
}

void FaultPlan::setSilent(bool silent) {
    std::lock_guard lock(m_mutex);
    m_faults.silent = silent;
}

void FaultPlan::cutNextReport(std::uint32_t pauseMs) {
    std::lock_guard lock(m_mutex);
    m_reportCutMs = pauseMs;
}

std::optional<std::uint32_t> FaultPlan::takeReportCut() {
    std::lock_guard lock(m_mutex);
    return std::exchange(m_reportCutMs, std::nullopt);
}

}  // namespace sim
