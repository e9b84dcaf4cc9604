#pragma once

// Call control on the command worker: each command executes its AT command on the worker and
// reports the outcome through callbacks on the user-interface thread. Every callback must be
// set before the command is queued.

#include <functional>
#include <string>

#include "modem/modem_module/impl/call_at_commands.h"
#include "modem/modem_module/impl/thread_command.h"

class ModemPort;

class StartCallThreadCommand : public ThreadCommand {
public:
    StartCallThreadCommand(ModemPort& port, std::string number, bool dataMode);
    bool execute(CommandsThread& thread) override;
    void notify() override;

    std::function<void()> onConnectEstablished;
    // Every failed dial reports 2 ("NO CARRIER"), whatever word ended it.
    std::function<void(int reason)> onConnectReset;

private:
    std::string m_number;
    ModemPort& m_port;
    bool m_dataMode;
    bool m_success = false;
};

class AnswerCallThreadCommand : public ThreadCommand {
public:
    explicit AnswerCallThreadCommand(ModemPort& port);
    bool execute(CommandsThread& thread) override;
    void notify() override;

    std::function<void()> onVoiceConnectEstablished;
    std::function<void()> onDataConnectEstablished;
    std::function<void(int reason)> onDisconnect;

private:
    ModemPort& m_port;
    AnswerAtCommand m_cmd;
    bool m_success = false;
};

// Reports the disconnect whatever the modem answered, also when it did not answer at all:
// the line is taken as down either way.
class HangupThreadCommand : public ThreadCommand {
public:
    explicit HangupThreadCommand(ModemPort& port);
    bool execute(CommandsThread& thread) override;
    void notify() override;

    std::function<void(int reason)> onDisconnect;

private:
    ModemPort& m_port;
};
