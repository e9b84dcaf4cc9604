#include "modem/modem_module/impl/read_sms_action.h"

#include <string_view>
#include <utility>

#include "modem/at_keywords.h"
#include "modem/modem_module/impl/read_sms_at_cmd.h"
#include "modem/modem_module/impl/set_preferred_msg_storage_at_cmd.h"
#include "modem/modem_port.h"
#include "modem/simple_at_cmd.h"
#include "tools/common_static_log_kav.h"

namespace {

// The storage where the modem puts messages it receives.
constexpr std::string_view kReceivedStorage{"MT"};

}  // namespace

ReadSmsAction::ReadSmsAction(ModemPort& port, bool deleteAfterRead,
                             std::optional<SmsReportParser::Location> location)
    : m_port{port}, m_deleteAfterRead{deleteAfterRead}, m_location{std::move(location)} {}

std::optional<int> ReadSmsAction::selectStorage() {
    const std::string storageName =
        m_location ? m_location->storage : std::string(kReceivedStorage);
    SetPreferredMsgStorageAtCmd storage{"\"" + storageName + "\""};
    m_port.execute(storage);
    m_answers += storage.full_answer();
    CommonStaticLogKav::log()->none("ReadSmsAction. Step1: result=%d haveUnreadIndex=%d\n",
                                    static_cast<int>(storage.result()),
                                    static_cast<int>(storage.haveUnreadIndex()));
    if (!storage.result()) {
        return std::nullopt;
    }
    if (m_location) {
        return m_location->index;
    }
    if (!storage.haveUnreadIndex()) {
        return std::nullopt;
    }
    return storage.unreadIndex();
}

bool ReadSmsAction::run() {
    SimpleUtils::LogOut* log = CommonStaticLogKav::log();
    const std::optional<int> index = selectStorage();
    if (!index) {
        return false;
    }

    ReadSmsAtCmd read{*index};
    m_port.execute(read);
    m_answers += read.full_answer();
    log->none("ReadSmsAction. Step2: result=%d\n", static_cast<int>(read.result()));
    if (!read.result()) {
        return false;
    }

    m_result = *index;
    m_data = read.data();
    log->none("ReadSmsAction. Step3: m_data=%s\n", m_data.c_str());

    // A message whose PDU did not come through stays where it is, to be read another way.
    if (m_deleteAfterRead && !m_data.empty()) {
        // The message has been read: a failed delete only leaves it in storage.
        SimpleAtCmd remove{AtKeywords::cmgd, *index, 0, true, 1000};
        m_port.execute(remove);
        m_answers += remove.full_answer();
    }
    return true;
}
