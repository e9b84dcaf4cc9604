#include "sim/command_table.h"

#include <charconv>
#include <utility>

#include "sim/response_formatter.h"

namespace sim {

void CommandContext::information(std::string_view text) {
    m_output += formatInformation(profile, text);
}

ResultCode CommandContext::connect(std::uint32_t rate) {
    m_detail = connectDetail(rate);
    return ResultCode::Connect;
}

ResultCode CommandContext::defer() {
    m_deferred = true;
    return ResultCode::Ok;
}

ResultCode CommandContext::messageError(int code) {
    if (!profile.errorCodes) {
        return ResultCode::Error;
    }
    m_detail = ": " + std::to_string(code);
    return ResultCode::CmsError;
}

void CommandTable::add(std::string name, CommandHandler handler) {
    m_handlers[std::move(name)] = std::move(handler);
}

const CommandHandler* CommandTable::find(std::string_view name) const {
    const auto it = m_handlers.find(name);
    return it == m_handlers.end() ? nullptr : &it->second;
}

// Read as "+NAME: v", tested as "+NAME: (0,1)".
CommandHandler extendedSwitch(std::string name, bool ModemProfile::*setting) {
    return [name = std::move(name), setting](CommandContext& ctx, const AtCommand& cmd) {
        switch (cmd.form) {
            case CommandForm::Set: {
                const std::optional<unsigned> value = decimalArgument(cmd.argument);
                if (!value || *value > 1) {
                    return ResultCode::Error;
                }
                ctx.profile.*setting = *value == 1;
                return ResultCode::Ok;
            }
            case CommandForm::Read:
                ctx.information(name + ": " + (ctx.profile.*setting ? "1" : "0"));
                return ResultCode::Ok;
            case CommandForm::Test:
                ctx.information(name + ": (0,1)");
                return ResultCode::Ok;
            case CommandForm::Action:
                break;
        }
        return ResultCode::Error;
    };
}

std::optional<unsigned> decimalArgument(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace sim
