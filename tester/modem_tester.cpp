#include "tester/modem_tester.h"

#include <string>
#include <utility>

#include "common/text_utils.h"
#include "common_storage/config.h"
#include "modem/at_cmd_param_mt.h"
#include "modem/modem_module/impl/modem_phone_impl.h"
#include "modem/modem_port.h"
#include "modem/port_exchange_log.h"
#include "modem/port_open_diagnosis.h"
#include "platform/cp1251.h"
#include "platform/tick.h"
#include "tester/exec_thread.h"
#include "tester/modem_adjuster_mt.h"
#include "tester/modem_search.h"
#include "tools/common_static_log_kav.h"
#include "tools/debug_print.h"

using namespace platform::literals;

namespace {

constexpr std::uint32_t kJobPauseMs = 10;
constexpr std::uint32_t kTimerMs = 10;

constexpr std::string_view kPreviousNotFinished = "Не завершен предыдущий тест"_cp1251;
constexpr std::string_view kNoListFile = "Внимание: не задан файл с списком команд"_cp1251;
constexpr std::string_view kEmptyList =
    "Список команд пуст (файл не найден или неверный формат)."_cp1251;
constexpr std::string_view kError = "Ошибка"_cp1251;
constexpr std::string_view kExecuted = "Выполнено %d команд (OK %d, ошибок %d)."_cp1251;
constexpr std::string_view kFinishedAs = "Тестирование завершено %s"_cp1251;
constexpr std::string_view kSuccessfully = "успешно."_cp1251;
constexpr std::string_view kWithErrors = "с ошибками."_cp1251;
constexpr std::string_view kFinished = "Тестирование завершено."_cp1251;

using SimpleUtils::fillPlaces;

}  // namespace

ModemTester::ModemTester(InfoViewerI& messages)
    : onFinished([] {}),
      m_execThread(std::make_unique<ExecThread>(kJobPauseMs)),
      m_messages(&messages),
      m_timer(kTimerMs, false) {
    // The search blocks for seconds: it runs on the job thread itself.
    m_execThread->setSynchronised(false);

    applyStoredSearchPlan(m_portFinder);
    m_portFinder.set_viewer(this);
    m_portFinder.set_exchange_log(this);

    FilesList files;
    listCommandFiles(files);
    if (!files.empty()) {
        setCommandListFile(files.front());
    }
}

ModemTester::~ModemTester() {
    SimpleUtils::debug_print("ModemTester::~. entry");
    onFinished = [] {};
    // A search may still be running: cancel it and wait for its end with the job thread still
    // in place, since its last steps go through the thread's synchronize.
    m_stopRequested = true;
    m_portFinder.cancel();
    m_execThread->terminate();
    m_execThread->waitFor();
    m_execThread.reset();
    releaseFacade(false);
    Config::destroy();
    CommonStaticLogKav::release();
    SimpleUtils::debug_print("ModemTester::~. quit");
}

void ModemTester::setCommandListFile(std::string_view name) {
    m_commandListPath = commandListPath(name);
}

void ModemTester::listCommandFiles(FilesList& out) {
    ::listCommandFiles(out);
}

void ModemTester::setExchangeLogWindow(ExchangeLogViewerI* window) {
    std::lock_guard<std::mutex> lock(m_windowMutex);
    m_exchangeLogWindow = window;
}

void ModemTester::applySettings() {
    // The plan never changes under a search: during a run it waits for the next start.
    m_settingsPending = true;
    if (!m_started) {
        applyPendingSettings();
    }
}

void ModemTester::applyPendingSettings() {
    if (m_settingsPending) {
        m_settingsPending = false;
        m_portFinder.set_only_one_port(Config::instance().only_one_port());
        m_portFinder.set_one_port_at_a_time(Config::instance().one_port_at_a_time());
    }
}

// --- a run -------------------------------------------------------------------------------

void ModemTester::start() {
    if (m_started) {
        addMessage(std::string(kPreviousNotFinished));
        return;
    }
    m_started = true;
    m_okCount = 0;
    m_failedCount = 0;
    const std::uint32_t run = ++m_run;
    m_commandPhaseArmed = false;
    m_commandsRunning = false;
    m_commandTexts.clear();
    if (m_commandListPath.empty()) {
        addMessage(std::string(kNoListFile));
    }
    releaseFacade(false);
    applyPendingSettings();
    // The stop request belongs to this run from here on: a stop of an earlier run is
    // forgotten, and one made before the search looks is seen by it.
    m_portFinder.clear_cancel();
    m_execThread->setJob([this, run] { searchJob(run); });
    m_execThread->run();
}

