// How fast the exchange log window takes lines from a worker thread: the worker adds a
// number of typical exchange lines (a command written, its answer read) as fast as it can,
// the window, shown and buffered as the main window keeps it, drains them on its 10 ms
// timer. Prints the lines per second from the first line added to the last one shown, the
// longest time one addLine call kept the worker (it only appends under the queue's lock, so
// this is lock hand-over and list growth), and the longest gap between two ticks of a 5 ms
// timer on the user-interface thread (how long one drain holds that thread).
//
// Runs with QT_QPA_PLATFORM=offscreen; the count of lines is the optional argument.

#include <QApplication>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/qt/qt_ui_binding.h"
#include "tests/support/temp_dir.h"
#include "ui/t_exchange_log_form.h"

namespace {

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50000;
    QApplication app(argc, argv);
    int result = 0;
    {
        platform::QtUiBinding binding;
        const testsupport::TempAppFolder folder;  // where the window stores its placement
        TExchangeLogForm form;
        form.setBuffered(true);
        form.setShowLineBreaks(true);
        form.show();
        auto* memo = form.findChild<QPlainTextEdit*>("LogMemo");
        if (memo == nullptr) {
            std::fprintf(stderr, "the exchange log window has no text box\n");
            return 1;
        }

        // The user-interface thread's own latency while it absorbs the lines.
        double longestTickGapMs = 0.0;
        Clock::time_point previousTick = Clock::now();
        const std::string kLast = "<<< end of the run";
        Clock::time_point lastShown;
        QObject::connect(memo, &QPlainTextEdit::textChanged, [&] {
            if (memo->document()->lastBlock().text().toStdString() == kLast) {
                lastShown = Clock::now();
                // The drain that showed the last line may have begun long ago.
                longestTickGapMs = std::max(longestTickGapMs, msBetween(previousTick, lastShown));
                QApplication::quit();
            }
        });

        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const Clock::time_point now = Clock::now();
            longestTickGapMs = std::max(longestTickGapMs, msBetween(previousTick, now));
            previousTick = now;
        });

        Clock::time_point firstAdded;
        Clock::time_point allAdded;
        double longestAddMs = 0.0;
        std::atomic<bool> go{false};
        std::thread worker([&] {
            while (!go) {
                std::this_thread::yield();
            }
            const std::string written = ">>> AT+CSQ\r";
            const std::string read = "<<< AT+CSQ\r\r\n+CSQ: 21,99\r\n\r\nOK\r\n";
            firstAdded = Clock::now();
            for (int i = 0; i + 1 < count; ++i) {
                const Clock::time_point before = Clock::now();
                form.addLine(i % 2 == 0 ? written : read);
                longestAddMs = std::max(longestAddMs, msBetween(before, Clock::now()));
            }
            form.addLine(kLast);
            allAdded = Clock::now();
        });

        QTimer::singleShot(0, [&] {
            previousTick = Clock::now();
            ticker.start(5);
            go = true;
        });
        QApplication::exec();
        worker.join();
        ticker.stop();

        const double seconds = msBetween(firstAdded, lastShown) / 1000.0;
        std::printf("exchange log window, %d lines from a worker thread\n", count);
        std::printf(
            "  absorbed %.0f lines/s (%.3f s to show all; the worker added them in %.3f s)\n",
            count / seconds, seconds, msBetween(firstAdded, allAdded) / 1000.0);
        std::printf("  longest addLine %.3f ms   longest user-interface stall %.1f ms\n",
                    longestAddMs, longestTickGapMs);
        result = seconds > 0 ? 0 : 1;
    }
    return result;
}
