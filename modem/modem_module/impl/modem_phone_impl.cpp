#include "modem/modem_module/impl/modem_phone_impl.h"

#include <algorithm>
#include <cassert>
#include <exception>
#include <utility>

#include "modem/modem_module/impl/call_at_commands.h"
#include "modem/modem_module/impl/call_thread_commands.h"
#include "modem/modem_module/impl/cmds/write_data_command.h"
#include "modem/modem_module/impl/commands_thread.h"
#include "modem/modem_module/impl/read_data_thread_command.h"
#include "modem/modem_module/impl/read_unreclaimed_reports.h"
#include "modem/modem_port.h"
#include "modem/simple_at_cmd.h"
#include "platform/cp1251.h"
#include "tools/debug_print.h"

using namespace platform::literals;

namespace {

constexpr int kDataBits = 8;
constexpr int kStopBits = 1;

}  // namespace

ModemPhoneImpl::ModemPhoneImpl()
    : m_lastErrorText("Пока ошибок не было."_cp1251),
      m_lastCommandEvent(false, "__disconnect_event__") {}

ModemPhoneImpl::~ModemPhoneImpl() {
    if (m_commandsThread) {
        // The exchange under way ends now, whatever it waits for, and no queued command may
        // start after it: the worker ends within one polling pass. The command that was on
        // the line still delivers its (failed) result while this thread waits.
        m_modem->halt();
        m_commandsThread->pause(false);
        m_commandsThread->clear();
        // From here on no event reaches the handler, not even one of the command that is
        // still running: its owner may be on its way out.
        m_released = true;
        m_handler = nullptr;
        const bool running = !m_commandsThread->suspended();
        if (running) {
            m_commandsThread->terminate();
            m_commandsThread->waitFor();
        }
        m_commandsThread.reset();
        if (running && m_echoOffAndHangup) {
            hangUpOnRelease();
        }
    }
    m_modem.reset();
}

void ModemPhoneImpl::hangUpOnRelease() {
    // The worker is gone: the hang-up goes out from this thread, so it cannot be lost to a
    // worker that ends first, and no fixed grace time is needed.
    m_modem->resume();
    try {
        if (m_state == kDataConnected) {
            ToTextModeAtCommand escape;
            m_modem->execute(escape);
        }
        HangupAtCommand hangup;
        m_modem->execute(hangup);
    } catch (const std::exception&) {
        // The line failed under the hang-up; there is nobody left to tell.
    }
}

bool ModemPhoneImpl::open(int port, int baudRate, int /*reserved*/,
                          ModemPhoneEventsHandler* handler) {
    assert(!m_modem);
    assert(!m_commandsThread);
    m_modem = std::make_unique<ModemPort>(port, baudRate, kDataBits, kStopBits, false, true);
    m_handler = handler;

    m_commandsThread = std::make_unique<CommandsThread>(m_pauseMs);
    m_commandsThread->onIdle = [this] { onIdle(); };
    m_commandsThread->onError = [this](const char* text) { onWorkerError(text); };
    m_commandsThread->onLastCommand = [this] { onLastCommand(); };
    const bool opened = m_modem->is_open();
    if (opened) {
        m_commandsThread->resume();
    }
    if (m_echoOffAndHangup) {
        addCommand(std::make_unique<ExecuteAtCommand<EchoOffAtCommand>>(
            *m_modem, EchoOffAtCommand(), &m_pending));
    }
    return opened;
}

void ModemPhoneImpl::release() {
    delete this;
}

const char* ModemPhoneImpl::lastErrorText() const {
    return m_lastErrorText.c_str();
}

int ModemPhoneImpl::state() const {
    return m_state;
}

