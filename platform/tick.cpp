#include "platform/tick.h"

#include <chrono>
#include <thread>

namespace platform {

std::uint32_t tickCount() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms));
}

std::uint32_t elapsedSince(std::uint32_t start) {
    return ticksBetween(start, tickCount());
}

std::uint32_t startTick() {
    const std::uint32_t now = tickCount();
    return now == 0 ? 1 : now;
}

void sleepMs(std::uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace platform
