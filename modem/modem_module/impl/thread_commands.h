#pragma once

// The thread commands that run one AT command or data transfer on the worker.

#include <type_traits>
#include <utility>

#include "modem/adjusted_at_cmd.h"
#include "modem/at_cmd.h"
#include "modem/modem_module/impl/pending_input.h"
#include "modem/modem_module/impl/thread_command.h"
#include "modem/modem_port.h"

class ModemPhoneEventsHandler;

// Receives an executed AT command on the user-interface thread: is_complete(), result() and
// full_answer() tell the outcome. The modem facade and the command list executor share it.
using AtCmdResultFn = void (*)(void* context, const ATCmd& cmd);

// Runs a copy of an AT command and hands it to the result callback, if one is set. The copy
// is a plain ATCmd whatever the caller built: text, rules, timeout and delay survive; what a
// descendant adds (its name, its parsing, its on_complete) does not.
class SimpleThreadCommand : public ThreadCommand {
public:
    SimpleThreadCommand(ModemPort& port, const ATCmd& cmd, AtCmdResultFn onResult = nullptr,
                        void* context = nullptr);

    // Port errors propagate to the worker. True when a callback is set, whatever the
    // command's result, unless a stop kept the command off the line.
    bool execute(CommandsThread& thread) override;
    void notify() override;

    const ATCmd& command() const { return m_cmd; }

private:
    AtCmdResultFn m_onResult;
    void* m_context;
    ModemPort& m_port;
    ATCmd m_cmd;
};

// As SimpleThreadCommand, for a configured command: the copy keeps substring matching.
class AdjustedThreadCommand : public ThreadCommand {
public:
    AdjustedThreadCommand(ModemPort& port, const AdjustedAtCmd& cmd,
                          AtCmdResultFn onResult = nullptr, void* context = nullptr);

    bool execute(CommandsThread& thread) override;
    void notify() override;

    const AdjustedAtCmd& command() const { return m_cmd; }

private:
    AtCmdResultFn m_onResult;
    void* m_context;
    ModemPort& m_port;
    AdjustedAtCmd m_cmd;
};

// Runs a copy of a command whose outcome nobody waits for. pending (may be null) receives
// what followed the command's final line in its chunk, of a command that keeps it
// (ATCmd::rest): a report right behind the answer is not lost with the command.
template <typename T>
class ExecuteAtCommand : public ThreadCommand {
public:
    ExecuteAtCommand(ModemPort& port, T cmd, PendingInput* pending = nullptr)
        : m_port(port), m_cmd(std::move(cmd)), m_pending(pending) {}

    bool execute(CommandsThread& /*thread*/) override {
        m_port.execute(m_cmd);
        if constexpr (std::is_base_of_v<ATCmd, T>) {
            if (m_pending != nullptr) {
                m_pending->keep(m_cmd.rest());
            }
        }
        return false;
    }

    const T& command() const { return m_cmd; }

private:
    ModemPort& m_port;
    T m_cmd;
    PendingInput* m_pending;
};

// Handed to the worker's synchronize when a data call has nothing left to send.
class DataBufferEmptyThreadCommand : public ThreadCommand {
public:
    explicit DataBufferEmptyThreadCommand(ModemPhoneEventsHandler* handler);

    bool execute(CommandsThread& thread) override;
    // The handler must be set.
    void notify() override;

private:
    ModemPhoneEventsHandler* m_handler;
};
