// How long the answer matchers take to judge a flooding modem's answer: 20 MiB of numbered
// lines that never match, handed over in 64 KiB chunks (what a read returns from a busy line),
// for a line-judged command (OK / ERROR) and a configured one (its expected bytes anywhere).
// The time should grow with the answer's length, not with its square.

#include <chrono>
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <string>

#include "modem/adjusted_at_cmd.h"
#include "modem/at_cmd.h"
#include "sim/flood_pattern.h"

namespace {

constexpr std::size_t kChunk = 64 * 1024;

double secondsToJudge(InquiryCmd& cmd, const std::string& flood) {
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t at = 0; at < flood.size() && !cmd.is_complete(); at += kChunk) {
        const std::size_t size = std::min(kChunk, flood.size() - at);
        cmd.on_data(flood.data() + at, static_cast<int>(size));
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
    std::printf("answer matchers, a flood handed over in %zu KiB chunks\n", kChunk / 1024);
    for (const std::size_t mib : {5U, 10U, 20U}) {
        const std::string flood = sim::FloodPattern::slice(0, mib * 1024 * 1024);
        ATCmd lines;
        lines.set_command("AT\r");
        lines.add_complete_rule("OK", true);
        lines.add_complete_rule("ERROR", false);
        AdjustedAtCmd bytes("AT\r", "\r\nOK\r\n", 1000);
        const double lineSeconds = secondsToJudge(lines, flood);
        const double byteSeconds = secondsToJudge(bytes, flood);
        std::printf("  %2zu MiB: line rules %.3f s   expected bytes %.3f s\n", mib, lineSeconds,
                    byteSeconds);
    }
    return 0;
}
