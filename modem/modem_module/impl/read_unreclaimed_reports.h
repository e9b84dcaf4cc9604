#pragma once

// The worker's listen between calls: one 100 ms listen for a report line; a ring is followed
// by the call list, a new-message report by reading the message; call-ending words and tones
// in the finished lines read are reported too. Events reach the handler from notify.
//
// A listen starts with what the read before it left pending, and leaves pending what came
// after the report line that ended it and a line that the end of the listen cut off: a
// report never goes lost between two listens, nor is one judged twice.

#include <climits>
#include <cstdint>
#include <string>

#include "modem/modem_module/impl/thread_command.h"
#include "modem/unreclaimed_parser.h"

class ModemPort;
class ModemPhoneEventsHandler;
class PendingInput;

class ReadUnreclaimedReports : public ThreadCommand {
public:
    // handler may be null: the modem is still served (a message is still read, and deleted
    // when asked), but nothing is reported. pending may be null: nothing is then carried
    // from one listen to the next.
    ReadUnreclaimedReports(ModemPort& port, ModemPhoneEventsHandler* handler,
                           PendingInput* pending = nullptr);
    void set_delete_after_read(bool flag) { m_deleteAfterRead = flag; }
    bool execute(CommandsThread& thread) override;
    void notify() override;

private:
    enum Kind : std::uint8_t { kRing = 0, kSms = 1, kNothing = 2 };

    ModemPort& m_port;
    ModemPhoneEventsHandler* m_handler;
    PendingInput* m_pending;
    std::uint8_t m_kind = kNothing;
    int m_ringType = INT_MAX;
    std::string m_number;
    int m_smsIndex = INT_MAX;
    std::string m_smsText;
    UnreclaimedParser m_parser;
    bool m_deleteAfterRead = true;
};
