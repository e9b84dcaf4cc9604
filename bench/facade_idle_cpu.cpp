// CPU time an open facade uses while nothing happens on the line, over a number of seconds
// (the optional argument, 5 by default) in each of two set-ups: as the test controller opens
// it (no echo-off, no report reading), and with the defaults (reports read every idle pass). The
// simulated modem runs in a process of its own, so only our threads are counted. Target: well under
// 1% of a core.

#include <sys/resource.h>

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "bench/bench_support.h"
#include "modem/modem_module/impl/modem_phone_impl.h"
#include "platform/app_folder.h"
#include "platform/qt/qt_ui_binding.h"
#include "tests/support/port_links.h"
#include "tests/support/temp_dir.h"

namespace {

double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double idleShare(bool quiet, int seconds) {
    auto* phone = new ModemPhoneImpl();
    phone->setEchoOffAndHangup(!quiet);
    phone->setIdleReportReading(!quiet);
    ModemPhoneEventsHandlerStub handler;
    if (!phone->open(1, 115200, 0, &handler)) {
        std::fprintf(stderr, "the simulated modem's port did not open\n");
        phone->release();
        return -1.0;
    }
    const double before = cpuSeconds();
    QTimer::singleShot(seconds * 1000, [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    const double used = cpuSeconds() - before;
    phone->release();
    return 100.0 * used / seconds;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    platform::QtUiBinding binding;
    testsupport::TempAppFolder folder;
    testsupport::makeLinksOnly(folder.path());
    bench::SimProcess modem(folder.path(), 1, "--no-echo");

    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const double quiet = idleShare(true, seconds);
    const double reading = idleShare(false, seconds);
    std::printf("idle facade over %d s, CPU share of one core (target < 1%%)\n", seconds);
    std::printf("  as the test controller opens it (no report reading): %.3f %%\n", quiet);
    std::printf("  with the defaults (reports read every idle pass):     %.3f %%\n", reading);
    return quiet < 0 || reading < 0 ? 1 : 0;
}
