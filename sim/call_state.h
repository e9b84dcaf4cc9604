#pragma once

// The modem's one line: no call, a call ringing in, a call being dialled, or a call up, and
// for a data call whether the modem passes bytes through (online) or listens for commands
// (escaped with "+++"). Pure state and time: the session turns the transitions into result
// codes and reports.

#include <cstdint>
#include <optional>
#include <string>

#include "sim/sim_clock.h"

namespace sim {

enum class CallState {
    Idle,
    Ringing,      // an incoming call waits for ATA
    Dialling,     // ATD sent; the outcome has not come yet
    Voice,        // a voice call is up; the modem stays in command mode
    DataOnline,   // a data call is up and bytes are data
    DataCommand,  // a data call is up, escaped to command mode; ATO goes back
};

enum class CallType { Voice, Data };

// What the far end (or the network) does with a dial. NoReply: the modem never sends a final
// result code; only a byte from the application or a hang-up of the far end ends the attempt.
enum class DialOutcome { Connect, Busy, NoCarrier, NoDialtone, NoAnswer, NoReply };

struct DialPlan {
    DialOutcome outcome = DialOutcome::Connect;
    std::uint32_t delayMs = 0;  // from the dial line to its outcome
};

// What the modem does with the application's bytes while a data call is online: send them
// back (a far end that echoes) or swallow them.
enum class DataHandling { Echo, Sink };

struct CallOptions {
    DialPlan dial;  // applies to every dial until changed
    DataHandling data = DataHandling::Echo;
    std::uint32_t connectRate = 0;  // the rate "CONNECT" reports; 0: the line rate
    // Bytes the far end sends the moment a data call is up, right behind the CONNECT line
    // (a peer that talks first); empty: it waits to be spoken to.
    std::string greeting;
};

struct IncomingCall {
    CallType type = CallType::Voice;
    std::string number;             // empty: the caller withholds the number
    std::uint32_t ringEveryMs = 0;  // repeat the ring report this often; 0: ring once
};

struct Call {
    CallType type = CallType::Voice;
    bool incoming = false;
    std::string number;
    std::uint32_t rate = 0;  // reported with CONNECT
    bool greeted = false;    // the far end has sent its greeting
};

class CallStateMachine {
public:
    explicit CallStateMachine(CallOptions options = {}) : m_options(options) {}

    CallState state() const { return m_state; }
    // The call ringing, being dialled or up; meaningless while idle.
    const Call& call() const { return m_call; }
    bool connected() const;

    const CallOptions& options() const { return m_options; }
    void setDialPlan(DialPlan plan) { m_options.dial = plan; }
    void setDataHandling(DataHandling handling) { m_options.data = handling; }
    void setGreeting(std::string bytes) { m_options.greeting = std::move(bytes); }
    // The far end's greeting, once per data call, as soon as it is online; empty otherwise.
    std::string takeGreeting();

    // ATD. False when the line is not free.
    bool dial(std::string number, CallType type, std::uint32_t lineRate, SimTime now);
    // The outcome of the dial in progress once its time has come; the line has moved on.
    std::optional<DialOutcome> takeDialOutcome(SimTime now);
    // Any byte from the application gives up a dial in progress; true when one was.
    bool abandonDial();

    // ATA: the type of the call taken, or nullopt when nothing rings.
    std::optional<CallType> answer(std::uint32_t lineRate);
    // ATH: ends whatever is on the line, a ringing call included.
    void hangup();
    // ATO: true when a data call waits in command mode; it is online again.
    bool resumeData();
    // A "+++" escape: an online data call goes to command mode.
    void escape();

    // A call comes in; false (and nothing changes) when the line is not free.
    bool ring(IncomingCall call, SimTime now);
    // True when a repeated ring is due; the next one is then scheduled.
    bool takeRing(SimTime now);

    enum class RemoteEnd {
        Nothing,      // no call
        RingingEnds,  // the caller gave up before the answer; modems say nothing
        CarrierLost,  // a call up or being dialled ended: "NO CARRIER"
    };
    RemoteEnd remoteHangup();

    // When takeDialOutcome or takeRing next has something; nullopt: nothing waits.
    std::optional<SimTime> nextDeadline() const;

private:
    std::uint32_t reportedRate(std::uint32_t lineRate) const;
    void becomeIdle();

    CallOptions m_options;
    CallState m_state = CallState::Idle;
    Call m_call;
    DialOutcome m_pendingOutcome = DialOutcome::Connect;
    std::optional<SimTime> m_outcomeAt;  // while dialling, unless the dial never ends
    std::uint32_t m_ringEveryMs = 0;
    std::optional<SimTime> m_nextRingAt;  // while ringing with repeats
};

}  // namespace sim
