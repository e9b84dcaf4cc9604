#pragma once

#include <string>

#include "modem/simple_at_cmd.h"

// AT+CMGR=<index>: reads one stored message. In PDU mode the modem prints the PDU's length on
// the information line and the PDU as hexadecimal text on the next; the text is kept as
// printed, never decoded.
class ReadSmsAtCmd : public SimpleAtCmd {
public:
    explicit ReadSmsAtCmd(int index);

    void on_complete(const std::string& full_answer, bool result,
                     const std::string& result_reason) override;

    // The PDU text; empty unless the answer's last value was exactly two words.
    const std::string& data() const { return m_data; }
    int length() const { return m_length; }

private:
    std::string m_data;
    int m_length = 0;
};
