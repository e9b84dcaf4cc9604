#include "sim/sim_options.h"

#include <charconv>
#include <functional>
#include <limits>
#include <stdexcept>
#include <utility>

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

// "00 41 0d" or "00410D": bytes as hex pairs, spaces between pairs allowed.
std::string hexBytes(std::string_view option, std::string_view text) {
    std::string bytes;
    const auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') {
            return c - '0';
        }
        if (c >= 'a' && c <= 'f') {
            return c - 'a' + 10;
        }
        if (c >= 'A' && c <= 'F') {
            return c - 'A' + 10;
        }
        return -1;
    };
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        const int high = digit(text[i]);
        const int low = i + 1 < text.size() ? digit(text[i + 1]) : -1;
        if (high < 0 || low < 0) {
            throw UsageError("invalid value '" + std::string{text} + "' for " +
                             std::string{option} + ": expected bytes as pairs of hex digits");
        }
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return bytes;
}

std::string upperLine(std::string_view text) {
    std::string upper{text};
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper;
}

// S12 counts fiftieths of a second.
constexpr std::uint32_t kGuardUnitMs = 20;
constexpr std::uint32_t kMaxGuardMs = 255 * kGuardUnitMs;

}  // namespace

std::optional<DialOutcome> dialOutcomeNamed(std::string_view name) {
    static constexpr std::pair<std::string_view, DialOutcome> kNames[] = {
        {"connect", DialOutcome::Connect},      {"busy", DialOutcome::Busy},
        {"no-carrier", DialOutcome::NoCarrier}, {"no-dialtone", DialOutcome::NoDialtone},
        {"no-answer", DialOutcome::NoAnswer},   {"no-reply", DialOutcome::NoReply},
    };
    for (const auto& [text, outcome] : kNames) {
        if (text == name) {
            return outcome;
        }
    }
    return std::nullopt;
}

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
        } else if (option == "--delay-for") {
            const std::string_view text = value();
            const std::size_t eq = text.rfind('=');
            if (eq == std::string_view::npos || eq == 0) {
                throw UsageError("invalid value '" + std::string{text} +
                                 "' for --delay-for: expected LINE=MS, e.g. ATZ=3000");
            }
            line.options.faults.lineDelays[upperLine(text.substr(0, eq))] =
                number(option, text.substr(eq + 1), 1, 3600000);
        } else if (option == "--chunk") {
            line.options.faults.chunkBytes = number(option, value(), 1, 65536);
        } else if (option == "--gap") {
            line.options.faults.chunkGapMs = number(option, value(), 0, 3600000);
            gapSeen = true;
        } else if (option == "--garbage") {
            line.options.faults.garbageBeforeReply = hexBytes(option, value());
        } else if (option == "--jitter") {
            line.options.faults.jitterSeed =
                number(option, value(), 0, std::numeric_limits<std::uint32_t>::max());
        } else if (option == "--stall-after") {
            const std::string_view text = value();
            if (text.empty()) {
                throw UsageError("option --stall-after needs a command line");
            }
            line.options.faults.stallAfter = std::string{text};
        } else if (option == "--silent") {
            flag();
            line.options.faults.silent = true;
        } else if (option == "--commands") {
            flag();
            line.commands = true;
        } else if (option == "--dial") {
            const std::string_view name = value();
            const std::optional<DialOutcome> outcome = dialOutcomeNamed(name);
            if (!outcome) {
                throw UsageError("invalid value '" + std::string{name} +
                                 "' for --dial: expected connect, busy, no-carrier, "
                                 "no-dialtone, no-answer or no-reply");
            }
            line.options.calls.dial.outcome = *outcome;
        } else if (option == "--dial-delay") {
            line.options.calls.dial.delayMs = number(option, value(), 0, 3600000);
        } else if (option == "--connect-rate") {
            line.options.calls.connectRate =
                number(option, value(), 1, std::numeric_limits<std::uint32_t>::max());
        } else if (option == "--data-sink") {
            flag();
            line.options.calls.data = DataHandling::Sink;
        } else if (option == "--guard-time") {
            const std::uint32_t ms = number(option, value(), 0, kMaxGuardMs);
            line.options.profile.registers[ModemProfile::kEscapeGuardTime] =
                static_cast<std::uint8_t>((ms + kGuardUnitMs - 1) / kGuardUnitMs);
        } else if (option == "--extended-ring") {
            flag();
            line.options.profile.extendedRing = true;
        } else if (option == "--ring-every") {
            line.ringEveryMs = number(option, value(), 0, 3600000);
        } else if (option == "--sender") {
            line.sender = std::string{value()};
        } else if (option == "--sms") {
            line.messages.emplace_back(value());
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
    if (line.options.faults.jitterSeed &&
        (line.options.faults.chunkBytes != 0 || line.options.faults.replyDelayMs != 0)) {
        throw UsageError("--jitter makes its own delays and pieces: no --delay or --chunk");
    }
    if (line.messages.size() > MessageStore::kDefaultCapacity) {
        throw UsageError("more --sms messages than the " +
                         std::to_string(MessageStore::kDefaultCapacity) + " slots of the store");
    }
    // A message that cannot be built is a bad command line, not a failure at start.
    for (const std::string& text : line.messages) {
        try {
            StoredMessage::fromText(line.sender, text);
        } catch (const std::invalid_argument& error) {
            throw UsageError("cannot store '" + text + "' from " + line.sender + ": " +
                             error.what());
        }
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
  --delay MS           wait MS milliseconds before each reply (echo is not delayed);
                       what the modem hears meanwhile waits, its echo included
  --delay-for LINE=MS  wait MS milliseconds before each reply to the command line LINE
                       (as typed, without its CR; letter case aside) instead; may be
                       repeated, e.g. --delay-for ATZ=3000 --delay-for AT+COPS=?=9000
  --chunk BYTES        send each reply in pieces of BYTES bytes
  --gap MS             with --chunk: wait MS milliseconds between two pieces
  --garbage HEX        send these bytes (hex pairs, e.g. 00FF41) ahead of every reply
  --jitter SEED        each reply after a random delay (up to 40 ms) in random pieces
                       (1-8 bytes) with random gaps (up to 5 ms); the same seed cuts the
                       same replies the same way; not with --delay or --chunk
  --silent             take every byte off the line and answer nothing, not even echo
  --stall-after LINE   once the command line LINE (e.g. ATZ, as typed, without its CR) has
                       been answered, read nothing more from the line, as a modem that
                       restarts and holds CTS low: the application's writes fill the
                       line's buffer and then block
  --dial OUTCOME       how dials end: connect (the default: OK for a voice call, CONNECT
                       and the rate for a data call), busy, no-carrier, no-dialtone,
                       no-answer, or no-reply (no final result code at all)
  --dial-delay MS      time from the dial line to its outcome (default 0)
  --connect-rate RATE  the rate CONNECT reports (default: the line rate)
  --data-sink          swallow the application's data in a data call (default: echo it)
  --guard-time MS      the silence around "+++" (S12, in steps of 20 ms; default 1000;
                       0 takes "+++" at once)
  --extended-ring      report incoming calls as +CRING: VOICE / +CRING: DATA (as after
                       AT+CRC=1) instead of RING
  --ring-every MS      repeat the ring report of an incoming call every MS milliseconds
                       until answered (default 0: ring once)
  --sender NUMBER      the sender of text messages (default +10000000000)
  --sms TEXT           a received message stored at start, in slots 1, 2, ... in the
                       order given; may be repeated
  --commands           act on commands read from standard input, one a line:
                         ring [voice|data] [NUMBER]  a call comes in (no number: the
                                                     caller withholds it)
                         hangup                      the far end hangs up
                         dtmf DIGITS                 key tones: one +DTMF report each
                         sms TEXT                    a message arrives: stored in the lowest
                                                     free slot, +CMTI names it
                         pdu HEX                     the same for a message given as PDU
                         delete INDEX                the stored message at INDEX goes (as
                                                     deleted on the phone), leaving a gap
                         data TEXT                   data to the application in a data call
                         greeting TEXT               from the next data call on, the far end
                                                     sends TEXT right behind CONNECT, in the
                                                     same write
                         report TEXT                 any unsolicited report line
                         cut MS                      the next unsolicited report (RING, +CMTI,
                                                     NO CARRIER, ...) goes out cut in two in
                                                     its middle, MS milliseconds apart
                         dial OUTCOME [MS]           how dials end from now on
                         flood SECONDS               write numbered lines as fast as the
                                                     line takes them, for SECONDS
                         delay LINE MS               as --delay-for LINE=MS from now on
                                                     (0 ms: LINE follows --delay again)
                       a command that cannot be followed is reported on standard error
  -h, --help           show this text and exit

Exit status: 0 after SIGINT or SIGTERM, 1 when the modem cannot be set up,
2 for a bad command line.
)";
}

