#include "modem/modem_module/impl/read_unreclaimed_reports.h"

#include <string_view>

#include "modem/modem_module/impl/pending_input.h"
#include "modem/modem_module/impl/read_sms_action.h"
#include "modem/modem_module/impl/unsolicited_report_commands.h"
#include "modem/modem_module/modem_phone_events_handler.h"
#include "modem/modem_port.h"

ReadUnreclaimedReports::ReadUnreclaimedReports(ModemPort& port, ModemPhoneEventsHandler* handler,
                                               PendingInput* pending)
    : m_port(port), m_handler(handler), m_pending(pending) {}

bool ReadUnreclaimedReports::execute(CommandsThread& /*thread*/) {
    bool notify = false;
    ReadUnsolicitedReportsATCommand listen;
    if (m_pending != nullptr && !m_pending->empty()) {
        const std::string carried = m_pending->take();
        listen.on_data(carried.data(), static_cast<int>(carried.size()));
    }
    if (!listen.is_complete()) {
        m_port.execute(listen);
    }
    // What every command of this listen read, each answer once: tones or a call-ending word
    // that came amid the answers are reported too, and none twice. Of the listen itself only
    // its finished lines: an unfinished one is judged with the rest of it, next time.
    std::string reportText = listen.full_answer();
    std::string_view leftOver = listen.rest();
    if (!listen.is_complete()) {
        const std::size_t lineEnd = reportText.rfind('\n');
        const std::size_t finished = lineEnd == std::string::npos ? 0 : lineEnd + 1;
        leftOver = std::string_view(listen.full_answer()).substr(finished);
        reportText.resize(finished);
    }
    if (m_pending != nullptr) {
        m_pending->keep(leftOver);
    }

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
        ReadSmsAction read(m_port, m_deleteAfterRead, listen.sms_report().location());
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
