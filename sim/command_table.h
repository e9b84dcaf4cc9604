#pragma once

// The commands the modem knows, by name, and what a command's handler may touch. Each
// family of commands lives in its own source file and adds itself with an add...Commands
// function; the interpreter only looks names up here.

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "sim/at_command_parser.h"
#include "sim/modem_profile.h"
#include "sim/result_codes.h"

namespace sim {

class CommandContext {
public:
    CommandContext(ModemProfile& current, const ModemProfile& stored, const ModemIdentity& ident,
                   std::string& output)
        : profile(current), defaults(stored), identity(ident), m_output(output) {}

    ModemProfile& profile;
    const ModemProfile& defaults;  // what AT&F and ATZ go back to
    const ModemIdentity& identity;

    // Sends one information response, framed by the settings in force right now.
    void information(std::string_view text);

private:
    std::string& m_output;
};

// Returns Ok to go on with the rest of the line; any other code ends the line with it.
using CommandHandler = std::function<ResultCode(CommandContext&, const AtCommand&)>;

class CommandTable {
public:
    void add(std::string name, CommandHandler handler);
    const CommandHandler* find(std::string_view name) const;

private:
    std::map<std::string, CommandHandler, std::less<>> m_handlers;
};

// E, V, I, Z, &F and the S registers.
void addBasicCommands(CommandTable& table);
// +CSQ and the identification commands +CGMI, +CGMM, +CGMR, +CGSN.
void addGeneralCommands(CommandTable& table);

}  // namespace sim