void ModemPhoneImpl::hangup() {
    assert(m_modem);
    assert(m_commandsThread);
    // Ends the answer wait of the command on the line (a dial waits up to five minutes).
    m_modem->stop();
    if (m_state == kDataConnected) {
        addCommand(std::make_unique<ExecuteAtCommand<ToTextModeAtCommand>>(*m_modem,
                                                                           ToTextModeAtCommand()));
    }
    auto cmd = std::make_unique<HangupThreadCommand>(*m_modem);
    cmd->onDisconnect = [this](int reason) { onDisconnectEvent(reason); };
    addCommand(std::move(cmd));
}

void ModemPhoneImpl::answer() {
    assert(m_modem);
    assert(m_commandsThread);
    auto cmd = std::make_unique<AnswerCallThreadCommand>(*m_modem, &m_pending);
    cmd->onVoiceConnectEstablished = [this](const std::string& detail) { onVoiceConnect(detail); };
    cmd->onDataConnectEstablished = [this](const std::string& detail) { onDataConnect(detail); };
    cmd->onDisconnect = [this](int reason) { onDisconnectEvent(reason); };
    addCommand(std::move(cmd));
}

void ModemPhoneImpl::dial(const char* number) {
    startCall(number, false);
}

void ModemPhoneImpl::dialInDataMode(const char* number) {
    startCall(number, true);
}

void ModemPhoneImpl::startCall(const char* number, bool dataMode) {
    assert(m_modem);
    assert(m_commandsThread);
    const std::string dialled = number != nullptr ? number : "";
    auto cmd = std::make_unique<StartCallThreadCommand>(*m_modem, dialled, dataMode, &m_pending);
    if (dataMode) {
        cmd->onConnectEstablished = [this](const std::string& detail) { onDataConnect(detail); };
    } else {
        cmd->onConnectEstablished = [this](const std::string& detail) { onVoiceConnect(detail); };
    }
    cmd->onConnectReset = [this](int reason) { onDisconnectEvent(reason); };
    if (dataMode) {
        clearOutgoingData();
        SimpleUtils::debug_print("ModemPhoneImpl::dialInDataMode. num=%s\n", dialled.c_str());
        m_state = kDiallingData;
    } else {
        m_state = kDiallingVoice;
    }
    addCommand(std::move(cmd));
}

void ModemPhoneImpl::reserved1(int /*first*/, int /*second*/) {}

void ModemPhoneImpl::sendData(const char* data, int length) {
    if (data == nullptr || length <= 0) {
        return;
    }
    SimpleUtils::LockGuard lock(m_outgoingLock);
    m_outgoing.insert(m_outgoing.end(), data, data + length);
}

int ModemPhoneImpl::reserved2() {
    return 0;
}

int ModemPhoneImpl::pendingDataSize() {
    SimpleUtils::LockGuard lock(m_outgoingLock);
    return static_cast<int>(m_outgoing.size());
}

bool ModemPhoneImpl::executeAtCommand(const char* text, int answerTimeoutMs, int delayBeforeMs,
                                      bool async) {
    assert(m_modem);
    assert(m_commandsThread);
    if (m_modem->dead()) {
        return false;
    }
    SimpleAtCmd cmd(text != nullptr ? text : "", std::string(), 0, false,
                    static_cast<std::uint32_t>(std::max(answerTimeoutMs, 0)));
    cmd.set_delay_before(static_cast<std::uint32_t>(std::max(delayBeforeMs, 0)));
    if (async) {
        addCommand(std::make_unique<SimpleThreadCommand>(*m_modem, cmd, onAtCmdResult,
                                                         onAtCmdResultContext));
        return true;
    }
    // A port failure leaves the result false: the caller learns it from there.
    std::string ignored;
    return executeNow(cmd, ignored) && cmd.is_complete() && cmd.result();
}

bool ModemPhoneImpl::executeNow(InquiryCmd& cmd, std::string& portError) {
    assert(m_modem);
    assert(m_commandsThread);
    m_commandsThread->pause(true);
    bool written = false;
    try {
        written = m_modem->execute(cmd);
    } catch (const std::exception& error) {
        // The worker must go on regardless.
        portError = error.what();
    }
    m_commandsThread->pause(false);
    return written && portError.empty();
}

