#include "modem/modem_module/impl/call_thread_commands.h"

#include <cassert>
#include <utility>

#include "modem/modem_port.h"

namespace {

// The reason every call end of call control reports: "NO CARRIER".
constexpr int kNoCarrier = 2;

}  // namespace

StartCallThreadCommand::StartCallThreadCommand(ModemPort& port, std::string number,
                                               bool dataMode)
    : m_number(std::move(number)), m_port(port), m_dataMode(dataMode) {}

bool StartCallThreadCommand::execute(CommandsThread& /*thread*/) {
    DialAtCommand dial(m_number, m_dataMode);
    m_port.execute(dial);
    m_success = dial.is_complete() && dial.result();
    return true;
}

void StartCallThreadCommand::notify() {
    if (m_success) {
        assert(onConnectEstablished);
        onConnectEstablished();
    } else {
        assert(onConnectReset);
        onConnectReset(kNoCarrier);
    }
}

AnswerCallThreadCommand::AnswerCallThreadCommand(ModemPort& port) : m_port(port) {}

bool AnswerCallThreadCommand::execute(CommandsThread& /*thread*/) {
    m_port.execute(m_cmd);
    m_success = m_cmd.is_complete() && m_cmd.result();
    return true;
}

void AnswerCallThreadCommand::notify() {
    if (!m_success) {
        assert(onDisconnect);
        onDisconnect(kNoCarrier);
        return;
    }
    if (m_cmd.ok()) {
        assert(onVoiceConnectEstablished);
        onVoiceConnectEstablished();
    }
    if (m_cmd.connect()) {
        assert(onDataConnectEstablished);
        onDataConnectEstablished();
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
    onDisconnect(kNoCarrier);
}
