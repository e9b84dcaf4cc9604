#include "modem/modem_module/impl/read_unreclaimed_reports.h"

#include "modem/modem_module/impl/read_sms_action.h"
#include "modem/modem_module/impl/unsolicited_report_commands.h"
#include "modem/modem_module/modem_phone_events_handler.h"
#include "modem/modem_port.h"

ReadUnreclaimedReports::ReadUnreclaimedReports(ModemPort& port, ModemPhoneEventsHandler* handler)
    : m_port(port), m_handler(handler) {}

bool ReadUnreclaimedReports::execute(CommandsThread& /*thread*/) {
    bool notify = false;
    ReadUnsolicitedReportsATCommand listen;
    m_port.execute(listen);
    // What every command of this listen read, each answer once: tones or a call-ending word
    // that came amid the answers are reported too, and none twice.
    std::string reportText = listen.full_answer();

    if (listen.ring()) {
        RingTypeAtCommand ringType;
        m_port.execute(ringType);
        reportText += ringType.full_answer();
        if (ringType.result()) {
            m_ringType = ringType.type();
            m_number = ringType.number();
            m_kind = kRing;
            notify = true;
        }
    }
    if (listen.sms_report().is_report()) {
        ReadSmsAction read(m_port, m_deleteAfterRead);
        const bool ok = read.run();
        reportText += read.answers();
        if (ok) {
            m_smsIndex = read.result();
            m_smsText = read.data();
            m_kind = kSms;
            notify = true;
        }
    }
    if (m_parser.parse(reportText)) {
        notify = true;
    }
    return notify;
}

void ReadUnreclaimedReports::notify() {
    if (m_handler == nullptr) {
        return;
    }
    if (m_kind == kRing) {
        m_handler->onRing(m_number, m_ringType);
    } else if (m_kind == kSms) {
        m_handler->onSmsReceived(m_smsText, m_smsIndex);
    }
    if (m_parser.disconnect()) {
        m_handler->onDisconnect(m_parser.reason());
    }
    if (m_parser.dtmf()) {
        m_handler->onDtmf(m_parser.digits());
    }
}