void ModemTester::searchJob(std::uint32_t run) {
    m_execThread->rearm();
    bool found = false;
    if (!m_stopRequested) {
        // Once per run, off the user-interface thread: the warning's scan reads all of /proc.
        std::string warning;
        found = searchModem(m_portFinder, warning);
        if (!warning.empty()) {
            show(warning, true);
            onNote(warning);
        }
    }
    // The run's next step belongs to the user-interface thread: it is the only place where a
    // run ends, so it ends exactly once.
    m_execThread->synchronize([this, run, found] {
        if (run != m_run || !m_started) {
            return;
        }
        if (!found || m_stopRequested) {
            finish();
            return;
        }
        armCommandPhase(run);
    });
}

void ModemTester::armCommandPhase(std::uint32_t run) {
    m_commandPhaseArmed = true;
    m_timer.setJob([this, run] { commandPhase(run); });
    m_timer.startOnce();
}

void ModemTester::commandPhase(std::uint32_t run) {
    if (run != m_run || !m_commandPhaseArmed) {
        return;  // a phase of an earlier run that a stop cancelled
    }
    m_commandPhaseArmed = false;
    if (m_stopRequested) {
        finish();
        return;
    }
    releaseFacade(false);
    m_phone = new ModemPhoneImpl();
    m_phone->setEchoOffAndHangup(false);
    m_phone->setIdleReportReading(false);
    m_phone->onAtCmdResult = &ModemTester::onAtCmdResult;
    m_phone->onAtCmdResultContext = this;

    const std::int32_t port = m_portFinder.found_port();
    const std::int32_t baud = m_portFinder.found_baud();
    if (!m_phone->open(port, baud, 0, this)) {
        addMessage(cannotOpenText(port, baud));
        const std::string reason = openFailureText(port, m_phone->modem()->port().open_failure());
        addMessage(reason);
        onNote(reason);
        finish();
        return;
    }
    m_phone->modem()->set_exchange_log(this);

    ModemAdjusterMt adjuster(*m_phone);
    adjuster.onAtCmdResult = &ModemTester::onAtCmdResult;
    adjuster.onAtCmdResultContext = this;
    adjuster.load(m_commandListPath);
    if (!adjuster.hasCommands()) {
        addMessage(std::string(kEmptyList));
        finish();
        return;
    }
    for (const AtCmdParamMt& line : adjuster.commands()) {
        std::string text;
        SimpleUtils::assignBytes(text, line.command.data(), line.command.size(), true);
        m_commandTexts.push_back(std::move(text));
    }
    m_commandsRunning = true;
    m_lastResultTick = platform::tickCount();
    adjuster.run();
}

void ModemTester::onAtCmdResult(void* context, const ATCmd& cmd) {
    static_cast<ModemTester*>(context)->handleResult(cmd);
}

void ModemTester::handleResult(const ATCmd& cmd) {
    if (m_discardResults || !m_started || !m_commandsRunning) {
        return;  // a facade released after its run ended
    }
    const bool ok = cmd.is_complete() && cmd.result();
    if (ok) {
        ++m_okCount;
    } else {
        ++m_failedCount;
    }
    std::string text;
    SimpleUtils::assignBytes(text, cmd.command_data(), cmd.command_size(), true);
    addMessage(fillPlaces("%s: %s", {text, ok ? std::string("OK") : std::string(kError)}));
    reportResult(text, cmd.kept_answer(),
                 ok ? CommandResult::Outcome::Ok : CommandResult::Outcome::Failed, {});
    if (m_phone == nullptr || !m_phone->hasCommands()) {
        finish();
    }
}

void ModemTester::onError(const std::string& text) {
    if (m_discardResults || !m_started || !m_commandsRunning) {
        return;
    }
    // The port failed under the command being executed (the one after those already
    // counted). Nothing more can come from this modem: the run ends now, and the queued
    // commands go with the facade's deferred release.
    addMessage(text);
    const std::size_t index = static_cast<std::size_t>(m_okCount + m_failedCount);
    const std::string command = index < m_commandTexts.size() ? m_commandTexts[index] : "";
    ++m_failedCount;
    addMessage(fillPlaces("%s: %s", {command, std::string(kError)}));
    reportResult(command, KeptAnswer{}, CommandResult::Outcome::PortError, text);
    finish();
}

