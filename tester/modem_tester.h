#pragma once

// Runs one modem test at a time: finds the modem (on the job thread), stores the port and
// rate found, opens a facade on them, queues the chosen command list, counts the answers and
// writes every step and the summary into the message table. All public operations belong to
// the user-interface thread.

#include <atomic>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "common/exchange_log_viewer.h"
#include "common/info_viewer.h"
#include "modem/at_cmd.h"
#include "modem/exchange_log.h"
#include "modem/modem_module/modem_phone_events_handler.h"
#include "modem/port_finder_ext.h"
#include "tester/command_list_files.h"
#include "tester/command_result.h"
#include "tester/t_timer_wrap.h"

class ExecThread;
class ModemPhoneImpl;

class ModemTester : public InfoViewerI, public ExchangeLog, public ModemPhoneEventsHandlerStub {
public:
    struct InfoUnit {
        std::string text;
        bool newLine = true;
    };

    // messages: the message table (show(text, true) adds a row, false rewrites the last one).
    explicit ModemTester(InfoViewerI& messages);
    ~ModemTester() override;
    ModemTester(const ModemTester&) = delete;
    ModemTester& operator=(const ModemTester&) = delete;

    void start();
    void stop();
    bool isStarted() const { return m_started; }

    // name: a list's title or file name as the file system has it (UTF-8).
    void setCommandListFile(std::string_view name);
    const std::filesystem::path& commandListFile() const { return m_commandListPath; }
    void listCommandFiles(FilesList& out);

    // Not owned; clear it (null) before the window goes. No line reaches a window after the
    // call that cleared it has returned.
    void setExchangeLogWindow(ExchangeLogViewerI* window);
    // Gives the port finder the stored single-port option again; during a run, at the next
    // start (the plan never changes while a search runs).
    void applySettings();
    // Not owned; receives every executed command of a list. Null switches it off.
    void setResultObserver(CommandResultObserverI* observer) { m_resultObserver = observer; }

    // Told on the user-interface thread, exactly once per run, that the run is over.
    std::function<void()> onFinished;

    // InfoViewerI: progress of the search, from the job thread.
    void show(const std::string& text, bool newLine) override;
    // ExchangeLog: the bytes on the line, from whichever thread runs the exchange.
    void onRead(const char* data, std::uint32_t length) override;
    void onWrite(const char* data, std::uint32_t length) override;
    void onNote(const std::string& text) override;
    void onStray(const char* data, std::uint32_t length) override;
    void onSkipped(std::uint64_t length) override;
    void onLine(const std::string& line) override;
    // The facade's worker failed on the port (the modem went away): the run ends here.
    void onError(const std::string& text) override;

private:
    static void onAtCmdResult(void* context, const ATCmd& cmd);
    void handleResult(const ATCmd& cmd);
    void searchJob(std::uint32_t run);
    void armCommandPhase(std::uint32_t run);
    void commandPhase(std::uint32_t run);
    void finish();
    void releaseFacade(bool keepResults);
    void applyPendingSettings();
    void addMessage(const std::string& text);
    void reportResult(const std::string& command, const KeptAnswer& answer,
                      CommandResult::Outcome outcome, const std::string& errorText);

    // Fields: the user-interface thread owns everything not marked otherwise.
    ModemPhoneImpl* m_phone = nullptr;  // released, never deleted
    std::unique_ptr<ExecThread> m_execThread;
    PortFinderExt m_portFinder;  // used by the job thread during a search
    InfoViewerI* m_messages;
    std::mutex m_windowMutex;  // guards m_exchangeLogWindow, held across addLine
    ExchangeLogViewerI* m_exchangeLogWindow = nullptr;
    bool m_started = false;
    std::int32_t m_okCount = 0;
    std::int32_t m_failedCount = 0;
    TTimerWrap m_timer;
    std::filesystem::path m_commandListPath;
    // Progress lines on their way to the user-interface thread, oldest first: the search's
    // lines come from its thread, the run's own from the job thread.
    std::mutex m_infoMutex;
    std::deque<InfoUnit> m_infoUnits;
    std::string m_format;
    std::atomic<bool> m_stopRequested{false};  // set by stop, read by the job thread
    bool m_settingsPending = false;            // applySettings waits for the next start

    // Bookkeeping that makes every run end exactly once.
    std::uint32_t m_run = 0;                  // number of the current (or last) run
    bool m_commandPhaseArmed = false;         // the timer holds this run's command phase
    bool m_commandsRunning = false;           // results of this run's list are expected
    bool m_discardResults = false;            // a facade is being released after its run ended
    std::vector<std::string> m_commandTexts;  // the list's commands, to name a failed one
    CommandResultObserverI* m_resultObserver = nullptr;
    std::uint32_t m_lastResultTick = 0;
};
