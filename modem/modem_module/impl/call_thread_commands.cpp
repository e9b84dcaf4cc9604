#include "modem/modem_module/impl/call_thread_commands.h"

#include <cassert>
#include <utility>

#include "modem/disconnect_reason.h"
#include "modem/modem_module/impl/pending_input.h"
#include "modem/modem_port.h"

StartCallThreadCommand::StartCallThreadCommand(ModemPort& port, std::string number, bool dataMode,
                                               PendingInput* pending)
    : m_number(std::move(number)),
      m_port(port),
      m_dataMode(dataMode),
      m_pending(pending),
      m_stopMark(port.stop_mark()) {}

bool StartCallThreadCommand::execute(CommandsThread& /*thread*/) {
    DialAtCommand dial(m_number, m_dataMode);
    m_ran = m_port.execute_unless_stopped_since(dial, m_stopMark);
    m_success = dial.is_complete() && dial.result();
    m_reason = m_ran ? dial.failure_reason() : DisconnectReason::none;
    m_connectDetail = dial.connect_detail();
    if (m_success && m_pending != nullptr) {
        m_pending->keep(dial.rest());
    }
    return true;
}

void StartCallThreadCommand::notify() {
    if (m_success) {
        assert(onConnectEstablished);
        onConnectEstablished(m_connectDetail);
    } else {
        assert(onConnectReset);
        onConnectReset(m_reason);
    }
}

AnswerCallThreadCommand::AnswerCallThreadCommand(ModemPort& port, PendingInput* pending)
    : m_port(port), m_pending(pending), m_stopMark(port.stop_mark()) {}

bool AnswerCallThreadCommand::execute(CommandsThread& /*thread*/) {
    m_ran = m_port.execute_unless_stopped_since(m_cmd, m_stopMark);
    m_success = m_cmd.is_complete() && m_cmd.result();
    if (m_success && m_pending != nullptr) {
        m_pending->keep(m_cmd.rest());
    }
    return true;
}

void AnswerCallThreadCommand::notify() {
    if (!m_success) {
        assert(onDisconnect);
        onDisconnect(m_ran ? DisconnectReason::noCarrier : DisconnectReason::none);
        return;
    }
    if (m_cmd.ok()) {
        assert(onVoiceConnectEstablished);
        onVoiceConnectEstablished({});
    }
    if (m_cmd.connect()) {
        assert(onDataConnectEstablished);
        onDataConnectEstablished(m_cmd.connect_detail());
    }
}

HangupThreadCommand::HangupThreadCommand(ModemPort& port) : m_port(port) {}

bool HangupThreadCommand::execute(CommandsThread& /*thread*/) {
    HangupAtCommand hangup;
    m_port.execute(hangup);
    return true;
}

void HangupThreadCommand::notify() {
    assert(onDisconnect);
    onDisconnect(DisconnectReason::noCarrier);
}
