#include "cli/at_options.h"

#include <charconv>
#include <limits>

namespace {

constexpr std::uint32_t kMaxPort = 65535;
constexpr std::uint32_t kMaxMs = 86400000;
constexpr std::uint32_t kMaxSeconds = 86400;

bool parseNumber(const std::string& text, std::uint32_t min, std::uint32_t max,
                 std::uint32_t& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return !text.empty() && ec == std::errc() && ptr == end && value >= min && value <= max;
}

// Reads the value of option at args[i + 1]; false with error set when it is missing or out
// of range.
bool optionValue(const std::vector<std::string>& args, std::size_t& i, std::uint32_t min,
                 std::uint32_t max, std::uint32_t& value, std::string& error) {
    const std::string& option = args[i];
    if (i + 1 >= args.size()) {
        error = "option " + option + " needs a value";
        return false;
    }
    const std::string& text = args[++i];
    if (!parseNumber(text, min, max, value)) {
        error = "option " + option + " takes a whole number from " + std::to_string(min) + " to " +
                std::to_string(max) + ", not '" + text + "'";
        return false;
    }
    return true;
}

std::optional<AtOptions::Command> commandNamed(const std::string& name) {
    if (name == "send") {
        return AtOptions::Command::send;
    }
    if (name == "watch") {
        return AtOptions::Command::watch;
    }
    if (name == "dial") {
        return AtOptions::Command::dial;
    }
    if (name == "answer") {
        return AtOptions::Command::answer;
    }
    return std::nullopt;
}

// The options and operands after the command word.
bool parseCommandArgs(const std::vector<std::string>& args, std::size_t i, AtOptions& options,
                      std::string& error) {
    if (options.command == AtOptions::Command::send) {
        options.texts.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
        if (options.texts.empty()) {
            error = "send needs at least one command";
            return false;
        }
        return true;
    }
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::uint32_t value = 0;
        if (arg == "--seconds") {
            if (!optionValue(args, i, 0, kMaxSeconds, value, error)) {
                return false;
            }
            options.seconds = value;
        } else if (arg == "--delete" && options.command == AtOptions::Command::watch) {
            options.deleteMessages = true;
        } else if (arg == "--data" && options.command == AtOptions::Command::dial) {
            options.dataCall = true;
        } else if (options.command == AtOptions::Command::dial && !arg.starts_with("-") &&
                   options.number.empty()) {
            options.number = arg;
        } else {
            error = "unexpected '" + arg + "'";
            return false;
        }
    }
    if (options.command == AtOptions::Command::dial && options.number.empty()) {
        error = "dial needs a number";
        return false;
    }
    return true;
}

}  // namespace

std::optional<AtOptions> parseAtOptions(const std::vector<std::string>& args, std::string& error) {
    AtOptions options;
    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::uint32_t value = 0;
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return options;
        } else if (arg == "--port") {
            if (!optionValue(args, i, 1, kMaxPort, value, error)) {
                return std::nullopt;
            }
            options.port = static_cast<int>(value);
        } else if (arg == "--baud") {
            if (!optionValue(args, i, 1, std::numeric_limits<std::int32_t>::max(), value, error)) {
                return std::nullopt;
            }
            options.baud = static_cast<int>(value);
        } else if (arg == "--wait") {
            if (!optionValue(args, i, 0, kMaxMs, options.waitMs, error)) {
                return std::nullopt;
            }
        } else if (const std::optional<AtOptions::Command> command = commandNamed(arg)) {
            options.command = *command;
            break;
        } else {
            error = arg.starts_with("-") ? "unknown option '" + arg + "'"
                                         : "unknown command '" + arg + "'";
            return std::nullopt;
        }
    }
    if (i == args.size()) {
        error = "no command: send, watch, dial or answer";
        return std::nullopt;
    }
    if (options.baud && !options.port) {
        error = "option --baud needs --port";
        return std::nullopt;
    }
    if (!parseCommandArgs(args, i + 1, options, error)) {
        return std::nullopt;
    }
    return options;
}

std::string atUsage() {
    return R"(Usage: orvane-at [--port N] [--baud B] [--wait MS] COMMAND ...

Talks to the modem directly. Finds it as orvane-run does (the application folder's
ports/ and orvane.ini: the search plan, the last port and rate tried first), or opens
port N at once. Reads the settings, never writes them. Prints one line per event on
standard output, each starting with the time HH:MM:SS.mmm; the search's lines go to
standard error as "HH:MM:SS text".

Options:
  --port N       open COM port N without a search
  --baud B       with --port: at B baud (default: the rate stored last)
  --wait MS      send: how long each command may take to end (default 1000)
  -h, --help     show this text and exit

Commands:
  send TEXT...   writes each TEXT and a CR, prints each line of the reply after the
                 echo as "< line", then OK, ERROR (ERROR, +CME ERROR:, +CMS ERROR:
                 or 4) or TIMEOUT (no final result within --wait); the first TEXT
                 that does not end in OK (or 0) ends the command, later ones are not
                 sent. Nothing else is written to the modem: no ATE0, no ATH.
  watch [--seconds S] [--delete]
                 switches echo off (ATE0) and prints what the modem reports: RING,
                 SMS <index> <pdu> (the new message read from the storage and index
                 its +CMTI report names; --delete: deleted once read), DTMF <key> (a
                 line per key), CALL END <reason>, PORT ERROR <text> (then exit 1).
                 Ends after S seconds (default: at SIGINT or SIGTERM); ATH at the end.
  dial [--data] NUMBER [--seconds S]
                 places a voice call (a data call with --data): DIALLING, then
                 CONNECT and the rest of the modem's CONNECT line, in a data call
                 DATA <hex> for every block received, and CALL END <reason>. Hangs up
                 after S seconds (default 30).
  answer [--seconds S]
                 answers a call (ATA) and goes on as dial does.

CALL END names its reason: BUSY, NO CARRIER, NO DIALTONE, NO ANSWER, or a number
(0: a dial hung up before it started). SIGINT and SIGTERM stop at once, hanging up a
call; watch then exits 0, the others 1.

Exit status: 0 success (a call that connected), 1 the modem answered with a failure
or not at all, 2 usage error, 3 no modem found or the port did not open (with the
reason on standard error).
)";
}
