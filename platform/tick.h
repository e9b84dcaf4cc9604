#pragma once

// The millisecond tick: unsigned 32-bit, from the steady clock, wrapping after 49.7 days.

#include <cstdint>

namespace platform {

std::uint32_t tickCount();

// Elapsed milliseconds from start to now; right across the 32-bit wrap.
constexpr std::uint32_t ticksBetween(std::uint32_t start, std::uint32_t now) {
    return static_cast<std::uint32_t>(now - start);
}

std::uint32_t elapsedSince(std::uint32_t start);

// A start tick for stopwatches where 0 means "not started": a real 0 is taken as 1.
std::uint32_t startTick();

void sleepMs(std::uint32_t ms);

}  // namespace platform
