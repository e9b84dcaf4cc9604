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
    bool commands = false;                // take commands on standard input
    std::uint32_t ringEveryMs = 0;        // for incoming calls asked for on standard input
    std::string sender = "+10000000000";  // of text messages
    std::vector<std::string> messages;    // stored from slot 1 at start
};

// A command line that cannot be followed; what() says why, in a sentence for the user.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The arguments after the program name. Throws UsageError.
SimCommandLine parseSimCommandLine(const std::vector<std::string_view>& args);

std::string simUsage();

// Names of dial outcomes as the command line and the command channel write them:
// connect, busy, no-carrier, no-dialtone, no-answer, no-reply.
std::optional<DialOutcome> dialOutcomeNamed(std::string_view name);

// One line of the command channel (see simUsage) acted on. Throws UsageError for a line
// that cannot be followed or an action the modem refuses.
void runSimCommand(SimModem& modem, std::string_view line, const SimCommandLine& settings);

}  // namespace sim
