#pragma once

// Runs one command list against an open modem facade: each line becomes a command with its
// expected answer, queued on the facade's worker in list order. Each judges only its own
// reply: a late answer to an earlier command, waiting on the line or arriving ahead of the
// command's echo, is shown as stray and never judged, nor is the echo. Results come back one per
// command, in the same order, on the user-interface thread through onAtCmdResult; a command
// whose port fails gives no result (the facade reports the failure as an error event).
//
// The queued commands carry copies of all they need, so the executor may go as soon as run()
// has returned.

#include <filesystem>

#include "modem/at_cmd_param_mt.h"
#include "modem/modem_module/impl/thread_commands.h"

class ModemPhoneImpl;

class ModemAdjusterMt {
public:
    // facade must be open and outlive run().
    explicit ModemAdjusterMt(ModemPhoneImpl& facade);
    ModemAdjusterMt(const ModemAdjusterMt&) = delete;
    ModemAdjusterMt& operator=(const ModemAdjusterMt&) = delete;

    // Appends the valid lines of the command list file at path; the owner looks at
    // hasCommands() rather than at the result.
    bool load(const std::filesystem::path& path);
    bool hasCommands() const { return !m_commands.empty(); }
    // The commands in the order run() queues them.
    const AtCmdParamMtList& commands() const { return m_commands; }

    // Queues every command and returns at once. onAtCmdResult must be set.
    void run();

    AtCmdResultFn onAtCmdResult = nullptr;
    void* onAtCmdResultContext = nullptr;

private:
    ModemPhoneImpl* m_facade;
    AtCmdParamMtList m_commands;
};
