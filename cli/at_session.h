#pragma once

// One run of orvane-at: finds and opens the modem, then sends the operator's commands or
// reports what happens on the line, as the command line asks (at_options.h). Everything runs
// on the user-interface thread except interrupt(), which comes from the signal watcher while
// that thread may be blocked in the search or in a command.

#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>

#include "cli/at_options.h"
#include "cli/console_messages.h"
#include "modem/modem_module/modem_phone_events_handler.h"
#include "modem/port_finder_ext.h"
#include "platform/ui_thread.h"

class ModemPhoneImpl;
class ModemPort;

class AtSession : public ModemPhoneEventsHandlerStub {
public:
    static constexpr int kSucceeded = 0;
    static constexpr int kFailed = 1;
    static constexpr int kNoModem = 3;

    // Events go to out, the search's lines and why a port did not open to err.
    AtSession(AtOptions options, std::FILE* out, std::FILE* err);
    ~AtSession() override;
    AtSession(const AtSession&) = delete;
    AtSession& operator=(const AtSession&) = delete;

    // Finds and opens the modem; sends the commands of send to their end, or starts watching,
    // dialling or answering. True when events are to be served: the caller runs the event
    // loop until onFinished.
    bool begin();
    // Releases the modem (hanging up when the command set it up to); the exit status.
    int end();
    // Any thread, any time: stops the search or the exchange under way at once, and ends
    // the command (a call is hung up first).
    void interrupt();

    // Called once on the user-interface thread when the command is over.
    std::function<void()> onFinished;

    void onRing(const std::string& number, int type) override;
    void onSmsReceived(const std::string& text, int index) override;
    void onConnectEstablished() override;
    void onDisconnect(int reason) override;
    void onData(const char* data, std::uint32_t length) override;
    void onError(const std::string& text) override;
    void onDtmf(const std::string& digits) override;

private:
    bool openModem();
    void showProgress(const std::string& text);
    int sendAll();
    void startCommand();
    void onInterrupted();
    void hangUp();
    void finish(int status);
    void print(const std::string& text);
    bool isCall() const;
    int interruptedStatus() const;

    const AtOptions m_options;
    std::FILE* m_out;
    ConsoleMessages m_progress;
    PortFinderExt m_finder;
    ModemPhoneImpl* m_phone = nullptr;  // released, never deleted
    std::mutex m_portMutex;             // guards m_port, which interrupt() stops
    ModemPort* m_port = nullptr;
    std::atomic<bool> m_interrupted{false};
    // User-interface thread.
    bool m_connected = false;
    bool m_hangingUp = false;
    bool m_finished = false;
    int m_status = kSucceeded;
    platform::UiTimer m_deadline;
};
