#include "sim/command_table.h"

#include <utility>

#include "sim/response_formatter.h"

namespace sim {

void CommandContext::information(std::string_view text) {
    m_output += formatInformation(profile, text);
}

void CommandTable::add(std::string name, CommandHandler handler) {
    m_handlers[std::move(name)] = std::move(handler);
}

const CommandHandler* CommandTable::find(std::string_view name) const {
    const auto it = m_handlers.find(name);
    return it == m_handlers.end() ? nullptr : &it->second;
}

}  // namespace sim
