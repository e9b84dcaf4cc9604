#pragma once

// The commands the modem knows, by name, and what a command's handler may touch. Each
// family of commands lives in its own source file and adds itself with an add...Commands
// function; the interpreter only looks names up here.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "sim/at_command_parser.h"
#include "sim/call_state.h"
#include "sim/message_store.h"
#include "sim/modem_profile.h"
#include "sim/result_codes.h"
#include "sim/sim_clock.h"

namespace sim {

// The parts of the modem a command line can reach besides its settings.
struct ModemParts {
    CallStateMachine& calls;
    MessageStore& messages;
};

// Where and when the command line was heard.
struct LineMoment {
    std::uint32_t rate = 0;  // the line rate at its first byte
    SimTime time{};
};

class CommandContext {
public:
    CommandContext(ModemProfile& current, const ModemProfile& stored, const ModemIdentity& ident,
                   ModemParts parts, LineMoment moment, std::string& output)
        : profile(current),
          defaults(stored),
          identity(ident),
          calls(parts.calls),
          messages(parts.messages),
          line(moment),
          m_output(output) {}

    ModemProfile& profile;
    const ModemProfile& defaults;  // what AT&F and ATZ go back to
    const ModemIdentity& identity;
    CallStateMachine& calls;
    MessageStore& messages;
    const LineMoment line;

    // Sends one information response, framed by the settings in force right now.
    void information(std::string_view text);

    // The ways a handler ends the line other than with a plain result code:
    // CONNECT with the rate of the call ("CONNECT 9600"; a rate of 0 is left out);
    ResultCode connect(std::uint32_t rate);
    // no final result code now: it follows when the dial in progress has an outcome;
    ResultCode defer();
    // a message service failure: "+CMS ERROR: <code>" when AT+CMEE=1 asks for it, else ERROR.
    ResultCode messageError(int code);

    bool deferred() const { return m_deferred; }
    // The text after the result code's own ("" for most).
    const std::string& resultDetail() const { return m_detail; }

private:
    std::string& m_output;
    bool m_deferred = false;
    std::string m_detail;
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
// +CSQ, +CMEE and the identification commands +CGMI, +CGMM, +CGMR, +CGSN.
void addGeneralCommands(CommandTable& table);
// D, A, H, O, +CLCC and +CRC.
void addCallCommands(CommandTable& table);
// +CPMS, +CMGF, +CMGR and +CMGD.
void addMessageCommands(CommandTable& table);

// An extended command holding a setting of 0 or 1, such as +CMEE or +CRC.
CommandHandler extendedSwitch(std::string name, bool ModemProfile::*setting);

// Parses a whole decimal number argument; nullopt for anything else.
std::optional<unsigned> decimalArgument(std::string_view text);

}  // namespace sim
