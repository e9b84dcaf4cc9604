#pragma once

// Shared by the benchmarks: a simulated modem in a process of its own (so its CPU time is
// not counted with ours), linked as COM1 of a temporary application folder.

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace bench {

class SimProcess {
public:
    SimProcess(const std::filesystem::path& appFolder, int port, const std::string& options);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

private:
    pid_t m_pid = -1;
};

// Median and percentile of a sample (sorted in place).
double percentile(std::vector<double>& values, double q);

}  // namespace bench
