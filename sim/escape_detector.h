#pragma once

// Recognises the "+++" escape in the data stream of an online data call, the Hayes way: the
// escape character (S2) three times, after a guard time (S12) of silence, each within the
// guard time of the one before, and followed by another guard time of silence. Escape
// characters that may start an escape are held back until it is clear whether they do; if
// not, they are data after all and come out in order.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "sim/modem_profile.h"
#include "sim/sim_clock.h"

namespace sim {

struct EscapeRule {
    std::optional<char> character;      // nullopt: S2 above 127 turns escapes off
    std::chrono::milliseconds guard{};  // zero: no timing at all, "+++" escapes at once

    static EscapeRule from(const ModemProfile& profile);
};

struct EscapeStep {
    std::string data;          // bytes that are data, in order
    std::size_t consumed = 0;  // of the bytes given (feed only)
    bool escaped = false;      // the call goes to command mode now
};

class EscapeDetector {
public:
    // Data mode begins now: the guard time before an escape counts from here.
    void reset(EscapeRule rule, SimTime now);

    // Takes received bytes. Stops right after an escape that needs no guard time; the
    // bytes after it belong to command mode.
    EscapeStep feed(std::string_view bytes, SimTime now);
    // What time alone decides: the end of the guard time after "+++", or held escape
    // characters that turned out to be data.
    EscapeStep tick(SimTime now);
    std::optional<SimTime> deadline() const;

private:
    void release(std::string& data);

    EscapeRule m_rule;
    SimTime m_lastData{};  // the last data byte, or the start of data mode
    int m_held = 0;        // escape characters held back
    SimTime m_heldAt{};    // when the last of them arrived
};

}  // namespace sim
