#include "cli/run_options.h"

#include <charconv>

namespace {

bool parseCount(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && value >= 0;
}

}  // namespace

std::optional<RunOptions> parseRunOptions(const std::vector<std::string>& args,
                                          std::string& error) {
    RunOptions options;
    std::string runOption;  // one that belongs to a test run, which --ports has none of
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg != "--help" && arg != "-h" && arg != "--ports" && runOption.empty()) {
            runOption = arg;
        }
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--ports") {
            options.ports = true;
        } else if (arg == "--exchange") {
            options.exchange = true;
        } else if (arg == "--list" || arg == "--junit" || arg == "--repeat") {
            if (!hasValue) {
                error = "option " + arg + " needs a value";
                return std::nullopt;
            }
            const std::string& value = args[++i];
            if (arg == "--list") {
                options.list = value;
            } else if (arg == "--junit") {
                if (value.empty()) {
                    error = "option --junit needs a file name";
                    return std::nullopt;
                }
                options.junitFile = value;
            } else if (!parseCount(value, options.repeat)) {
                error =
                    "option --repeat takes a count (0 = until interrupted), not '" + value + "'";
                return std::nullopt;
            }
        } else {
            error = "unknown option '" + arg + "'";
            return std::nullopt;
        }
    }
    if (options.ports && !runOption.empty()) {
        error = "option --ports takes no other option than --help, not '" + runOption + "'";
        return std::nullopt;
    }
    return options;
}

std::string runUsage() {
    return "Usage: orvane-run [options]\n"
           "\n"
           "Runs the modem test of orvane without windows: finds the modem on the serial\n"
           "ports of the application folder (ports/, orvane.ini), runs a command list from\n"
           "cfg/ against it and prints every message as \"HH:MM:SS text\".\n"
           "\n"
           "Options:\n"
           "  --list NAME    the command list to run (its title: the file name without\n"
           "                 .cmd_list); default: the list chosen in orvane when it still\n"
           "                 exists, otherwise the first list\n"
           "  --repeat N     N runs back to back, each started 100 ms after the previous\n"
           "                 one ended; 0 runs until interrupted (default 1)\n"
           "  --exchange     print every block written to the modem (\">>> \") and read\n"
           "                 from it (\"<<< \"; \"<<- \": a late answer, no command's) on\n"
           "                 stderr, line breaks as <CR> and <LF>; of an answer over\n"
           "                 128 KiB its first and last 64 KiB; during the search each\n"
           "                 line begins with its port (\"COM3 \")\n"
           "  --junit FILE   write a JUnit XML report: one test case per executed command\n"
           "  --ports        list the COM numbers and exit, one line each, fields separated\n"
           "                 by a TAB (\"-\" when empty): COM<N>, the device the number\n"
           "                 leads to, its /dev/serial/by-id name, its driver and its\n"
           "                 state; opens no device\n"
           "  -h, --help     show this text and exit\n"
           "\n"
           "SIGINT and SIGTERM stop the run as the STOP button does; the settings are saved.\n"
           "\n"
           "Exit status: 0 when every run ended successfully, 1 when any run ended\n"
           "otherwise (a failed command, no modem, an empty list, an interruption),\n"
           "2 for a usage error or when orvane already runs.\n";
}
