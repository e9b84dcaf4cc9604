// Extended commands that report on the modem itself: signal quality, identification and the
// form of error reports.

#include <string>

#include "sim/command_table.h"

namespace sim {

namespace {

// An identification command answers its action form with the text and its test form
// with a bare OK, like the GSM modules these commands come from.
CommandHandler identification(std::string_view ModemIdentity::*field) {
    return [field](CommandContext& ctx, const AtCommand& cmd) {
        switch (cmd.form) {
            case CommandForm::Action:
                ctx.information(ctx.identity.*field);
                return ResultCode::Ok;
            case CommandForm::Test:
                return ResultCode::Ok;
            case CommandForm::Read:
            case CommandForm::Set:
                break;
        }
        return ResultCode::Error;
    };
}

ResultCode signalQuality(CommandContext& ctx, const AtCommand& cmd) {
    switch (cmd.form) {
        case CommandForm::Action:
            ctx.information("+CSQ: 20,99");
            return ResultCode::Ok;
        case CommandForm::Test:
            ctx.information("+CSQ: (0-31,99),(0-7,99)");
            return ResultCode::Ok;
        case CommandForm::Read:
        case CommandForm::Set:
            break;
    }
    return ResultCode::Error;
}

}  // namespace

void addGeneralCommands(CommandTable& table) {
    table.add("+CSQ", signalQuality);
    table.add("+CMEE", extendedSwitch("+CMEE", &ModemProfile::errorCodes));
    table.add("+CGMI", identification(&ModemIdentity::manufacturer));
    table.add("+CGMM", identification(&ModemIdentity::model));
    table.add("+CGMR", identification(&ModemIdentity::revision));
    table.add("+CGSN", identification(&ModemIdentity::serial));
}

}  // namespace sim
