// The modem search over ports where nothing answers: silent simulated modems, each in a
// process of its own and linked as COM1..COMn of a temporary application folder (with
// ports/links-only, so the machine's own serial devices stay out of the search). With the
// default plan every port is tried at every rate of the baud list, each try waiting the
// rate's full answer wait. Prints, for 4 and 16 ports, the search with every port checked
// at once (ideally one port's planned waits, whatever the number of ports) and one port at a
// time (ideally the sum of every port's), each as a ratio to that ideal; what lies above it
// is the cost of opening ports, switching rates and the reads around each wait. Last, the
// time to find a modem on the fourth of four ports, with three silent ones before it (their
// checks decide first: a search shows the first port in order that answers).

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "bench/bench_support.h"
#include "modem/port_finder_ext.h"
#include "tests/support/port_links.h"
#include "tests/support/temp_dir.h"

namespace {

struct Search {
    double seconds = 0;
    bool found = false;
    std::int32_t port = 0;
};

// ports ports, silent but the last when modemOnLast.
Search search(int ports, bool oneAtATime, bool modemOnLast) {
    testsupport::TempAppFolder folder;
    testsupport::makeLinksOnly(folder.path());
    std::vector<std::unique_ptr<bench::SimProcess>> modems;
    for (int port = 1; port <= ports; ++port) {
        const bool answers = modemOnLast && port == ports;
        modems.push_back(
            std::make_unique<bench::SimProcess>(folder.path(), port, answers ? "" : "--silent"));
    }
    PortFinderExt finder;
    finder.set_one_port_at_a_time(oneAtATime);
    const auto start = std::chrono::steady_clock::now();
    Search result;
    result.found = finder.find(0, 0);
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.port = result.found ? finder.found_port() : 0;
    return result;
}

}  // namespace

int main() {
    const PortFinderExt plan;
    std::int64_t waitPerPortMs = 0;
    for (const BaudrateParam& entry : plan.baud_list()) {
        waitPerPortMs += entry.answerWaitMs;
    }
    waitPerPortMs *= static_cast<std::int64_t>(plan.search_commands().size());
    const double onePort = static_cast<double>(waitPerPortMs) / 1000.0;
    std::printf("modem search, %zu rates x %zu command(s), one port's planned waits %.2f s\n",
                plan.baud_list().size(), plan.search_commands().size(), onePort);

    bool unexpected = false;
    for (const int ports : {4, 16}) {
        const Search atOnce = search(ports, false, false);
        const Search inTurn = search(ports, true, false);
        unexpected = unexpected || atOnce.found || inTurn.found;
        std::printf(
            "  %d silent ports: at once %.2f s, ratio %.3f of one port's plan; "
            "one at a time %.2f s, ratio %.3f of the sum of the plans\n",
            ports, atOnce.seconds, atOnce.seconds / onePort, inTurn.seconds,
            inTurn.seconds / (onePort * ports));
    }

    const Search atOnce = search(4, false, true);
    const Search inTurn = search(4, true, true);
    unexpected = unexpected || atOnce.port != 4 || inTurn.port != 4;
    std::printf(
        "  modem on the 4th of 4 ports, 3 silent before it: at once %.2f s, "
        "one at a time %.2f s\n",
        atOnce.seconds, inTurn.seconds);
    if (unexpected) {
        std::printf("UNEXPECTED: a silent port answered or the modem was missed\n");
    }
    return unexpected ? 1 : 0;
}