void ModemPhoneImpl::addCommand(std::unique_ptr<ThreadCommand> cmd) {
    assert(m_commandsThread);
    if (m_modem->dead()) {
        return;  // nothing more runs on a port whose device is gone
    }
    m_commandsThread->add(std::move(cmd));
}

ModemPort* ModemPhoneImpl::modem() const {
    assert(m_modem != NULL);
    return m_modem.get();
}

bool ModemPhoneImpl::hasCommands() const {
    return m_commandsThread && m_commandsThread->hasCommands();
}

ModemPhoneEventsHandler* ModemPhoneImpl::requiredHandler() const {
    ModemPhoneEventsHandler* handler = m_handler;
    if (handler == nullptr && m_released) {
        return nullptr;
    }
    assert(m_handler);
    return handler;
}

ModemPhoneEventsHandler* ModemPhoneImpl::optionalHandler() const {
    return m_handler;
}

// --- the worker's side -------------------------------------------------------------------

void ModemPhoneImpl::onIdle() {
    if (m_modem->dead()) {
        // Listening on a dead port would fail at once, again and again: the worker waits
        // for a command instead, and there will be none.
        m_commandsThread->setIdlePolling(false);
        return;
    }
    const std::int32_t state = m_state;
    // A call being set up has nothing on the line to read yet: look again shortly.
    m_commandsThread->setIdlePolling(state == kDiallingVoice || state == kDiallingData);
    switch (state) {
        case kIdle:
            if (m_idleReportReading) {
                auto cmd =
                    std::make_unique<ReadUnreclaimedReports>(*m_modem, &m_events, &m_pending);
                cmd->set_delete_after_read(m_deleteAfterRead);
                addCommand(std::move(cmd));
            }
            break;
        case kVoiceConnected:
            queueDataRead();
            break;
        case kDataConnected:
            queueDataRead();
            serviceOutgoingData();
            break;
        default:
            break;
    }
}

void ModemPhoneImpl::queueDataRead() {
    auto cmd = std::make_unique<ReadDataThreadCommand>(*m_modem, &m_events, &m_pending);
    cmd->onData = [this](const char* data, std::uint32_t length) { onDataEvent(data, length); };
    cmd->onDisconnect = [this](int reason) { onDisconnectEvent(reason); };
    addCommand(std::move(cmd));
}

void ModemPhoneImpl::serviceOutgoingData() {
    bool empty = false;
    {
        SimpleUtils::LockGuard lock(m_outgoingLock);
        empty = m_outgoing.empty();
    }
    if (empty) {
        // Outside the lock: the handler may call sendData from the notification.
        m_commandsThread->synchronize(std::make_unique<DataBufferEmptyThreadCommand>(&m_events));
        return;
    }
    SimpleUtils::LockGuard lock(m_outgoingLock);
    const std::size_t n = std::min(m_outgoing.size(), kWriteBlock);
    const std::vector<char> block(m_outgoing.begin(),
                                  m_outgoing.begin() + static_cast<std::ptrdiff_t>(n));
    addCommand(std::make_unique<ExecuteAtCommand<WriteDataCommand>>(
        *m_modem, WriteDataCommand(block.data(), block.size())));
    m_outgoing.erase(m_outgoing.begin(), m_outgoing.begin() + static_cast<std::ptrdiff_t>(n));
}

void ModemPhoneImpl::onLastCommand() {
    SimpleUtils::debug_print("ModemPhoneImpl::onDoingLastCommand");
    m_lastCommandEvent.set();
}

// --- events, on the user-interface thread ------------------------------------------------

