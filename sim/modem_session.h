#pragma once

// The modem as seen from the line, without any I/O: received bytes go in together with the
// line rate in force, and out come the bytes to send back, in order, each marked as echo
// (sent at once) or as a reply (sent after the reply delay, in chunks, ...).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/at_interpreter.h"
#include "sim/line_assembler.h"

namespace sim {

struct SessionOutput {
    enum class Kind { Echo, Reply };
    Kind kind = Kind::Echo;
    std::string bytes;
};

struct SessionCounters {
    std::uint64_t linesReceived = 0;  // every terminated line, answered or not
    std::uint64_t linesAnswered = 0;
    std::uint64_t linesIgnored = 0;  // heard at a rate the modem does not serve, or muted
};

class ModemSession {
public:
    // bauds: the line rates the modem answers at; empty means every rate.
    explicit ModemSession(ModemProfile defaults = {}, std::vector<std::uint32_t> bauds = {});

    // A muted modem still takes lines off the wire but neither echoes nor answers them.
    void setMuted(bool muted) { m_muted = muted; }

    std::vector<SessionOutput> feed(std::string_view bytes, std::uint32_t rateNow);

    bool servesRate(std::uint32_t rate) const;
    const ModemProfile& profile() const { return m_interpreter.profile(); }
    const SessionCounters& counters() const { return m_counters; }

private:
    void appendEcho(std::vector<SessionOutput>& out, char byte) const;
    void completeLine(std::vector<SessionOutput>& out, const CompletedLine& line);

    AtInterpreter m_interpreter;
    LineAssembler m_assembler;
    std::vector<std::uint32_t> m_bauds;
    bool m_muted = false;
    SessionCounters m_counters;
};

}  // namespace sim
