#include "modem/modem_module/impl/thread_commands.h"

#include <cassert>

#include "modem/modem_module/modem_phone_events_handler.h"

SimpleThreadCommand::SimpleThreadCommand(ModemPort& port, const ATCmd& cmd, AtCmdResultFn onResult,
                                         void* context)
    : m_onResult(onResult), m_context(context), m_port(port), m_cmd(cmd) {}

bool SimpleThreadCommand::execute(CommandsThread& /*thread*/) {
    // A command a stop kept off the line has no outcome to report.
    return m_port.execute(m_cmd) && m_onResult != nullptr;
}

void SimpleThreadCommand::notify() {
    if (m_onResult != nullptr) {
        m_onResult(m_context, m_cmd);
    }
}

AdjustedThreadCommand::AdjustedThreadCommand(ModemPort& port, const AdjustedAtCmd& cmd,
                                             AtCmdResultFn onResult, void* context)
    : m_onResult(onResult), m_context(context), m_port(port), m_cmd(cmd) {}

bool AdjustedThreadCommand::execute(CommandsThread& /*thread*/) {
    return m_port.execute(m_cmd) && m_onResult != nullptr;
}

void AdjustedThreadCommand::notify() {
    if (m_onResult != nullptr) {
        m_onResult(m_context, m_cmd);
    }
}

DataBufferEmptyThreadCommand::DataBufferEmptyThreadCommand(ModemPhoneEventsHandler* handler)
    : m_handler(handler) {}

bool DataBufferEmptyThreadCommand::execute(CommandsThread& /*thread*/) {
    return true;
}

void DataBufferEmptyThreadCommand::notify() {
    assert(m_handler);
    m_handler->onDataBufferEmpty();
}
