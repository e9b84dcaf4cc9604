#include "sim/modem_session.h"

#include <algorithm>
#include <utility>

#include "sim/response_formatter.h"

namespace sim {

namespace {

void append(std::vector<SessionOutput>& out, SessionOutput::Kind kind, std::string_view bytes) {
    if (bytes.empty()) {
        return;
    }
    // Each reply keeps its own reply faults and each report counts on its own.
    const bool merges = kind == SessionOutput::Kind::Echo || kind == SessionOutput::Kind::Data;
    if (out.empty() || out.back().kind != kind || !merges) {
        out.push_back({kind, {}, {}});
    }
    out.back().bytes.append(bytes);
}

ResultCode dialResult(DialOutcome outcome, CallType type) {
    switch (outcome) {
        case DialOutcome::Connect:
            return type == CallType::Voice ? ResultCode::Ok : ResultCode::Connect;
        case DialOutcome::Busy:
            return ResultCode::Busy;
        case DialOutcome::NoDialtone:
            return ResultCode::NoDialtone;
        case DialOutcome::NoAnswer:
            return ResultCode::NoAnswer;
        case DialOutcome::NoCarrier:
        case DialOutcome::NoReply:
            break;
    }
    return ResultCode::NoCarrier;
}

}  // namespace

ModemSession::ModemSession(ModemProfile defaults, std::vector<std::uint32_t> bauds,
                           CallOptions callOptions)
    : m_interpreter(std::move(defaults), {}, callOptions), m_bauds(std::move(bauds)) {}

bool ModemSession::servesRate(std::uint32_t rate) const {
    return m_bauds.empty() || std::find(m_bauds.begin(), m_bauds.end(), rate) != m_bauds.end();
}

std::vector<SessionOutput> ModemSession::feed(std::string_view bytes, std::uint32_t rateNow,
                                              SimTime now) {
    std::vector<SessionOutput> out;
    std::size_t at = 0;
    while (at < bytes.size()) {
        if (calls().state() == CallState::DataOnline) {
            at += dataBytes(out, bytes.substr(at), now);
        } else {
            commandByte(out, bytes[at++], rateNow, now);
        }
    }
    return out;
}

void ModemSession::commandByte(std::vector<SessionOutput>& out, char byte, std::uint32_t rateNow,
                               SimTime now) {
    const ModemProfile& profile = m_interpreter.profile();
    // Any character gives up a dial in progress. A modem would drop that character; here it
    // starts the next command line, so "ATH" right after it still hangs up. The LF of the
    // dial line's own CR LF is no such character.
    if (!m_muted && byte != '\n' && calls().abandonDial()) {
        append(out, SessionOutput::Kind::Reply, formatResult(profile, ResultCode::NoCarrier));
    }
    const AssembledByte assembled =
        m_assembler.push(byte, rateNow, profile.terminator(), profile.editing());
    if (assembled.ignored) {
        return;
    }
    // Echo goes out byte by byte as the modem hears it, so the terminator is echoed before
    // the command runs, and an ATE0 line is still echoed itself.
    if (!m_muted && profile.echo && servesRate(assembled.lineRate)) {
        appendEcho(out, byte);
    }
    if (assembled.completed) {
        completeLine(out, *assembled.completed, now);
    }
}

std::size_t ModemSession::dataBytes(std::vector<SessionOutput>& out, std::string_view bytes,
                                    SimTime now) {
    if (m_muted) {
        m_counters.dataBytesReceived += bytes.size();
        return bytes.size();
    }
    std::size_t skipped = 0;
    if (std::exchange(m_dropLineFeed, false) && bytes.front() == '\n') {
        skipped = 1;
        bytes.remove_prefix(1);
    }
    const EscapeStep step = m_escape.feed(bytes, now);
    m_counters.dataBytesReceived += step.consumed;
    passData(out, step.data);
    if (step.escaped) {
        endEscape(out);
    }
    return skipped + step.consumed;
}

void ModemSession::appendEcho(std::vector<SessionOutput>& out, char byte) const {
    append(out, SessionOutput::Kind::Echo, {&byte, 1});
}

void ModemSession::completeLine(std::vector<SessionOutput>& out, const CompletedLine& line,
                                SimTime now) {
    ++m_counters.linesReceived;
    if (m_lineLog.size() == kLineLogSize) {
        m_lineLog.pop_front();
    }
    m_lineLog.push_back(line.text);
    if (m_muted || !servesRate(line.rate)) {
        ++m_counters.linesIgnored;
        return;
    }
    std::optional<std::string> reply =
        m_interpreter.execute(line.text, line.overflowed, {line.rate, now});
    if (!reply) {
        return;
    }
    ++m_counters.linesAnswered;
    if (!reply->empty()) {
        append(out, SessionOutput::Kind::Reply, *reply);
        out.back().line = line.text;
    }
    // A dial without delay has its outcome at once.
    collectDialOutcome(out, now);
    if (calls().state() == CallState::DataOnline) {
        greet(out);
        startData(now);
        m_dropLineFeed = true;
    }
}

void ModemSession::greet(std::vector<SessionOutput>& out) {
    const std::string greeting = calls().takeGreeting();
    if (!greeting.empty() && !out.empty()) {
        // In the same write as the CONNECT line: the far end does not wait for the modem.
        out.back().bytes += greeting;
    }
}

std::vector<SessionOutput> ModemSession::tick(SimTime now) {
    std::vector<SessionOutput> out;
    collectDialOutcome(out, now);
    if (calls().takeRing(now)) {
        incomingRing(out);
    }
    if (calls().state() == CallState::DataOnline) {
        const EscapeStep step = m_escape.tick(now);
        passData(out, step.data);
        if (step.escaped) {
            endEscape(out);
        }
    }
    return out;
}

std::optional<SimTime> ModemSession::nextDeadline() const {
    std::optional<SimTime> deadline = calls().nextDeadline();
    if (calls().state() == CallState::DataOnline) {
        if (const std::optional<SimTime> escape = m_escape.deadline()) {
            deadline = deadline ? std::min(*deadline, *escape) : *escape;
        }
    }
    return deadline;
}

void ModemSession::collectDialOutcome(std::vector<SessionOutput>& out, SimTime now) {
    const CallType type = calls().call().type;
    const std::optional<DialOutcome> outcome = calls().takeDialOutcome(now);
    if (!outcome) {
        return;
    }
    const ResultCode code = dialResult(*outcome, type);
    const std::string detail =
        code == ResultCode::Connect ? connectDetail(calls().call().rate) : std::string{};
    append(out, SessionOutput::Kind::Reply, formatResult(profile(), code, detail));
    if (calls().state() == CallState::DataOnline) {
        greet(out);
        startData(now);
    }
}

void ModemSession::passData(std::vector<SessionOutput>& out, std::string_view data) const {
    if (calls().options().data == DataHandling::Echo) {
        append(out, SessionOutput::Kind::Data, data);
    }
}

void ModemSession::startData(SimTime now) {
    m_escape.reset(EscapeRule::from(profile()), now);
}

void ModemSession::endEscape(std::vector<SessionOutput>& out) {
    calls().escape();
    append(out, SessionOutput::Kind::Reply, formatResult(profile(), ResultCode::Ok));
}

void ModemSession::incomingRing(std::vector<SessionOutput>& out) const {
    if (profile().extendedRing) {
        report(calls().call().type == CallType::Data ? "+CRING: DATA" : "+CRING: VOICE", out);
    } else {
        append(out, SessionOutput::Kind::Unsolicited, formatResult(profile(), ResultCode::Ring));
    }
}

bool ModemSession::incomingCall(IncomingCall call, SimTime now, std::vector<SessionOutput>& out) {
    if (!calls().ring(std::move(call), now)) {
        return false;
    }
    incomingRing(out);
    return true;
}

bool ModemSession::remoteHangup(std::vector<SessionOutput>& out) {
    switch (calls().remoteHangup()) {
        case CallStateMachine::RemoteEnd::Nothing:
            return false;
        case CallStateMachine::RemoteEnd::RingingEnds:
            return true;
        case CallStateMachine::RemoteEnd::CarrierLost:
            break;
    }
    // Escape characters held back go with the call.
    m_escape.reset(EscapeRule::from(profile()), {});
    m_dropLineFeed = false;
    append(out, SessionOutput::Kind::Unsolicited, formatResult(profile(), ResultCode::NoCarrier));
    return true;
}

bool ModemSession::remoteData(std::string_view bytes, std::vector<SessionOutput>& out) {
    if (calls().state() != CallState::DataOnline) {
        return false;
    }
    append(out, SessionOutput::Kind::Data, bytes);
    return true;
}

void ModemSession::tones(std::string_view digits, std::vector<SessionOutput>& out) {
    for (const char digit : digits) {
        report(std::string{"+DTMF: "} + digit, out);
    }
}

std::optional<std::size_t> ModemSession::messageArrived(StoredMessage message,
                                                        std::optional<std::size_t> index,
                                                        std::vector<SessionOutput>& out) {
    if (index) {
        if (!messages().store(*index, std::move(message))) {
            return std::nullopt;
        }
    } else {
        index = messages().storeInFreeSlot(std::move(message));
        if (!index) {
            return std::nullopt;
        }
    }
    // The storage new messages go to; "MT" stands for the SIM and the phone together and
    // is no place of its own.
    const std::string& storage = messages().selected()[2];
    report("+CMTI: \"" + (storage == "MT" ? std::string{"SM"} : storage) + "\"," +
               std::to_string(*index),
           out);
    return index;
}

void ModemSession::report(std::string_view text, std::vector<SessionOutput>& out) const {
    append(out, SessionOutput::Kind::Unsolicited, formatInformation(profile(), text));
}

}  // namespace sim
