#pragma once

// One executed command of a list, for reports beside the message table (the headless
// runner's JUnit file).

#include <cstdint>
#include <string>

#include "modem/kept_answer.h"

struct CommandResult {
    enum class Outcome { Ok, Failed, PortError };

    std::string command;  // the bytes sent, cut at the first NUL
    // Everything received for it; of a very long answer its first KeptAnswer::kHeadBytes
    // and, after answerSkipped bytes left out, its last bytes.
    std::string answer;
    Outcome outcome = Outcome::Failed;
    std::uint32_t durationMs = 0;  // from the previous result (or the list's start) to this one
    std::string errorText;         // the port's error, for Outcome::PortError
    std::uint64_t answerSkipped = 0;
};

class CommandResultObserverI {
public:
    virtual ~CommandResultObserverI() = default;
    // On the user-interface thread, once per executed command, in list order.
    virtual void onCommandResult(const CommandResult& result) = 0;
};
