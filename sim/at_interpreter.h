#pragma once

// Runs command lines: finds the "AT" prefix, parses the body and runs its commands in
// order. The first command that fails ends the line with its result code; the information
// responses of the commands before it have been sent already, as on a real modem.

#include <optional>
#include <string>
#include <string_view>

#include "sim/command_table.h"
#include "sim/modem_profile.h"

namespace sim {

class AtInterpreter {
public:
    explicit AtInterpreter(ModemProfile defaults = {}, ModemIdentity identity = {});

    // The reply to one line (received without its terminator), or nullopt when the line
    // holds no "AT": modems ignore such lines without a word. A truncated line (one that
    // overflowed the command buffer) is refused with ERROR and none of it runs.
    std::optional<std::string> execute(std::string_view line, bool truncated = false);

    const ModemProfile& profile() const { return m_profile; }

private:
    CommandTable m_commands;
    const ModemProfile m_defaults;
    const ModemIdentity m_identity;
    ModemProfile m_profile;
};

}  // namespace sim
