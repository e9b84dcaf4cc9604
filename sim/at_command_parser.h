#pragma once

// Splits the body of a command line (the text after "AT") into its commands, the way a
// Hayes modem reads a concatenated line such as "E0V1S0=2+CSQ;+CGMI": a basic command is a
// letter (or "&" and a letter) with optional digits; "S" takes a register number with "?"
// or "=value"; "D" takes the rest of the line as its dial string; an extended command is "+"
// and a name, in its action, read ("?"), test ("=?") or set ("=...") form, ended by ";".

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

enum class CommandSyntax { Basic, SRegister, Extended };

enum class CommandForm { Action, Read, Test, Set };

struct AtCommand {
    CommandSyntax syntax = CommandSyntax::Basic;
    std::string name;  // upper case: "E", "&F", "D", "S", "+CSQ"
    // Basic: the digits after the name, if any. S: the register number.
    std::optional<unsigned> number;
    CommandForm form = CommandForm::Action;
    // Extended set form: the text after "=". S set form: the value. D: the dial string.
    std::string argument;
};

// nullopt when the body breaks the syntax; the modem then answers ERROR without running
// any of the line's commands.
std::optional<std::vector<AtCommand>> parseCommandBody(std::string_view body);

}  // namespace sim
