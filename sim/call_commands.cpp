// The commands that place, take and end calls, and the ones that describe them.

#include <cctype>
#include <optional>
#include <string>

#include "sim/command_table.h"

namespace sim {

namespace {

struct DialString {
    std::string number;
    CallType type = CallType::Data;
};

// A dial string is the number with the dial modifiers a modem accepts and skips (tone,
// pulse, wait, pause, flash, and the punctuation people write numbers with); a final ";"
// asks for a voice call.
std::optional<DialString> parseDialString(std::string_view text) {
    DialString dial;
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    if (text.ends_with(';')) {
        dial.type = CallType::Voice;
        text.remove_suffix(1);
    }
    for (const char raw : text) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(raw)));
        if ((c >= '0' && c <= '9') || c == '*' || c == '#' || c == '+' || (c >= 'A' && c <= 'D')) {
            dial.number.push_back(c);
        } else if (std::string_view{"TPW,@! -()"}.find(c) == std::string_view::npos) {
            return std::nullopt;
        }
    }
    if (dial.number.empty()) {
        return std::nullopt;
    }
    return dial;
}

ResultCode dial(CommandContext& ctx, const AtCommand& cmd) {
    const std::optional<DialString> dial = parseDialString(cmd.argument);
    if (!dial || !ctx.calls.dial(dial->number, dial->type, ctx.line.rate, ctx.line.time)) {
        return ResultCode::Error;
    }
    return ctx.defer();
}

ResultCode answer(CommandContext& ctx, const AtCommand& cmd) {
    if (cmd.number) {
        return ResultCode::Error;
    }
    const std::optional<CallType> type = ctx.calls.answer(ctx.line.rate);
    if (!type) {
        return ResultCode::NoCarrier;
    }
    return *type == CallType::Voice ? ResultCode::Ok : ctx.connect(ctx.calls.call().rate);
}

ResultCode hangup(CommandContext& ctx, const AtCommand& cmd) {
    if (cmd.number.value_or(0) != 0) {
        return ResultCode::Error;
    }
    ctx.calls.hangup();
    return ResultCode::Ok;
}

ResultCode online(CommandContext& ctx, const AtCommand& cmd) {
    if (cmd.number.value_or(0) != 0) {
        return ResultCode::Error;
    }
    if (!ctx.calls.resumeData()) {
        return ResultCode::NoCarrier;
    }
    return ctx.connect(ctx.calls.call().rate);
}

// +CLCC: <id>,<dir>,<stat>,<mode>,<mpty>[,<number>,<type>], the number left out when the
// caller withholds it.
ResultCode listCalls(CommandContext& ctx, const AtCommand& cmd) {
    if (cmd.form == CommandForm::Test) {
        return ResultCode::Ok;
    }
    if (cmd.form != CommandForm::Action) {
        return ResultCode::Error;
    }
    const CallState state = ctx.calls.state();
    if (state == CallState::Idle) {
        return ResultCode::Ok;
    }
    // A dial in progress never gets here: the command line itself gave it up.
    const Call& call = ctx.calls.call();
    const char* status = state == CallState::Ringing ? "4" : "0";  // incoming or active
    std::string line = std::string{"+CLCC: 1,"} + (call.incoming ? "1," : "0,") + status + "," +
                       (call.type == CallType::Data ? "1" : "0") + ",0";
    if (!call.number.empty()) {
        line += ",\"" + call.number + "\"," + (call.number.starts_with('+') ? "145" : "129");
    }
    ctx.information(line);
    return ResultCode::Ok;
}

}  // namespace

void addCallCommands(CommandTable& table) {
    table.add("D", dial);
    table.add("A", answer);
    table.add("H", hangup);
    table.add("O", online);
    table.add("+CLCC", listCalls);
    table.add("+CRC", extendedSwitch("+CRC", &ModemProfile::extendedRing));
}

}  // namespace sim
