#include "modem/modem_module/impl/read_data_thread_command.h"

#include <cassert>
#include <string_view>

#include "modem/disconnect_reason.h"
#include "modem/modem_module/modem_phone_events_handler.h"
#include "modem/modem_port.h"

ReadDataThreadCommand::ReadDataThreadCommand(ModemPort& port, ModemPhoneEventsHandler* handler)
    : m_port(port), m_handler(handler) {}

bool ReadDataThreadCommand::execute(CommandsThread& /*thread*/) {
    assert(onData);
    assert(onDisconnect);
    m_port.execute(m_readCmd);
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
