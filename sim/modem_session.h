#pragma once

// The modem as seen from the line, without any I/O: received bytes go in together with the
// line rate in force and the time, and out come the bytes to send back, in order, each
// marked with how it goes out. Between command lines the modem may be in a data call, where
// received bytes are data; time alone brings a dial's outcome, a repeated ring and the end
// of a "+++" escape (tick); and the far end and the network act through their own calls.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/at_interpreter.h"
#include "sim/escape_detector.h"
#include "sim/line_assembler.h"
#include "sim/sim_clock.h"

namespace sim {

struct SessionOutput {
    enum class Kind {
        Echo,         // the modem echoing a command line: sent at once
        Reply,        // a reply to a command line, final result codes included: the reply
                      // faults (delay, chunks, garbage) apply
        Data,         // call data from the far end: sent at once
        Unsolicited,  // a report nobody asked for: sent at once
    };
    Kind kind = Kind::Echo;
    std::string bytes;
    std::string line;  // of a reply: the command line it answers, without its terminator
};

struct SessionCounters {
    std::uint64_t linesReceived = 0;  // every terminated line, answered or not
    std::uint64_t linesAnswered = 0;
    std::uint64_t linesIgnored = 0;       // heard at a rate the modem does not serve, or muted
    std::uint64_t dataBytesReceived = 0;  // taken as call data while a data call was online
};

class ModemSession {
public:
    static constexpr std::size_t kLineLogSize = 256;

    // bauds: the line rates the modem answers at; empty means every rate.
    explicit ModemSession(ModemProfile defaults = {}, std::vector<std::uint32_t> bauds = {},
                          CallOptions callOptions = {});

    // A muted modem still takes bytes off the wire but neither echoes, answers nor passes
    // call data.
    void setMuted(bool muted) { m_muted = muted; }

    std::vector<SessionOutput> feed(std::string_view bytes, std::uint32_t rateNow,
                                    SimTime now = SimClock::now());
    // What has fallen due by now.
    std::vector<SessionOutput> tick(SimTime now);
    // When tick next has something to do; nullopt: only bytes or the far end can change
    // anything.
    std::optional<SimTime> nextDeadline() const;

    // The far end and the network. Each appends what the application is told to out.
    // A call comes in and rings once (RING, or +CRING with AT+CRC=1); false when the line is
    // not free.
    bool incomingCall(IncomingCall call, SimTime now, std::vector<SessionOutput>& out);
    // The far end hangs up: NO CARRIER for a call up or being dialled, silence for one
    // ringing; false when there was no call.
    bool remoteHangup(std::vector<SessionOutput>& out);
    // Data from the far end; false (and nothing sent) unless a data call is online.
    bool remoteData(std::string_view bytes, std::vector<SessionOutput>& out);
    // One "+DTMF: <digit>" report for each digit received from the far end.
    void tones(std::string_view digits, std::vector<SessionOutput>& out);
    // A message arrives: stored at index (or the lowest free one) and reported with
    // +CMTI. Nullopt when it cannot be stored.
    std::optional<std::size_t> messageArrived(StoredMessage message,
                                              std::optional<std::size_t> index,
                                              std::vector<SessionOutput>& out);
    // Any other unsolicited report line, framed as the settings ask.
    void report(std::string_view text, std::vector<SessionOutput>& out) const;

    bool servesRate(std::uint32_t rate) const;
    const ModemProfile& profile() const { return m_interpreter.profile(); }
    CallStateMachine& calls() { return m_interpreter.calls(); }
    const CallStateMachine& calls() const { return m_interpreter.calls(); }
    MessageStore& messages() { return m_interpreter.messages(); }
    const MessageStore& messages() const { return m_interpreter.messages(); }
    const SessionCounters& counters() const { return m_counters; }
    // The last kLineLogSize command lines heard, oldest first, without their terminators.
    const std::deque<std::string>& lineLog() const { return m_lineLog; }

private:
    void commandByte(std::vector<SessionOutput>& out, char byte, std::uint32_t rateNow,
                     SimTime now);
    std::size_t dataBytes(std::vector<SessionOutput>& out, std::string_view bytes, SimTime now);
    void appendEcho(std::vector<SessionOutput>& out, char byte) const;
    void completeLine(std::vector<SessionOutput>& out, const CompletedLine& line, SimTime now);
    void collectDialOutcome(std::vector<SessionOutput>& out, SimTime now);
    void passData(std::vector<SessionOutput>& out, std::string_view data) const;
    void greet(std::vector<SessionOutput>& out);
    void startData(SimTime now);
    void endEscape(std::vector<SessionOutput>& out);
    void incomingRing(std::vector<SessionOutput>& out) const;

    AtInterpreter m_interpreter;
    LineAssembler m_assembler;
    EscapeDetector m_escape;
    std::vector<std::uint32_t> m_bauds;
    bool m_muted = false;
    // The LF of the CR LF that ended a command line going online is not data.
    bool m_dropLineFeed = false;
    SessionCounters m_counters;
    std::deque<std::string> m_lineLog;
};

}  // namespace sim
