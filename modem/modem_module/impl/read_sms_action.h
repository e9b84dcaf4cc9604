#pragma once

#include <optional>
#include <string>

#include "modem/sms_report_parser.h"

class ModemPort;

// Fetches the message a "+CMTI:" report announced: select the storage the report names and
// read the message at the report's index as PDU text, then delete it when asked and a PDU
// was read. A report without storage and index falls back to the storage "MT" and the index
// its answer gives (the third value, which counts messages rather than naming one: with a
// gap in the storage it points at another message). Runs on the thread that owns the port;
// built for one report and discarded after run().
class ReadSmsAction {
public:
    ReadSmsAction(ModemPort& port, bool deleteAfterRead,
                  std::optional<SmsReportParser::Location> location = std::nullopt);

    // True once the message was read (its data may still be empty when the answer did not
    // split as expected; such a message is never deleted). Port errors propagate as the
    // port's exceptions.
    bool run();

    // The index of the message read; handed on with it.
    int result() const { return m_result; }
    const std::string& data() const { return m_data; }
    // Everything the modem answered to the commands run, in order: a report that arrived
    // amid those answers must not be lost to the caller's report parsing.
    const std::string& answers() const { return m_answers; }

private:
    std::optional<int> selectStorage();

    ModemPort& m_port;
    int m_result = 0;
    std::string m_data;
    std::string m_answers;
    bool m_deleteAfterRead;
    std::optional<SmsReportParser::Location> m_location;
};
