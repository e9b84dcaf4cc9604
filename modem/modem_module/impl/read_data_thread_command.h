#pragma once

// One read of the line during a call: the data goes to onData, a disconnect marker to
// onDisconnect, key tones to the handler. It starts with what the read before it left
// pending, and leaves pending what follows a disconnect marker and the start of a marker
// cut off by the end of the read, so "NO CARRIER" split across two reads still ends the call.

#include <cstdint>
#include <functional>

#include "modem/modem_module/impl/cmds/read_data_command.h"
#include "modem/modem_module/impl/thread_command.h"
#include "modem/unreclaimed_parser.h"

class ModemPort;
class ModemPhoneEventsHandler;
class PendingInput;

class ReadDataThreadCommand : public ThreadCommand {
public:
    // The handler may be null: tones are then not reported. pending may be null: nothing is
    // then carried from one read to the next.
    ReadDataThreadCommand(ModemPort& port, ModemPhoneEventsHandler* handler,
                          PendingInput* pending = nullptr);

    // Both callbacks must be set before the command is queued.
    bool execute(CommandsThread& thread) override;
    // Data first, then the disconnect (reason 2), then the tones.
    void notify() override;

    std::function<void(const char* data, std::uint32_t length)> onData;
    std::function<void(int reason)> onDisconnect;

private:
    ModemPort& m_port;
    ModemPhoneEventsHandler* m_handler;
    PendingInput* m_pending;
    ReadDataCommand m_readCmd;
    UnreclaimedParser m_parser;
};
