#include "sim/at_interpreter.h"

#include <utility>

#include "sim/at_command_parser.h"
#include "sim/response_formatter.h"

namespace sim {

namespace {

// Modems look for "AT" (in either letter case) and skip what comes before it: line noise,
// the tail of an earlier reply the application echoed, and so on.
std::optional<std::string_view> commandBody(std::string_view line) {
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {
        const bool a = line[i] == 'A' || line[i] == 'a';
        const bool t = line[i + 1] == 'T' || line[i + 1] == 't';
        if (a && t) {
            return line.substr(i + 2);
        }
    }
    return std::nullopt;
}

}  // namespace

AtInterpreter::AtInterpreter(ModemProfile defaults, ModemIdentity identity, CallOptions callOptions)
    : m_defaults(std::move(defaults)),
      m_identity(identity),
      m_profile(m_defaults),
      m_calls(callOptions) {
    addBasicCommands(m_commands);
    addGeneralCommands(m_commands);
    addCallCommands(m_commands);
    addMessageCommands(m_commands);
}

std::optional<std::string> AtInterpreter::execute(std::string_view line, bool truncated,
                                                  LineMoment moment) {
    const auto body = commandBody(line);
    if (!body) {
        return std::nullopt;
    }
    std::string reply;
    const auto commands = parseCommandBody(*body);
    if (truncated || !commands) {
        return formatResult(m_profile, ResultCode::Error);
    }
    CommandContext context{m_profile, m_defaults, m_identity, {m_calls, m_messages}, moment, reply};
    ResultCode result = ResultCode::Ok;
    for (const AtCommand& command : *commands) {
        const CommandHandler* handler = m_commands.find(command.name);
        result = handler ? (*handler)(context, command) : ResultCode::Error;
        if (result != ResultCode::Ok || context.deferred()) {
            break;
        }
    }
    if (!context.deferred()) {
        reply += formatResult(m_profile, result, context.resultDetail());
    }
    return reply;
}

}  // namespace sim
