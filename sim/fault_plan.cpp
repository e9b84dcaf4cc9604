#include "sim/fault_plan.h"

#include <utility>

namespace sim {

Faults FaultPlan::snapshot() const {
    std::lock_guard lock(m_mutex);
    return m_faults;
}

void FaultPlan::setReplyDelay(std::uint32_t ms) {
    std::lock_guard lock(m_mutex);
    m_faults.replyDelayMs = ms;
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

void FaultPlan::setGarbageBeforeReply(std::string bytes) {
    std::lock_guard lock(m_mutex);
    m_faults.garbageBeforeReply = std::move(bytes);
}

}  // namespace sim
