// The modem search over four ports where nothing answers: four silent simulated modems, each
// in a process of its own and linked as COM1..COM4 of a temporary application folder (with
// ports/links-only, so the machine's own serial devices stay out of the search). With the
// default plan every port is tried at every rate of the baud list, each try waiting the
// rate's full answer wait. Prints the time of the whole search next to the sum of those
// planned waits; what lies above it is the cost of opening ports and switching rates.

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "bench/bench_support.h"
#include "modem/port_finder_ext.h"
#include "tests/support/port_links.h"
#include "tests/support/temp_dir.h"

int main() {
    constexpr int kPorts = 4;
    testsupport::TempAppFolder folder;
    testsupport::makeLinksOnly(folder.path());
    std::vector<std::unique_ptr<bench::SimProcess>> modems;
    for (int port = 1; port <= kPorts; ++port) {
        modems.push_back(std::make_unique<bench::SimProcess>(folder.path(), port, "--silent"));
    }

    PortFinderExt finder;
    std::int64_t waitPerPortMs = 0;
    for (const BaudrateParam& entry : finder.baud_list()) {
        waitPerPortMs += entry.answerWaitMs;
    }
    waitPerPortMs *= static_cast<std::int64_t>(finder.search_commands().size());
    const double plannedSeconds = static_cast<double>(waitPerPortMs * kPorts) / 1000.0;

    const auto start = std::chrono::steady_clock::now();
    const bool found = finder.find(0, 0);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::printf("modem search, %d silent ports, %zu rates x %zu command(s)\n", kPorts,
                finder.baud_list().size(), finder.search_commands().size());
    std::printf("  search %.2f s   planned waits %.2f s   ratio %.3f   %s\n", seconds,
                plannedSeconds, seconds / plannedSeconds, found ? "FOUND (unexpected)" : "none");
    return found ? 1 : 0;
}