namespace {

// The line cut into its first word and the rest, spaces around both removed.
std::pair<std::string_view, std::string_view> firstWord(std::string_view text) {
    const auto trim = [](std::string_view t) {
        const std::size_t begin = t.find_first_not_of(" \t\r");
        if (begin == std::string_view::npos) {
            return std::string_view{};
        }
        return t.substr(begin, t.find_last_not_of(" \t\r") - begin + 1);
    };
    text = trim(text);
    const std::size_t space = text.find_first_of(" \t");
    if (space == std::string_view::npos) {
        return {text, {}};
    }
    return {text.substr(0, space), trim(text.substr(space))};
}

void refuseUnless(bool done, std::string_view why) {
    if (!done) {
        throw UsageError(std::string{why});
    }
}

StoredMessage buildMessage(const std::function<StoredMessage()>& build) {
    try {
        return build();
    } catch (const std::invalid_argument& error) {
        throw UsageError(error.what());
    }
}

}  // namespace

void runSimCommand(SimModem& modem, std::string_view line, const SimCommandLine& settings) {
    const auto [command, rest] = firstWord(line);
    if (command == "ring") {
        IncomingCall call;
        call.ringEveryMs = settings.ringEveryMs;
        auto [first, number] = firstWord(rest);
        if (first == "data" || first == "voice") {
            call.type = first == "data" ? CallType::Data : CallType::Voice;
        } else {
            number = rest;
        }
        if (number.find_first_of(" \t,\"") != std::string_view::npos) {
            throw UsageError("ring takes one number");
        }
        call.number = std::string{number};
        refuseUnless(modem.incomingCall(std::move(call)), "the line is not free");
    } else if (command == "hangup" && rest.empty()) {
        refuseUnless(modem.remoteHangup(), "there is no call to hang up");
    } else if (command == "dtmf" && !rest.empty()) {
        modem.sendTones(std::string{rest});
    } else if (command == "sms" && !rest.empty()) {
        const StoredMessage message = buildMessage(
            [&] { return StoredMessage::fromText(settings.sender, std::string{rest}); });
        refuseUnless(modem.newMessage(message).has_value(), "the message store is full");
    } else if (command == "pdu" && !rest.empty()) {
        const StoredMessage message =
            buildMessage([&] { return StoredMessage::fromPdu(std::string{rest}); });
        refuseUnless(modem.newMessage(message).has_value(), "the message store is full");
    } else if (command == "delete" && !rest.empty()) {
        refuseUnless(modem.eraseMessage(number("delete", rest, 1, MessageStore::kDefaultCapacity)),
                     "no message is stored there");
    } else if (command == "greeting" && !rest.empty()) {
        modem.setGreeting(std::string{rest});
    } else if (command == "cut" && !rest.empty()) {
        modem.cutNextReport(number("cut", rest, 0, 3600000));
    } else if (command == "data" && !rest.empty()) {
        refuseUnless(modem.sendData(std::string{rest}), "no data call is online");
    } else if (command == "report" && !rest.empty()) {
        modem.report(std::string{rest});
    } else if (command == "dial" && !rest.empty()) {
        const auto [name, delay] = firstWord(rest);
        const std::optional<DialOutcome> outcome = dialOutcomeNamed(name);
        if (!outcome) {
            throw UsageError("unknown dial outcome '" + std::string{name} + "'");
        }
        modem.setDialPlan({*outcome, delay.empty() ? 0 : number("dial", delay, 0, 3600000)});
    } else if (command == "delay" && !rest.empty()) {
        const std::size_t space = rest.find_last_of(" \t");
        if (space == std::string_view::npos) {
            throw UsageError("delay takes a command line and milliseconds");
        }
        const std::string_view heard = rest.substr(0, rest.find_last_not_of(" \t", space) + 1);
        modem.setLineDelay(std::string{heard}, number("delay", rest.substr(space + 1), 0, 3600000));
    } else if (command == "flood" && !rest.empty()) {
        modem.floodFor(number("flood", rest, 1, 3600) * 1000);
    } else {
        throw UsageError("cannot follow '" + std::string{line} + "'");
    }
}

}  // namespace sim
