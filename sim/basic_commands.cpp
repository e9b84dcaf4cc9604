// The basic (single letter) commands of a Hayes modem that set it up rather than place calls.

#include <string>

#include "sim/command_table.h"

namespace sim {

namespace {

// E and V take 0 or 1; a missing number means 0.
CommandHandler switchCommand(bool ModemProfile::*setting) {
    return [setting](CommandContext& ctx, const AtCommand& cmd) {
        const unsigned value = cmd.number.value_or(0);
        if (value > 1) {
            return ResultCode::Error;
        }
        ctx.profile.*setting = value == 1;
        return ResultCode::Ok;
    };
}

ResultCode identify(CommandContext& ctx, const AtCommand& cmd) {
    if (cmd.number.value_or(0) != 0) {
        return ResultCode::Error;
    }
    // One information response of several lines, as modems answer ATI.
    const std::string lineEnd{ctx.profile.terminator(), ctx.profile.formatting()};
    ctx.information(std::string{ctx.identity.manufacturer} + lineEnd +
                    std::string{ctx.identity.model} + lineEnd +
                    "Revision: " + std::string{ctx.identity.revision});
    return ResultCode::Ok;
}

ResultCode restoreProfile(CommandContext& ctx, const AtCommand& cmd) {
    if (cmd.number.value_or(0) != 0) {
        return ResultCode::Error;
    }
    ctx.profile = ctx.defaults;
    return ResultCode::Ok;
}

// A reset drops the line as well, as on the modems it imitates.
ResultCode reset(CommandContext& ctx, const AtCommand& cmd) {
    const ResultCode result = restoreProfile(ctx, cmd);
    if (result == ResultCode::Ok) {
        ctx.calls.hangup();
    }
    return result;
}

// Register values are read back as three decimal digits, as V.250 asks.
ResultCode sRegister(CommandContext& ctx, const AtCommand& cmd) {
    const unsigned index = cmd.number.value_or(0);
    if (index >= ModemProfile::kRegisterCount) {
        return ResultCode::Error;
    }
    if (cmd.form == CommandForm::Read) {
        std::string text = std::to_string(ctx.profile.registers[index]);
        ctx.information(std::string(3 - text.size(), '0') + text);
        return ResultCode::Ok;
    }
    const unsigned long value = std::stoul(cmd.argument);
    if (value > 255) {
        return ResultCode::Error;
    }
    ctx.profile.registers[index] = static_cast<std::uint8_t>(value);
    return ResultCode::Ok;
}

}  // namespace

void addBasicCommands(CommandTable& table) {
    table.add("E", switchCommand(&ModemProfile::echo));
    table.add("V", switchCommand(&ModemProfile::verbose));
    table.add("I", identify);
    table.add("Z", reset);
    table.add("&F", restoreProfile);
    table.add("S", sRegister);
}

}  // namespace sim
