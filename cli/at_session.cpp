#include "cli/at_session.h"

#include <utility>

#include "cli/at_event_lines.h"
#include "common_storage/config.h"
#include "modem/modem_module/impl/modem_phone_impl.h"
#include "modem/modem_port.h"
#include "modem/operator_at_cmd.h"
#include "modem/port_open_diagnosis.h"
#include "platform/cp1251.h"
#include "tester/modem_search.h"

AtSession::AtSession(AtOptions options, std::FILE* out, std::FILE* err)
    : m_options(std::move(options)), m_out(out), m_progress(err, false), m_deadline([this] {
          m_deadline.stop();
          if (isCall()) {
              hangUp();
          } else {
              finish(kSucceeded);
          }
      }) {}

AtSession::~AtSession() {
    end();
}

bool AtSession::begin() {
    if (!openModem()) {
        m_status = m_interrupted ? interruptedStatus() : kNoModem;
        return false;
    }
    if (m_options.command == AtOptions::Command::send) {
        m_status = sendAll();
        return false;
    }
    startCommand();
    return true;
}

int AtSession::end() {
    m_deadline.stop();
    {
        std::lock_guard<std::mutex> lock(m_portMutex);
        m_port = nullptr;
    }
    if (m_phone != nullptr) {
        m_phone->release();
        m_phone = nullptr;
    }
    m_progress.flush();
    return m_status;
}

void AtSession::interrupt() {
    m_interrupted = true;
    m_finder.cancel();
    {
        std::lock_guard<std::mutex> lock(m_portMutex);
        if (m_port != nullptr) {
            m_port->stop();
        }
    }
    platform::ui::post([this] { onInterrupted(); });
}

bool AtSession::openModem() {
    // Read, never written: orvane-at leaves the settings to the programs that run tests.
    Config& config = Config::instance();
    int port = 0;
    int baud = 0;
    std::string warning;
    if (m_options.port) {
        port = *m_options.port;
        baud = m_options.baud.value_or(config.last_baud());
    } else {
        applyStoredSearchPlan(m_finder);
        m_finder.set_viewer(&m_progress);
        const bool found = searchModem(m_finder, warning);
        m_finder.set_viewer(nullptr);
        if (!found) {
            m_progress.flush();
            return false;
        }
        port = m_finder.found_port();
        baud = m_finder.found_baud();
    }

    m_phone = new ModemPhoneImpl();
    const bool quiet = m_options.command == AtOptions::Command::send;
    m_phone->setEchoOffAndHangup(!quiet);
    m_phone->setIdleReportReading(!quiet);
    m_phone->setDeleteAfterRead(m_options.deleteMessages);
    if (!m_phone->open(port, baud, 0, this)) {
        showProgress(cannotOpenText(port, baud));
        showProgress(openFailureText(port, m_phone->modem()->port().open_failure()));
        m_progress.flush();
        return false;
    }
    if (m_options.port) {
        warning = modemManagerWarning(port);
    }
    if (!warning.empty()) {
        showProgress(warning);
    }
    m_progress.flush();
    std::lock_guard<std::mutex> lock(m_portMutex);
    m_port = m_phone->modem();
    return true;
}

void AtSession::showProgress(const std::string& text) {
    m_progress.show(text, true);
}

int AtSession::sendAll() {
    for (const std::string& text : m_options.texts) {
        if (m_interrupted) {
            return kFailed;
        }
        OperatorAtCmd cmd(platform::utf8ToCp1251(text), m_options.waitMs);
        std::string portError;
        m_phone->executeNow(cmd, portError);
        for (const std::string& line : cmd.lines()) {
            print("< " + modemText(line));
        }
        if (cmd.verdict() == OperatorAtCmd::Verdict::ok) {
            print("OK");
            continue;
        }
        if (!cmd.unfinished().empty()) {
            print("< " + modemText(cmd.unfinished()));
        }
        if (!portError.empty()) {
            print(portErrorLine(portError));
        } else if (m_interrupted) {
            // Stopped by the operator: no verdict of the modem's to tell.
        } else {
            print(cmd.verdict() == OperatorAtCmd::Verdict::error ? "ERROR" : "TIMEOUT");
        }
        return kFailed;
    }
    return kSucceeded;
}

void AtSession::startCommand() {
    std::uint32_t seconds = m_options.seconds.value_or(AtOptions::kDefaultCallSeconds);
    switch (m_options.command) {
        case AtOptions::Command::send:
            return;
        case AtOptions::Command::watch:
            if (!m_options.seconds) {
                return;  // until a signal
            }
            seconds = *m_options.seconds;
            break;
        case AtOptions::Command::dial:
            if (m_options.dataCall) {
                m_phone->dialInDataMode(m_options.number.c_str());
            } else {
                m_phone->dial(m_options.number.c_str());
            }
            print("DIALLING");
            break;
        case AtOptions::Command::answer:
            m_phone->answer();
            break;
    }
    m_deadline.setInterval(seconds * 1000);
    m_deadline.start();
}

void AtSession::onInterrupted() {
    if (m_finished) {
        return;
    }
    if (isCall()) {
        hangUp();
    } else {
        finish(interruptedStatus());
    }
}

int AtSession::interruptedStatus() const {
    // Watching ends by a signal as a matter of course; a command or a call it cut short
    // did not succeed.
    return m_options.command == AtOptions::Command::watch ? kSucceeded : kFailed;
}

void AtSession::hangUp() {
    // The call's end comes as its disconnect event, which finishes the command.
    if (!m_hangingUp && m_phone != nullptr) {
        m_hangingUp = true;
        m_phone->hangup();
    }
}

void AtSession::finish(int status) {
    if (m_finished) {
        return;
    }
    m_finished = true;
    m_status = status;
    m_deadline.stop();
    if (onFinished) {
        onFinished();
    }
}

void AtSession::print(const std::string& text) {
    std::fputs((stamped(text) + "\n").c_str(), m_out);
    std::fflush(m_out);
}

bool AtSession::isCall() const {
    return m_options.command == AtOptions::Command::dial ||
           m_options.command == AtOptions::Command::answer;
}

// --- events, on the user-interface thread --------------------------------------------------

void AtSession::onRing(const std::string& /*number*/, int /*type*/) {
    if (!m_finished && m_options.command == AtOptions::Command::watch) {
        print("RING");
    }
}

void AtSession::onSmsReceived(const std::string& text, int index) {
    if (!m_finished && m_options.command == AtOptions::Command::watch) {
        print("SMS " + std::to_string(index) + " " + modemText(text));
    }
}

void AtSession::onDtmf(const std::string& digits) {
    if (m_finished || m_options.command != AtOptions::Command::watch) {
        return;
    }
    for (const char key : digits) {
        print("DTMF " + modemText(std::string_view(&key, 1)));
    }
}

void AtSession::onConnectEstablished() {
    if (m_finished) {
        return;
    }
    m_connected = true;
    const std::string& detail = m_phone->connectDetail();
    print(detail.empty() ? "CONNECT" : "CONNECT " + modemText(detail));
}

void AtSession::onDisconnect(int reason) {
    if (m_finished) {
        return;
    }
    print(callEndLine(reason));
    if (isCall()) {
        finish(m_connected && !m_interrupted ? kSucceeded : kFailed);
    }
}

void AtSession::onData(const char* data, std::uint32_t length) {
    if (!m_finished && isCall() && m_phone->state() == ModemPhoneImpl::kDataConnected) {
        print(dataLine(data, length));
    }
}

void AtSession::onError(const std::string& text) {
    if (m_finished) {
        return;
    }
    print(portErrorLine(text));
    finish(kFailed);
}