void ModemTester::reportResult(const std::string& command, const KeptAnswer& answer,
                               CommandResult::Outcome outcome, const std::string& errorText) {
    const std::uint32_t now = platform::tickCount();
    const std::uint32_t duration = platform::ticksBetween(m_lastResultTick, now);
    m_lastResultTick = now;
    if (m_resultObserver != nullptr) {
        std::string kept(answer.head());
        kept += answer.tail();
        m_resultObserver->onCommandResult(
            {command, std::move(kept), outcome, duration, errorText, answer.skipped()});
    }
}

void ModemTester::finish() {
    const std::int32_t total = m_okCount + m_failedCount;
    if (total != 0) {
        addMessage(fillPlaces(kExecuted, {std::to_string(total), std::to_string(m_okCount),
                                          std::to_string(m_failedCount)}));
    }
    if (!m_stopRequested && total != 0) {
        const std::string verdict(m_failedCount == 0 ? kSuccessfully : kWithErrors);
        addMessage(fillPlaces(kFinishedAs, {verdict}));
    } else {
        addMessage(std::string(kFinished));
    }
    if (m_phone != nullptr) {
        // Not here: this may run inside a notification the facade's worker waits for.
        m_timer.setJob([this] { releaseFacade(false); });
        m_timer.startOnce();
    }
    m_started = false;
    m_stopRequested = false;
    m_commandPhaseArmed = false;
    m_commandsRunning = false;
    onFinished();
}

void ModemTester::stop() {
    SimpleUtils::debug_print("ModemTester::stop. entry");
    if (!m_started) {
        onFinished();
        SimpleUtils::debug_print("ModemTester::stop. quit (not started)");
        return;
    }
    m_stopRequested = true;
    m_timer.stop();
    m_portFinder.cancel();
    if (m_commandPhaseArmed) {
        // Found, but the command phase has not begun: nothing else would end this run.
        finish();
        SimpleUtils::debug_print("ModemTester::stop. quit (command phase cancelled)");
        return;
    }
    if (m_phone != nullptr) {
        // The release ends the exchange under way at once. A command already written
        // reports its failed result while the release waits for the worker, which ends the
        // run; one still in its delay reports nothing, and the run ends here.
        releaseFacade(true);
        if (m_started) {
            finish();
        }
        SimpleUtils::debug_print("ModemTester::stop. quit (modem destroyed)");
        return;
    }
    SimpleUtils::debug_print("ModemTester::stop. quit (modem no created)");
}

void ModemTester::releaseFacade(bool keepResults) {
    if (m_phone == nullptr) {
        return;
    }
    ModemPhoneImpl* phone = m_phone;
    m_phone = nullptr;
    const bool discard = m_discardResults;
    m_discardResults = !keepResults;
    phone->release();
    m_discardResults = discard;
}

// --- progress and exchange ---------------------------------------------------------------

void ModemTester::show(const std::string& text, bool newLine) {
    {
        std::lock_guard<std::mutex> lock(m_infoMutex);
        m_infoUnits.push_back({text, newLine});
    }
    // Each display step shows the oldest unit waiting, so the lines keep the order in which
    // they were handed over, whichever thread's step runs first.
    m_execThread->synchronize([this] {
        InfoUnit unit;
        {
            std::lock_guard<std::mutex> lock(m_infoMutex);
            unit = std::move(m_infoUnits.front());
            m_infoUnits.pop_front();
        }
        m_messages->show(unit.text, unit.newLine);
    });
}

void ModemTester::addMessage(const std::string& text) {
    m_messages->show(text, true);
}

void ModemTester::onRead(const char* data, std::uint32_t length) {
    onLine(exchangeLine(kReadMark, data, length));
}

void ModemTester::onWrite(const char* data, std::uint32_t length) {
    onLine(exchangeLine(kWriteMark, data, length));
}

void ModemTester::onNote(const std::string& text) {
    onLine(exchangeLine(kNoteMark, text.data(), static_cast<std::uint32_t>(text.size())));
}

void ModemTester::onStray(const char* data, std::uint32_t length) {
    onLine(exchangeLine(kStrayMark, data, length));
}

void ModemTester::onSkipped(std::uint64_t length) {
    onLine(skippedLine(length));
}

void ModemTester::onLine(const std::string& line) {
    std::lock_guard<std::mutex> lock(m_windowMutex);
    if (m_exchangeLogWindow != nullptr) {
        m_exchangeLogWindow->addLine(line);
    }
}