void ModemPhoneImpl::onWorkerError(const char* text) {
    if (m_modem->dead()) {
        // The device is gone: the handler hears of it once, and what was queued for the
        // port goes without a result (each would only fail the same way).
        if (m_deathReported) {
            return;
        }
        m_deathReported = true;
        m_commandsThread->clear();
    }
    if (ModemPhoneEventsHandler* handler = requiredHandler()) {
        handler->onError(text != nullptr ? text : "");
    }
}

void ModemPhoneImpl::onVoiceConnect(const std::string& detail) {
    m_state = kVoiceConnected;
    m_connectDetail = detail;
    if (ModemPhoneEventsHandler* handler = requiredHandler()) {
        handler->onConnectEstablished();
    }
}

void ModemPhoneImpl::onDataConnect(const std::string& detail) {
    m_state = kDataConnected;
    m_connectDetail = detail;
    if (ModemPhoneEventsHandler* handler = requiredHandler()) {
        handler->onConnectEstablished();
    }
}

void ModemPhoneImpl::onDisconnectEvent(int reason) {
    m_state = kIdle;
    clearOutgoingData();
    if (ModemPhoneEventsHandler* handler = optionalHandler()) {
        handler->onDisconnect(reason);
    }
}

void ModemPhoneImpl::onDataEvent(const char* data, std::uint32_t length) {
    if (ModemPhoneEventsHandler* handler = requiredHandler()) {
        handler->onData(data, length);
    }
}

void ModemPhoneImpl::clearOutgoingData() {
    SimpleUtils::LockGuard lock(m_outgoingLock);
    m_outgoing.clear();
}

// --- the forwarder -----------------------------------------------------------------------

void ModemPhoneImpl::EventsForwarder::onRing(const std::string& number, int type) {
    if (ModemPhoneEventsHandler* handler = m_owner.optionalHandler()) {
        handler->onRing(number, type);
    }
}

void ModemPhoneImpl::EventsForwarder::onSmsReceived(const std::string& text, int index) {
    if (ModemPhoneEventsHandler* handler = m_owner.optionalHandler()) {
        handler->onSmsReceived(text, index);
    }
}

void ModemPhoneImpl::EventsForwarder::onConnectEstablished() {
    if (ModemPhoneEventsHandler* handler = m_owner.optionalHandler()) {
        handler->onConnectEstablished();
    }
}

void ModemPhoneImpl::EventsForwarder::onDisconnect(int reason) {
    if (ModemPhoneEventsHandler* handler = m_owner.optionalHandler()) {
        handler->onDisconnect(reason);
    }
}

void ModemPhoneImpl::EventsForwarder::reservedEvent5(int /*first*/, int /*second*/) {}

void ModemPhoneImpl::EventsForwarder::onData(const char* data, std::uint32_t length) {
    if (ModemPhoneEventsHandler* handler = m_owner.optionalHandler()) {
        handler->onData(data, length);
    }
}

void ModemPhoneImpl::EventsForwarder::onDataBufferEmpty() {
    // The buffer-empty command requires a handler; after release the event is dropped.
    if (ModemPhoneEventsHandler* handler = m_owner.requiredHandler()) {
        handler->onDataBufferEmpty();
    }
}

void ModemPhoneImpl::EventsForwarder::reservedEvent8() {}

void ModemPhoneImpl::EventsForwarder::onError(const std::string& text) {
    if (ModemPhoneEventsHandler* handler = m_owner.optionalHandler()) {
        handler->onError(text);
    }
}

void ModemPhoneImpl::EventsForwarder::reservedEvent10(int /*first*/, int /*second*/) {}
void ModemPhoneImpl::EventsForwarder::reservedEvent11(int /*first*/, int /*second*/) {}
void ModemPhoneImpl::EventsForwarder::reservedEvent12(int /*first*/, int /*second*/) {}

void ModemPhoneImpl::EventsForwarder::onDtmf(const std::string& digits) {
    if (ModemPhoneEventsHandler* handler = m_owner.optionalHandler()) {
        handler->onDtmf(digits);
    }
}
