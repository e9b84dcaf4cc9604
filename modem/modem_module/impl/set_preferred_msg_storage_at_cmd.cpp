#include "modem/modem_module/impl/set_preferred_msg_storage_at_cmd.h"

#include "common/msg_strings.h"
#include "modem/at_keywords.h"
#include "modem/modem_module/impl/decimal_value.h"

namespace {

// used and total for each of the three storages
constexpr int kStorageValues = 6;
constexpr std::size_t kUnreadIndexValue = 2;

}  // namespace

SetPreferredMsgStorageAtCmd::SetPreferredMsgStorageAtCmd(std::string_view storage)
    : SimpleAtCmd{AtKeywords::cpms, storage, kStorageValues, true, 1000} {}

void SetPreferredMsgStorageAtCmd::on_complete(const std::string& full_answer, bool result,
                                              const std::string& result_reason) {
    if (!result) {
        return;
    }
    Msg::Strings values;
    if (!parse_answer(full_answer, result_reason, values) ||
        values.size() < static_cast<std::size_t>(min_fields())) {
        return;
    }
    int index = 0;
    if (SimpleUtils::readDecimal(values[kUnreadIndexValue], index)) {
        m_unreadIndex = index;
        m_haveUnreadIndex = true;
    }
}
