#pragma once

#include <string>

class ModemPort;

// Fetches the message a "+CMTI:" report announced: select the storage (which also tells the
// index), read the message as PDU text, and delete it when asked. Runs on the thread that
// owns the port; built for one report and discarded after run().
class ReadSmsAction {
public:
    ReadSmsAction(ModemPort& port, bool deleteAfterRead);

    // True once the message was read (its data may still be empty when the answer did not
    // split as expected). Port errors propagate as the port's exceptions.
    bool run();

    // Handed on with the message; always 1.
    int result() const { return m_result; }
    const std::string& data() const { return m_data; }
    // Everything the modem answered to the commands run, in order: a report that arrived
    // amid those answers must not be lost to the caller's report parsing.
    const std::string& answers() const { return m_answers; }

private:
    ModemPort& m_port;
    int m_result = 1;
    std::string m_data;
    std::string m_answers;
    bool m_deleteAfterRead;
};
