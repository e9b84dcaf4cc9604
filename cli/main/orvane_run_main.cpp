// orvane-run: the modem test without windows, for automation and machines without a display.

#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <atomic>
#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/console_messages.h"
#include "cli/exchange_printer.h"
#include "cli/junit_report.h"
#include "cli/list_choice.h"
#include "cli/port_listing.h"
#include "cli/run_options.h"
#include "common/text_utils.h"
#include "common_storage/config.h"
#include "platform/app_folder.h"
#include "platform/cp1251.h"
#include "platform/qt/qt_ui_binding.h"
#include "platform/single_instance_lock.h"
#include "platform/stop_signals.h"
#include "platform/ui_thread.h"
#include "tester/modem_tester.h"

using namespace platform::literals;

namespace {

constexpr const char* kInstanceName = "orvane.5E1A7D20-4C3B-4f81-9A62-D0B7C35E9F14";
constexpr std::uint32_t kRestartMs = 100;
constexpr std::uint32_t kSignalPollMs = 50;

int usageError(const std::string& error) {
    std::fprintf(stderr, "orvane-run: %s\nTry 'orvane-run --help'.\n", error.c_str());
    return 2;
}

// Collects the executed commands for the JUnit report.
class ReportObserver : public CommandResultObserverI {
public:
    explicit ReportObserver(JunitReport& report) : m_report(report) {}
    void onCommandResult(const CommandResult& result) override { m_report.add(result); }

private:
    JunitReport& m_report;
};

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const std::optional<RunOptions> parsed =
        parseRunOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!parsed) {
        return usageError(error);
    }
    const RunOptions options = *parsed;
    if (options.help) {
        std::fputs(runUsage().c_str(), stdout);
        return 0;
    }
    if (options.ports) {
        // Before the single-instance lock: a running test must not hide its own port.
        for (const std::string& line : portListing()) {
            std::printf("%s\n", line.c_str());
        }
        return 0;
    }

    platform::SingleInstanceLock instance(kInstanceName);
    if (instance.alreadyRunning()) {
        std::fprintf(stderr, "%s\n",
                     platform::cp1251ToUtf8("Приложение уже запущено"_cp1251).c_str());
        return 2;
    }

    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");  // Qt took the environment's conventions
    platform::QtUiBinding binding;
    platform::installStopSignals();

    FilesList files;
    listCommandFiles(files);
    FilesList titles;
    for (const std::string& file : files) {
        titles.push_back(SimpleUtils::fileTitleOf(file));
    }
    const std::optional<std::string> chosen =
        chooseCommandList(titles, options.list, Config::instance().command_set());
    if (!chosen) {
        Config::destroy();
        return usageError("no command list named '" + options.list.value_or("") + "' in " +
                          (platform::applicationFolder() / "cfg").string());
    }

    ConsoleMessages messages(stdout, ::isatty(STDOUT_FILENO) == 1);
    ExchangePrinter exchange(stderr);
    JunitReport report;
    ReportObserver observer(report);

    int exitCode = 0;
    int runs = 0;
    bool interrupted = false;
    {
        ModemTester tester(messages);
        if (!chosen->empty()) {
            tester.setCommandListFile(*chosen);
        }
        if (options.exchange) {
            tester.setExchangeLogWindow(&exchange);
        }
        if (options.junitFile) {
            tester.setResultObserver(&observer);
        }

        platform::UiTimer restart([&] {
            report.beginRun(platform::utf8ToCp1251(*chosen));
            tester.start();
        });
        restart.setInterval(kRestartMs);

        tester.onFinished = [&] {
            restart.stop();
            messages.flush();
            const std::string verdict = messages.lastText();
            const bool succeeded = verdict == "Тестирование завершено успешно."_cp1251;
            report.endRun(verdict, succeeded);
            if (!succeeded) {
                exitCode = 1;
            }
            ++runs;
            if (interrupted || (options.repeat != 0 && runs >= options.repeat)) {
                QCoreApplication::quit();
            } else {
                restart.start();  // the next run, 100 ms after this one ended
            }
        };

        // The handler only raises a flag; the stop itself belongs to the event loop.
        platform::UiTimer signalPoll([&] {
            if (!platform::stopSignalled() || interrupted) {
                return;
            }
            interrupted = true;
            exitCode = 1;
            if (tester.isStarted()) {
                tester.stop();  // its onFinished quits
            } else {
                restart.stop();
                QCoreApplication::quit();
            }
        });
        signalPoll.setInterval(kSignalPollMs);
        signalPoll.start();

        platform::ui::post([&] {
            report.beginRun(platform::utf8ToCp1251(*chosen));
            tester.start();
        });
        QCoreApplication::exec();
        signalPoll.stop();
        restart.stop();
        tester.setExchangeLogWindow(nullptr);
        tester.setResultObserver(nullptr);
    }  // the controller saves the settings as it goes
    messages.flush();

    if (options.junitFile && !report.write(*options.junitFile)) {
        std::fprintf(stderr, "orvane-run: cannot write %s\n", options.junitFile->c_str());
        exitCode = 1;
    }
    return exitCode;
}
