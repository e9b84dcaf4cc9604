#include "tester/modem_adjuster_mt.h"

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "modem/adjusted_at_cmd.h"
#include "modem/modem_module/impl/modem_phone_impl.h"
#include "tester/command_list_files.h"

ModemAdjusterMt::ModemAdjusterMt(ModemPhoneImpl& facade) : m_facade(&facade) {}

bool ModemAdjusterMt::load(const std::filesystem::path& path) {
    return loadCommandList(path, m_commands);
}

void ModemAdjusterMt::run() {
    assert(onAtCmdResult != NULL);
    ModemPort& port = *m_facade->modem();
    for (const AtCmdParamMt& record : m_commands) {
        // The command goes out exactly as written: a list line carries its own <CR>.
        AdjustedAtCmd cmd(record.command, record.answer,
                          static_cast<std::uint32_t>(record.answerWaitMs));
        cmd.set_delay_before(static_cast<std::uint32_t>(record.delayBeforeMs));
        cmd.set_own_reply_only(true);
        m_facade->addCommand(std::make_unique<AdjustedThreadCommand>(port, cmd, onAtCmdResult,
                                                                     onAtCmdResultContext));
    }
}
