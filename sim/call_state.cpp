#include "sim/call_state.h"

#include <chrono>
#include <utility>

namespace sim {

bool CallStateMachine::connected() const {
    return m_state == CallState::Voice || m_state == CallState::DataOnline ||
           m_state == CallState::DataCommand;
}

std::string CallStateMachine::takeGreeting() {
    if (m_state != CallState::DataOnline || m_call.greeted) {
        return {};
    }
    m_call.greeted = true;
    return m_options.greeting;
}

bool CallStateMachine::dial(std::string number, CallType type, std::uint32_t lineRate,
                            SimTime now) {
    if (m_state != CallState::Idle) {
        return false;
    }
    m_state = CallState::Dialling;
    m_call = Call{type, false, std::move(number), reportedRate(lineRate)};
    m_pendingOutcome = m_options.dial.outcome;
    m_outcomeAt.reset();
    if (m_pendingOutcome != DialOutcome::NoReply) {
        m_outcomeAt = now + std::chrono::milliseconds(m_options.dial.delayMs);
    }
    return true;
}

std::optional<DialOutcome> CallStateMachine::takeDialOutcome(SimTime now) {
    if (m_state != CallState::Dialling || !m_outcomeAt || now < *m_outcomeAt) {
        return std::nullopt;
    }
    m_outcomeAt.reset();
    if (m_pendingOutcome == DialOutcome::Connect) {
        m_state = m_call.type == CallType::Voice ? CallState::Voice : CallState::DataOnline;
    } else {
        becomeIdle();
    }
    return m_pendingOutcome;
}

bool CallStateMachine::abandonDial() {
    if (m_state != CallState::Dialling) {
        return false;
    }
    becomeIdle();
    return true;
}

std::optional<CallType> CallStateMachine::answer(std::uint32_t lineRate) {
    if (m_state != CallState::Ringing) {
        return std::nullopt;
    }
    m_call.rate = reportedRate(lineRate);
    m_nextRingAt.reset();
    m_state = m_call.type == CallType::Voice ? CallState::Voice : CallState::DataOnline;
    return m_call.type;
}

void CallStateMachine::hangup() {
    becomeIdle();
}

bool CallStateMachine::resumeData() {
    if (m_state != CallState::DataCommand) {
        return false;
    }
    m_state = CallState::DataOnline;
    return true;
}

void CallStateMachine::escape() {
    if (m_state == CallState::DataOnline) {
        m_state = CallState::DataCommand;
    }
}

bool CallStateMachine::ring(IncomingCall call, SimTime now) {
    if (m_state != CallState::Idle) {
        return false;
    }
    m_state = CallState::Ringing;
    m_call = Call{call.type, true, std::move(call.number), 0};
    m_ringEveryMs = call.ringEveryMs;
    m_nextRingAt.reset();
    if (m_ringEveryMs > 0) {
        m_nextRingAt = now + std::chrono::milliseconds(m_ringEveryMs);
    }
    return true;
}

bool CallStateMachine::takeRing(SimTime now) {
    if (m_state != CallState::Ringing || !m_nextRingAt || now < *m_nextRingAt) {
        return false;
    }
    // Scheduled from the moment it fell due, not from now, so a late service does not
    // stretch the cadence.
    m_nextRingAt = *m_nextRingAt + std::chrono::milliseconds(m_ringEveryMs);
    if (*m_nextRingAt <= now) {
        m_nextRingAt = now + std::chrono::milliseconds(m_ringEveryMs);
    }
    return true;
}

CallStateMachine::RemoteEnd CallStateMachine::remoteHangup() {
    switch (m_state) {
        case CallState::Idle:
            return RemoteEnd::Nothing;
        case CallState::Ringing:
            becomeIdle();
            return RemoteEnd::RingingEnds;
        case CallState::Dialling:
        case CallState::Voice:
        case CallState::DataOnline:
        case CallState::DataCommand:
            break;
    }
    becomeIdle();
    return RemoteEnd::CarrierLost;
}

std::optional<SimTime> CallStateMachine::nextDeadline() const {
    if (m_state == CallState::Dialling) {
        return m_outcomeAt;
    }
    if (m_state == CallState::Ringing) {
        return m_nextRingAt;
    }
    return std::nullopt;
}

std::uint32_t CallStateMachine::reportedRate(std::uint32_t lineRate) const {
    return m_options.connectRate != 0 ? m_options.connectRate : lineRate;
}

void CallStateMachine::becomeIdle() {
    m_state = CallState::Idle;
    m_call = {};
    m_outcomeAt.reset();
    m_nextRingAt.reset();
    m_ringEveryMs = 0;
}

}  // namespace sim
