// How long a stop takes while a command waits out a 30 s answer wait: from SIGINT to the exit of
// orvane-run, and from СТОП in the main window to the run's end there, ten times each. Next to
// each stop it prints what the stop used to cost: the command on the line ran to the end of its
// wait, so the remainder of the 30 s. For the window it also prints the longest time the
// user-interface thread was kept from a 2 ms timer, from just before СТОП until 200 ms after.
//
// Runs with QT_QPA_PLATFORM=offscreen. orvane-run talks to orvane-sim in a process of its own;
// the window to the simulated modem in-process.

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "common_storage/config.h"
#include "platform/qt/qt_ui_binding.h"
#include "sim/sim_modem.h"
#include "tester/command_list_files.h"
#include "tester/modem_tester.h"
#include "tests/support/child_process.h"
#include "tests/support/port_links.h"
#include "tests/support/temp_dir.h"
#include "ui/t_main_form.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kStops = 10;
constexpr double kAnswerWaitMs = 30000;

double msBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

void writeList(const fs::path& app) {
    fs::create_directories(app / "cfg");
    std::ofstream(app / "cfg" / "long.cmd_list", std::ios::binary)
        << commandListHeader() << "\r\nAT<CR> OK 10000\r\nATI<CR> NEVER 30000\r\n";
}

// Runs the event loop until done() or the time runs out.
bool serveUntil(const std::function<bool()>& done, int timeoutMs = 60000) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() > deadline) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

void printRow(const char* what, std::vector<double> stopMs, std::vector<double> beforeMs) {
    std::printf("%s: median %.1f ms, max %.1f ms; before: median %.1f s\n", what,
                bench::percentile(stopMs, 0.5), bench::percentile(stopMs, 1.0),
                bench::percentile(beforeMs, 0.5) / 1000.0);
}

// SIGINT while ATI waits: the time to the end of orvane-run's output, which closes at exit.
bool orvaneRun(std::vector<double>& stopMs, std::vector<double>& beforeMs) {
    testsupport::TempDir root;
    const fs::path app = root.path() / "app";
    writeList(app);
    testsupport::makeLinksOnly(app);
    fs::create_directories(root.path() / "run");
    fs::copy_file(ORVANE_RUN_EXE, app / "orvane-run");
    bench::SimProcess modem(app, 1, "");
    for (int i = 0; i < kStops; ++i) {
        testsupport::ChildProcess run((app / "orvane-run").string(),
                                      {"--list", "long", "--exchange"}, root.path() / "run");
        if (run.readErrorUntil("<<< ATI", 30000).find("<<< ATI") == std::string::npos) {
            return false;
        }
        const Clock::time_point written = Clock::now();
        run.signal(SIGINT);
        const Clock::time_point signalled = Clock::now();
        run.readAll(true, 60000);
        const Clock::time_point ended = Clock::now();
        run.readAll(false, 1000);
        if (run.waitExit(10000) != 1) {
            return false;
        }
        stopMs.push_back(msBetween(signalled, ended));
        beforeMs.push_back(kAnswerWaitMs - msBetween(written, signalled));
    }
    return true;
}

// СТОП while ATI waits: the click returns with the run ended.
bool mainWindow(std::vector<double>& stopMs, std::vector<double>& beforeMs,
                std::vector<double>& stallMs) {
    testsupport::TempAppFolder app;
    writeList(app.path());
    testsupport::makeLinksOnly(app.path());
    sim::SimModem modem;
    modem.start();
    modem.linkAs(app.path(), 1);
    bool ok = true;
    {
        TMainForm form;
        form.show();
        auto* start = form.findChild<QPushButton*>("Btn_Start");
        bool recording = false;
        double longestGapMs = 0.0;
        Clock::time_point previousTick = Clock::now();
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const Clock::time_point now = Clock::now();
            if (recording) {
                longestGapMs = std::max(longestGapMs, msBetween(previousTick, now));
            }
            previousTick = now;
        });
        ticker.start(2);
        for (int i = 0; i < kStops && ok; ++i) {
            start->click();
            ok = serveUntil([&] {
                const std::vector<std::string> heard = modem.stats().commandLines;
                return std::count(heard.begin(), heard.end(), "ATI") == i + 1;
            });
            const Clock::time_point written = Clock::now();
            serveUntil([] { return false; }, 20);  // the ticker in step again
            recording = true;
            longestGapMs = 0.0;
            const Clock::time_point stopped = Clock::now();
            start->click();
            ok = ok && serveUntil([&] { return !form.tester().isStarted(); });
            const Clock::time_point ended = Clock::now();
            serveUntil([] { return false; }, 200);
            recording = false;
            stopMs.push_back(msBetween(stopped, ended));
            beforeMs.push_back(kAnswerWaitMs - msBetween(written, stopped));
            stallMs.push_back(longestGapMs);
        }
    }
    Config::destroy();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    platform::QtUiBinding binding;
    std::vector<double> runStop;
    std::vector<double> runBefore;
    if (!orvaneRun(runStop, runBefore)) {
        std::fprintf(stderr, "orvane-run did not reach the long wait or did not end\n");
        return 1;
    }
    std::vector<double> windowStop;
    std::vector<double> windowBefore;
    std::vector<double> stall;
    if (!mainWindow(windowStop, windowBefore, stall)) {
        std::fprintf(stderr, "the window's run did not reach the long wait or did not end\n");
        return 1;
    }
    std::printf("stop latency, %d stops each, a %.0f s answer wait on the line\n", kStops,
                kAnswerWaitMs / 1000.0);
    printRow("  SIGINT to orvane-run's exit", runStop, runBefore);
    printRow("  STOP to the run's end in the window", windowStop, windowBefore);
    std::printf(
        "  user-interface thread's longest stall around STOP: median %.1f ms, max %.1f ms\n",
        bench::percentile(stall, 0.5), bench::percentile(stall, 1.0));
    return 0;
}
