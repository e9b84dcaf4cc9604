#pragma once

#include <string>
#include <string_view>

#include "modem/simple_at_cmd.h"

// AT+CPMS=<storage>: selects the message storage. Its answer's third value is taken as the
// index of the message to read next.
class SetPreferredMsgStorageAtCmd : public SimpleAtCmd {
public:
    explicit SetPreferredMsgStorageAtCmd(std::string_view storage);

    void on_complete(const std::string& full_answer, bool result,
                     const std::string& result_reason) override;

    bool haveUnreadIndex() const { return m_haveUnreadIndex; }
    int unreadIndex() const { return m_unreadIndex; }

private:
    bool m_haveUnreadIndex = false;
    int m_unreadIndex = -1;
};
