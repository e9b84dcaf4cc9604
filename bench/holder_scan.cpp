// What telling the operator who holds a port costs: the /proc walk behind the line after a
// port that did not open (every process's descriptors, then /proc/locks) and behind the
// once-per-run ModemManager warning. A pseudo-terminal linked as COM1 is held, locked, by a
// process of its own; each figure is the median and the longest of 50 calls on this machine
// as it is (its processes and their descriptors are counted and printed).

#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "modem/port_open_diagnosis.h"
#include "tests/support/child_process.h"
#include "tests/support/port_links.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr int kCalls = 50;

// Entries of a folder, without "." and "..".
int entries(const char* path) {
    DIR* dir = ::opendir(path);
    int count = 0;
    for (dirent* entry; dir != nullptr && (entry = ::readdir(dir)) != nullptr;) {
        count += entry->d_name[0] != '.';
    }
    if (dir != nullptr) {
        ::closedir(dir);
    }
    return count;
}

void measure(const char* what, const std::function<void()>& call) {
    std::vector<double> ms;
    for (int i = 0; i < kCalls; ++i) {
        const auto start = std::chrono::steady_clock::now();
        call();
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("  %s: median %.2f ms   longest %.2f ms\n", what, ms[ms.size() / 2], ms.back());
}

}  // namespace

int main() {
    testsupport::TempAppFolder folder;
    testsupport::PtyPair line;
    testsupport::linkPort(folder.path(), 1, line.slavePath());
    const testsupport::DeviceHolder holder(folder.path(), "terminal", line.slavePath(), true);
    const TCommPort refused(1, 115200, 8, 1, false, true);

    int processes = 0;
    int descriptors = 0;
    if (DIR* proc = ::opendir("/proc")) {
        for (dirent* entry; (entry = ::readdir(proc)) != nullptr;) {
            if (entry->d_name[0] >= '1' && entry->d_name[0] <= '9') {
                ++processes;
                descriptors += entries(("/proc/" + std::string(entry->d_name) + "/fd").c_str());
            }
        }
        ::closedir(proc);
    }
    std::printf("holder scan, %d processes with %d descriptors\n", processes, descriptors);
    measure("reason a locked port did not open",
            [&] { (void)openFailureText(1, refused.open_failure()); });
    measure("ModemManager warning", [&] { (void)modemManagerWarning(1); });
    return 0;
}
