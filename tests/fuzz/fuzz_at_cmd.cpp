// AT command answers as a port delivers them: arbitrary bytes in chunks whose sizes the input
// decides, fed until the command says it is complete. The verdict is checked against the
// documented rules on the bytes received so far, then the extended answer is parsed.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "modem/adjusted_at_cmd.h"
#include "modem/at_cmd.h"
#include "modem/at_keywords.h"
#include "modem/echo_splitter.h"
#include "modem/simple_at_cmd.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

struct Expected {
    bool complete = false;
    bool result = false;
    std::string reason;

    bool operator==(const Expected&) const = default;
};

// Counts the completion reports and keeps the last one.
template <typename Base>
class Recording : public Base {
public:
    using Base::Base;

    void on_complete(const std::string& full_answer, bool result,
                     const std::string& result_reason) override {
        ++reports;
        answer = full_answer;
        last = {true, result, result_reason};
    }

    int reports = 0;
    std::string answer;
    Expected last;
};

// Line rules: a finished (CR LF ended) line that begins with a rule's text; every match in
// line order, rules in their order within a line, and the last one decides.
Expected byLines(std::string_view answer, const std::vector<ATCmd::CompleteRule>& rules) {
    Expected expected;
    std::size_t start = 0;
    for (std::size_t end = answer.find(AtKeywords::crlf); end != std::string_view::npos;
         end = answer.find(AtKeywords::crlf, start)) {
        const std::string_view line = answer.substr(start, end + 2 - start);
        for (const ATCmd::CompleteRule& rule : rules) {
            if (line.starts_with(rule.text)) {
                expected = {true, rule.success, rule.text};
            }
        }
        start = end + 2;
    }
    return expected;
}

// Configured commands: a rule's text anywhere in the raw answer.
Expected byBytes(std::string_view answer, const std::vector<ATCmd::CompleteRule>& rules) {
    Expected expected;
    for (const ATCmd::CompleteRule& rule : rules) {
        if (answer.find(rule.text) != std::string_view::npos) {
            expected = {true, rule.success, rule.text};
        }
    }
    return expected;
}

// A command of a list: its rules by bytes, on what follows the first complete echo, or before
// one has come on what cannot still be the start of it; on everything when the expected text
// checks the echo itself.
Expected afterEcho(std::string_view received, std::string_view command,
                   const std::vector<ATCmd::CompleteRule>& rules) {
    const std::string_view echo = EchoSplitter::echoOf(command);
    for (const ATCmd::CompleteRule& rule : rules) {
        if (command.starts_with(rule.text) || (!echo.empty() && rule.text.starts_with(echo))) {
            return byBytes(received, rules);
        }
    }
    if (const std::size_t at = received.find(echo); at != std::string_view::npos) {
        return byBytes(received.substr(at + echo.size()), rules);
    }
    std::size_t held = std::min(received.size(), echo.size() - 1);
    while (held > 0 && !received.ends_with(echo.substr(0, held))) {
        --held;
    }
    return byBytes(received.substr(0, received.size() - held), rules);
}

template <typename Command, typename Oracle>
void feed(FuzzedDataProvider& input, Command& command, Oracle expectedOf) {
    FUZZ_CHECK(command.is_complete() == command.rules().empty());
    std::string received;
    // A port stops reading once the command is complete; one without rules is never read.
    while (!command.is_complete() && input.remaining_bytes() > 0) {
        const std::size_t size = input.ConsumeIntegralInRange<std::size_t>(0, 40);
        const std::string chunk = input.ConsumeBytesAsString(size);
        received += chunk;
        command.on_data(chunk.empty() ? nullptr : chunk.data(), static_cast<int>(chunk.size()));
        FUZZ_CHECK(command.full_answer() == received);
        const Expected expected = expectedOf(received);
        FUZZ_CHECK(command.is_complete() == expected.complete);
        if (expected.complete) {
            FUZZ_CHECK(command.result() == expected.result);
            FUZZ_CHECK(command.reports == 1);
            FUZZ_CHECK(command.answer == received && command.last == expected);
        } else {
            FUZZ_CHECK(command.reports == 0);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::quietTrace();
    FuzzedDataProvider input(data, size);
    switch (input.ConsumeIntegralInRange(0, 2)) {
        case 0: {
            Recording<ATCmd> command;
            const int rules = input.ConsumeIntegralInRange(0, 4);
            for (int i = 0; i < rules; ++i) {
                const std::string text = input.ConsumeRandomLengthString(12);
                command.add_complete_rule(text, input.ConsumeBool());
            }
            feed(input, command, [&](std::string_view r) { return byLines(r, command.rules()); });
            break;
        }
        case 1: {
            const std::string text = input.ConsumeRandomLengthString(24);
            const std::string expected = input.ConsumeRandomLengthString(16);
            Recording<AdjustedAtCmd> command(text, expected, 100);
            FUZZ_CHECK(std::string_view(command.command_data(), command.command_size()) == text);
            FUZZ_CHECK(command.rules().size() == (expected.empty() ? 0U : 1U));
            const bool listCommand = input.ConsumeBool();
            command.set_own_reply_only(listCommand);
            feed(input, command, [&](std::string_view r) {
                return listCommand ? afterEcho(r, text, command.rules())
                                   : byBytes(r, command.rules());
            });
            break;
        }
        default: {
            const std::string name = input.ConsumeRandomLengthString(8);
            Recording<SimpleAtCmd> command(name, "1", 1, true, 100);
            feed(input, command, [&](std::string_view r) { return byLines(r, command.rules()); });
            Msg::Strings values{"stale"};
            const std::string terminator =
                command.is_complete() ? command.last.reason : input.ConsumeRandomLengthString(8);
            const bool parsed = command.parse_answer(command.full_answer(), terminator, values);
            FUZZ_CHECK(parsed || values.empty());
            for (const std::string& value : values) {
                FUZZ_CHECK(value.find_first_of("\r\n") == std::string::npos);
            }
            break;
        }
    }
    return 0;
}
