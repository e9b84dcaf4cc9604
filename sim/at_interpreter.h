#pragma once

// Runs command lines: finds the "AT" prefix, parses the body and runs its commands in
// order. The first command that fails ends the line with its result code; the information
// responses of the commands before it have been sent already, as on a real modem.

#include <optional>
#include <string>
#include <string_view>

#include "sim/call_state.h"
#include "sim/command_table.h"
#include "sim/message_store.h"
#include "sim/modem_profile.h"

namespace sim {

class AtInterpreter {
public:
    explicit AtInterpreter(ModemProfile defaults = {}, ModemIdentity identity = {},
                           CallOptions callOptions = {});

    // The reply to one line (received without its terminator), or nullopt when the line
    // holds no "AT": modems ignore such lines without a word. A truncated line (one that
    // overflowed the command buffer) is refused with ERROR and none of it runs. A dial
    // leaves its line without a final result code; the call's outcome brings it.
    std::optional<std::string> execute(std::string_view line, bool truncated = false,
                                       LineMoment moment = {});

    const ModemProfile& profile() const { return m_profile; }
    CallStateMachine& calls() { return m_calls; }
    const CallStateMachine& calls() const { return m_calls; }
    MessageStore& messages() { return m_messages; }
    const MessageStore& messages() const { return m_messages; }

private:
    CommandTable m_commands;
    const ModemProfile m_defaults;
    const ModemIdentity m_identity;
    ModemProfile m_profile;
    CallStateMachine m_calls;
    MessageStore m_messages;
};

}  // namespace sim
