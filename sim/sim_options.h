#pragma once

// The command line of orvane-sim.

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "sim/sim_modem.h"

namespace sim {

struct SimCommandLine {
    bool help = false;
    int port = 0;
    std::optional<std::filesystem::path> appFolder;
    SimOptions options;
};

// A command line that cannot be followed; what() says why, in a sentence for the user.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The arguments after the program name. Throws UsageError.
SimCommandLine parseSimCommandLine(const std::vector<std::string_view>& args);

std::string simUsage();

}  // namespace sim
