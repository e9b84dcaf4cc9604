#pragma once

// Call control on the command worker: each command executes its AT command on the worker and
// reports the outcome through callbacks on the user-interface thread. Every callback must be
// set before the command is queued.
//
// A dial or answer that is still queued when a hang-up (or any stop of the port) is asked for
// does not run: the stop ends the exchange under way only, and the next exchange would clear
// it, so the command compares the port's stop mark with the one it took when it was made. It
// then reports the call's end with reason 0.

#include <cstdint>
#include <functional>
#include <string>

#include "modem/modem_module/impl/call_at_commands.h"
#include "modem/modem_module/impl/thread_command.h"

class ModemPort;
class PendingInput;

// Receives the rest of the modem's CONNECT line (empty for a voice call's "OK").
using ConnectCallback = std::function<void(const std::string& detail)>;

class StartCallThreadCommand : public ThreadCommand {
public:
    // pending (may be null) receives what the modem sent right behind its CONNECT line: the
    // call's first data, for the next read of the line.
    StartCallThreadCommand(ModemPort& port, std::string number, bool dataMode,
                           PendingInput* pending = nullptr);
    bool execute(CommandsThread& thread) override;
    void notify() override;

    ConnectCallback onConnectEstablished;
    // A failed dial reports the word that ended it (DialAtCommand::failure_reason); a dial
    // that never ran, 0.
    std::function<void(int reason)> onConnectReset;

private:
    std::string m_number;
    ModemPort& m_port;
    bool m_dataMode;
    PendingInput* m_pending;
    std::uint64_t m_stopMark;
    bool m_ran = false;
    bool m_success = false;
    int m_reason = 0;
    std::string m_connectDetail;
};

class AnswerCallThreadCommand : public ThreadCommand {
public:
    explicit AnswerCallThreadCommand(ModemPort& port, PendingInput* pending = nullptr);
    bool execute(CommandsThread& thread) override;
    void notify() override;

    ConnectCallback onVoiceConnectEstablished;
    ConnectCallback onDataConnectEstablished;
    std::function<void(int reason)> onDisconnect;

private:
    ModemPort& m_port;
    PendingInput* m_pending;
    std::uint64_t m_stopMark;
    AnswerAtCommand m_cmd;
    bool m_ran = false;
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
