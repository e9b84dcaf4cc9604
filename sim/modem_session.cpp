#include "sim/modem_session.h"

#include <algorithm>
#include <utility>

namespace sim {

ModemSession::ModemSession(ModemProfile defaults, std::vector<std::uint32_t> bauds)
    : m_interpreter(std::move(defaults)), m_bauds(std::move(bauds)) {}

bool ModemSession::servesRate(std::uint32_t rate) const {
    return m_bauds.empty() || std::find(m_bauds.begin(), m_bauds.end(), rate) != m_bauds.end();
}

std::vector<SessionOutput> ModemSession::feed(std::string_view bytes, std::uint32_t rateNow) {
    std::vector<SessionOutput> out;
    for (const char byte : bytes) {
        const ModemProfile& profile = m_interpreter.profile();
        const AssembledByte assembled =
            m_assembler.push(byte, rateNow, profile.terminator(), profile.editing());
        if (assembled.ignored) {
            continue;
        }
        // Echo goes out byte by byte as the modem hears it, so the terminator is echoed
        // before the command runs, and an ATE0 line is still echoed itself.
        if (!m_muted && profile.echo && servesRate(assembled.lineRate)) {
            appendEcho(out, byte);
        }
        if (assembled.completed) {
            completeLine(out, *assembled.completed);
        }
    }
    return out;
}

void ModemSession::appendEcho(std::vector<SessionOutput>& out, char byte) const {
    if (out.empty() || out.back().kind != SessionOutput::Kind::Echo) {
        out.push_back({SessionOutput::Kind::Echo, {}});
    }
    out.back().bytes.push_back(byte);
}

void ModemSession::completeLine(std::vector<SessionOutput>& out, const CompletedLine& line) {
    ++m_counters.linesReceived;
    if (m_muted || !servesRate(line.rate)) {
        ++m_counters.linesIgnored;
        return;
    }
    std::optional<std::string> reply = m_interpreter.execute(line.text, line.overflowed);
    if (!reply) {
        return;
    }
    ++m_counters.linesAnswered;
    out.push_back({SessionOutput::Kind::Reply, std::move(*reply)});
}

}  // namespace sim
