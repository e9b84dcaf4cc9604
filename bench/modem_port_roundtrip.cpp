// Round trip of one command through ModemPort against the in-process simulated modem, for a
// 6-byte reply (CR LF "OK" CR LF, echo off). Prints the median and the 90th percentile in
// milliseconds beside the floor the port's time limits impose: once the reply is in, a read
// returns only after the line has been quiet for 50 ms, and the loop then pauses 5 ms.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "modem/adjusted_at_cmd.h"
#include "modem/modem_port.h"
#include "platform/app_folder.h"
#include "sim/sim_modem.h"
#include "tests/support/temp_dir.h"

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 100;
    testsupport::TempAppFolder app;

    sim::SimOptions options;
    options.profile.echo = false;
    sim::SimModem modem(options);
    modem.start();
    modem.linkAs(app.path(), 1);

    ModemPort port(1, 115200, 8, 1, false, true);
    if (!port.is_open()) {
        std::fprintf(stderr, "the simulated modem's port did not open\n");
        return 1;
    }

    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(rounds));
    int answered = 0;
    for (int i = 0; i < rounds; ++i) {
        AdjustedAtCmd cmd("AT\r", "\r\nOK\r\n", 1000);
        const auto start = std::chrono::steady_clock::now();
        port.execute(cmd);
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        times.push_back(took.count());
        answered += (cmd.is_complete() && cmd.result()) ? 1 : 0;
    }
    modem.stop();

    std::sort(times.begin(), times.end());
    const auto at = [&](double q) {
        return times[std::min(times.size() - 1, static_cast<std::size_t>(q * times.size()))];
    };
    std::printf("modem port round trip, 6-byte reply, %d rounds (%d answered)\n", rounds, answered);
    std::printf(
        "  median %.1f ms   p90 %.1f ms   floor %.1f ms (50 ms quiet interval + 5 ms poll)\n",
        at(0.5), at(0.9), 55.0);
    return answered == rounds ? 0 : 1;
}
