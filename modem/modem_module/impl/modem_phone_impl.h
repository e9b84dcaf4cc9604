#pragma once

// The modem facade: owns the modem port and the command worker, turns calls such as dial,
// answer, hang up, send data and execute an AT command into thread commands, keeps the call
// state, and forwards what happens on the line to one event handler on the user-interface
// thread.

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "modem/modem_cmd_kit.h"
#include "modem/modem_module/impl/pending_input.h"
#include "modem/modem_module/impl/thread_commands.h"
#include "modem/modem_module/modem_phone.h"
#include "modem/modem_module/modem_phone_events_handler.h"
#include "platform/locker.h"
#include "platform/manual_reset_event.h"

class CommandsThread;
class ModemPort;

class ModemPhoneImpl : public ModemPhone {
public:
    // Call states.
    enum State : std::int32_t {
        kIdle = 0,
        kDiallingVoice = 1,
        kDiallingData = 2,
        kVoiceConnected = 4,
        kDataConnected = 5,
    };
    // Outgoing data is written in blocks of at most this many bytes, one per idle pass, so
    // reads keep their turn during a long transfer.
    static constexpr std::size_t kWriteBlock = 500;
    static constexpr int kPauseMs = 5;

    ModemPhoneImpl();

    bool open(int port, int baudRate, int reserved, ModemPhoneEventsHandler* handler) override;
    void release() override;
    const char* lastErrorText() const override;
    int state() const override;
    void hangup() override;
    void answer() override;
    void dial(const char* number) override;
    void dialInDataMode(const char* number) override;
    void reserved1(int first, int second) override;
    void sendData(const char* data, int length) override;
    int reserved2() override;
    int pendingDataSize() override;
    bool executeAtCommand(const char* text, int answerTimeoutMs, int delayBeforeMs,
                          bool async) override;

    // Before open, to take effect on it.
    void setEchoOffAndHangup(bool flag) { m_echoOffAndHangup = flag; }
    void setIdleReportReading(bool flag) { m_idleReportReading = flag; }
    // A message reported by the modem is deleted once its PDU has been read.
    void setDeleteAfterRead(bool flag) { m_deleteAfterRead = flag; }

    // Executes cmd on the port from the calling thread while the worker is paused, and
    // returns once it has ended: the caller reads its outcome from cmd. False when the
    // command did not reach the line: a stop came first, or the port failed, whose error
    // text (as onError would carry it) is then in portError. Not from the worker, nor from a
    // notification the worker waits for.
    bool executeNow(InquiryCmd& cmd, std::string& portError);

    // The rest of the modem's CONNECT line ("115200", "9600/ARQ") of the call that connected
    // last, for the handler's onConnectEstablished; empty for a voice call.
    const std::string& connectDetail() const { return m_connectDetail; }
    // The device went away (ModemPort::dead): the handler has had its one onError, nothing
    // runs on the port any more, and requests fail at once.
    bool portDead() const { return m_modem && m_modem->dead(); }

    // Queues a ready-made thread command; the worker owns it from here on. On a dead port
    // it is destroyed at once, without a result.
    void addCommand(std::unique_ptr<ThreadCommand> cmd);
    ModemPort* modem() const;
    bool hasCommands() const;
    const SimpleUtils::ManualResetEvent& lastCommandEvent() const { return m_lastCommandEvent; }

    // The result callback of every asynchronous AT command; set by the creator right after
    // construction, before open.
    AtCmdResultFn onAtCmdResult = nullptr;
    void* onAtCmdResultContext = nullptr;

protected:
    ~ModemPhoneImpl() override;

private:
    // What thread commands raise their events through. It reaches the facade's handler as
    // long as one is set; once release has cleared it, events are dropped, so a command that
    // was running when release began cannot reach a handler that is going away.
    class EventsForwarder : public ModemPhoneEventsHandler {
    public:
        explicit EventsForwarder(ModemPhoneImpl& owner) : m_owner(owner) {}
        void onRing(const std::string& number, int type) override;
        void onSmsReceived(const std::string& text, int index) override;
        void onConnectEstablished() override;
        void onDisconnect(int reason) override;
        void reservedEvent5(int first, int second) override;
        void onData(const char* data, std::uint32_t length) override;
        void onDataBufferEmpty() override;
        void reservedEvent8() override;
        void onError(const std::string& text) override;
        void reservedEvent10(int first, int second) override;
        void reservedEvent11(int first, int second) override;
        void reservedEvent12(int first, int second) override;
        void onDtmf(const std::string& digits) override;

    private:
        ModemPhoneImpl& m_owner;
    };

    // The handler for an event the facade itself raises: one must be set, unless release has
    // already cleared it (then the event is dropped and null returned).
    ModemPhoneEventsHandler* requiredHandler() const;
    // The handler for a reported event; null drops it.
    ModemPhoneEventsHandler* optionalHandler() const;

    void onIdle();
    void onWorkerError(const char* text);
    void onLastCommand();
    void onVoiceConnect(const std::string& detail);
    void onDataConnect(const std::string& detail);
    void onDisconnectEvent(int reason);
    void onDataEvent(const char* data, std::uint32_t length);
    void queueDataRead();
    void serviceOutgoingData();
    void startCall(const char* number, bool dataMode);
    void clearOutgoingData();
    void hangUpOnRelease();

    // Fields, with their owners. "Owner" is the thread that calls the public operations (the
    // user-interface thread in this program); "worker" is the command worker.
    std::unique_ptr<ModemPort> m_modem;                        // owner; created by open
    std::atomic<ModemPhoneEventsHandler*> m_handler{nullptr};  // owner writes; worker reads
    const std::string m_lastErrorText;
    std::atomic<std::int32_t> m_state{kIdle};  // owner and notifications write; onIdle reads
    std::unique_ptr<CommandsThread> m_commandsThread;  // owner; created by open
    std::deque<char> m_outgoing;                       // guarded by m_outgoingLock
    mutable SimpleUtils::Locker m_outgoingLock;
    ModemCmdKit m_kit;
    const int m_pauseMs = kPauseMs;
    SimpleUtils::ManualResetEvent m_lastCommandEvent;
    bool m_deleteAfterRead = false;       // owner, before open; read by onIdle afterwards
    bool m_echoOffAndHangup = true;       // owner, before open
    bool m_idleReportReading = true;      // owner, before open; read by onIdle afterwards
    std::atomic<bool> m_released{false};  // set by release before the handler is cleared
    PendingInput m_pending;               // worker
    std::string m_connectDetail;          // notifications, on the user-interface thread
    bool m_deathReported = false;         // user-interface thread
    EventsForwarder m_events{*this};
};
