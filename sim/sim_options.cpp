#include "sim/sim_options.h"

#include <charconv>
#include <limits>

namespace sim {

namespace {

constexpr int kMaxPort = 65535;

std::uint32_t number(std::string_view option, std::string_view text, std::uint32_t min,
                     std::uint32_t max) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || value < min ||
        value > max) {
        throw UsageError("invalid value '" + std::string{text} + "' for " + std::string{option} +
                         ": expected a whole number from " + std::to_string(min) + " to " +
                         std::to_string(max));
    }
    return value;
}

std::vector<std::uint32_t> baudList(std::string_view text) {
    std::vector<std::uint32_t> bauds;
    for (;;) {
        const std::size_t comma = text.find(',');
        bauds.push_back(
            number("--bauds", text.substr(0, comma), 1, std::numeric_limits<std::uint32_t>::max()));
        if (comma == std::string_view::npos) {
            return bauds;
        }
        text.remove_prefix(comma + 1);
    }
}

}  // namespace

SimCommandLine parseSimCommandLine(const std::vector<std::string_view>& args) {
    SimCommandLine line;
    bool portSeen = false;
    bool gapSeen = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view option = args[i];
        std::optional<std::string_view> attached;
        if (const std::size_t eq = option.find('=');
            option.starts_with("--") && eq != option.npos) {
            attached = option.substr(eq + 1);
            option = option.substr(0, eq);
        }
        const auto value = [&]() -> std::string_view {
            if (attached) {
                return *attached;
            }
            if (i + 1 >= args.size()) {
                throw UsageError("option " + std::string{option} + " needs a value");
            }
            return args[++i];
        };
        const auto flag = [&] {
            if (attached) {
                throw UsageError("option " + std::string{option} + " takes no value");
            }
        };
        if (option == "--help" || option == "-h") {
            flag();
            line.help = true;
        } else if (option == "--port") {
            line.port = static_cast<int>(number(option, value(), 1, kMaxPort));
            portSeen = true;
        } else if (option == "--app-folder") {
            const std::string_view folder = value();
            if (folder.empty()) {
                throw UsageError("option --app-folder needs a folder");
            }
            line.appFolder = std::filesystem::path{folder};
        } else if (option == "--bauds") {
            line.options.bauds = baudList(value());
        } else if (option == "--no-echo") {
            flag();
            line.options.profile.echo = false;
        } else if (option == "--numeric") {
            flag();
            line.options.profile.verbose = false;
        } else if (option == "--delay") {
            line.options.faults.replyDelayMs = number(option, value(), 0, 3600000);
        } else if (option == "--chunk") {
            line.options.faults.chunkBytes = number(option, value(), 1, 65536);
        } else if (option == "--gap") {
            line.options.faults.chunkGapMs = number(option, value(), 0, 3600000);
            gapSeen = true;
        } else if (option == "--silent") {
            flag();
            line.options.faults.silent = true;
        } else {
            throw UsageError("unknown option '" + std::string{args[i]} + "'");
        }
    }
    if (line.help) {
        return line;
    }
    if (!portSeen) {
        throw UsageError("--port is required");
    }
    if (gapSeen && line.options.faults.chunkBytes == 0) {
        throw UsageError("--gap needs --chunk");
    }
    return line;
}

std::string simUsage() {
    return R"(Usage: orvane-sim --port N [options]

Serves a simulated AT-command modem on a pseudo-terminal and links it as COM port N of
the application folder (<folder>/ports/comN). Prints the device path on one line, then
serves until SIGINT or SIGTERM and removes the link.

Options:
  --port N             the COM port number to link (1-65535); required
  --app-folder DIR     the application folder to link in (default: the folder of
                       orvane-sim); ports/ is created when missing
  --bauds R1,R2,...    answer only at these line rates; at any other rate the modem
                       takes the bytes and stays silent (default: every rate)
  --no-echo            start with echo off (as after ATE0); AT&F and ATZ keep it off
  --numeric            start with numeric result codes (as after ATV0)
  --delay MS           wait MS milliseconds before each reply (echo is not delayed)
  --chunk BYTES        send each reply in pieces of BYTES bytes
  --gap MS             with --chunk: wait MS milliseconds between two pieces
  --silent             take every byte off the line and answer nothing, not even echo
  -h, --help           show this text and exit

Exit status: 0 after SIGINT or SIGTERM, 1 when the modem cannot be set up,
2 for a bad command line.
)";
}

}  // namespace sim
