#include "modem/modem_module/impl/read_sms_at_cmd.h"

#include "common/msg_strings.h"
#include "modem/at_keywords.h"
#include "modem/modem_module/impl/decimal_value.h"
#include "modem/modem_module/impl/phrase.h"
#include "tools/common_static_log_kav.h"

namespace {

// status, alpha, length (PDU mode)
constexpr int kMessageValues = 3;

}  // namespace

ReadSmsAtCmd::ReadSmsAtCmd(int index)
    : SimpleAtCmd{AtKeywords::cmgr, index, kMessageValues, true, 1000} {
    // A message read takes the modem longer than the other storage commands.
    set_answer_timeout(1500);
}

void ReadSmsAtCmd::on_complete(const std::string& full_answer, bool result,
                               const std::string& result_reason) {
    SimpleUtils::LogOut* log = CommonStaticLogKav::log();
    log->none("ReadSmsAtCmd::on_complete: result=%d full_answer=%s result_reason=%s\n",
              static_cast<int>(result), full_answer.c_str(), result_reason.c_str());
    if (!result) {
        return;
    }
    Msg::Strings values;
    if (!parse_answer(full_answer, result_reason, values) ||
        values.size() < static_cast<std::size_t>(min_fields())) {
        return;
    }

    // The length ends the information line and the PDU fills the next one, so the last value
    // holds both, the line end between them flattened to spaces.
    const SimpleUtils::Phrase phrase{values.back()};
    if (phrase.number() == 2) {
        log->none("ReadSmsAtCmd::on_complete: word1=%s word2=%s\n", phrase.word(0).c_str(),
                  phrase.word(1).c_str());
        SimpleUtils::readDecimal(phrase.word(0), m_length);
        m_data = phrase.word(1);
    }
    log->none("ReadSmsAtCmd::on_complete: OK! phrase.number=%d m_length=%d m_data=%s\n",
              phrase.number(), m_length, m_data.c_str());
}
