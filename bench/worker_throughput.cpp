// Command throughput through the command worker: 200 asynchronous "AT" commands against the
// simulated modem (echo off, 6-byte reply). Prints the median and 90th percentile of the time
// between two results, and the floor the time limits impose per command: the 50 ms quiet
// interval that ends a read, the 5 ms poll pause and the worker's 5 ms pause after each
// command.

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <vector>

#include "bench/bench_support.h"
#include "modem/modem_module/impl/modem_phone_impl.h"
#include "platform/qt/qt_ui_binding.h"
#include "tests/support/port_links.h"
#include "tests/support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Timing {
    std::vector<Clock::time_point> at;
    int ok = 0;
    std::size_t expected = 0;
    static void onResult(void* context, const ATCmd& cmd) {
        auto* self = static_cast<Timing*>(context);
        self->at.push_back(Clock::now());
        self->ok += cmd.is_complete() && cmd.result() ? 1 : 0;
        if (self->at.size() == self->expected) {
            QCoreApplication::quit();
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 200;
    QCoreApplication app(argc, argv);
    platform::QtUiBinding binding;
    testsupport::TempAppFolder folder;
    testsupport::makeLinksOnly(folder.path());
    bench::SimProcess modem(folder.path(), 1, "--no-echo");

    Timing timing;
    timing.expected = static_cast<std::size_t>(count);
    auto* phone = new ModemPhoneImpl();
    phone->onAtCmdResult = &Timing::onResult;
    phone->onAtCmdResultContext = &timing;
    phone->setEchoOffAndHangup(false);
    phone->setIdleReportReading(false);
    ModemPhoneEventsHandlerStub handler;
    if (!phone->open(1, 115200, 0, &handler)) {
        std::fprintf(stderr, "the simulated modem's port did not open\n");
        phone->release();
        return 1;
    }
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
        phone->executeAtCommand("AT", 1000, 0, true);
    }
    QCoreApplication::exec();
    phone->release();

    std::vector<double> gaps;
    Clock::time_point previous = start;
    for (const Clock::time_point& t : timing.at) {
        gaps.push_back(std::chrono::duration<double, std::milli>(t - previous).count());
        previous = t;
    }
    const double total = std::chrono::duration<double>(previous - start).count();
    std::printf("worker throughput, %d commands (%d answered OK) in %.2f s\n", count, timing.ok,
                total);
    std::printf(
        "  per command: median %.1f ms   p90 %.1f ms   floor %.1f ms "
        "(50 ms quiet + 5 ms poll + 5 ms pause)\n",
        bench::percentile(gaps, 0.5), bench::percentile(gaps, 0.9), 60.0);
    return timing.ok == count ? 0 : 1;
}
