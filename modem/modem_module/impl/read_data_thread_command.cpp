#include "modem/modem_module/impl/read_data_thread_command.h"

#include <cassert>
#include <string>
#include <string_view>

#include "modem/disconnect_reason.h"
#include "modem/modem_module/impl/pending_input.h"
#include "modem/modem_module/modem_phone_events_handler.h"
#include "modem/modem_port.h"

ReadDataThreadCommand::ReadDataThreadCommand(ModemPort& port, ModemPhoneEventsHandler* handler,
                                             PendingInput* pending)
    : m_port(port), m_handler(handler), m_pending(pending) {}

bool ReadDataThreadCommand::execute(CommandsThread& /*thread*/) {
    assert(onData);
    assert(onDisconnect);
    if (m_pending != nullptr && !m_pending->empty()) {
        const std::string carried = m_pending->take();
        m_readCmd.on_data(carried.data(), static_cast<int>(carried.size()));
    }
    if (!m_readCmd.is_complete()) {
        m_port.execute(m_readCmd);
    }
    if (m_pending != nullptr) {
        m_pending->keep(m_readCmd.disconnected() ? m_readCmd.rest()
                                                 : m_readCmd.hold_back_unfinished_marker());
    }
    const std::vector<char>& data = m_readCmd.data();
    m_parser.parse(std::string_view(data.data(), data.size()));
    return true;
}

void ReadDataThreadCommand::notify() {
    const std::vector<char>& data = m_readCmd.data();
    if (!data.empty()) {
        onData(data.data(), static_cast<std::uint32_t>(data.size()));
    }
    if (m_readCmd.disconnected()) {
        // "NO CARRIER" and "ERROR" end a data call alike.
        onDisconnect(DisconnectReason::noCarrier);
    }
    if (m_parser.dtmf() && m_handler != nullptr) {
        m_handler->onDtmf(m_parser.digits());
    }
}
