#pragma once

#include <cstdint>
#include <string_view>

#include "modem/at_cmd.h"

// A configured command: its text is sent exactly as given (it carries its own line ends) and
// a rule matches wherever its text occurs in the raw answer, line ends included, so an
// expected answer such as CR LF "OK" CR LF is matched byte for byte.
class AdjustedAtCmd : public ATCmd {
public:
    // An empty expectedAnswer gives a command without rules: written, then not waited for.
    AdjustedAtCmd(std::string_view text, std::string_view expectedAnswer,
                  std::uint32_t answerTimeoutMs);

    void on_data(const char* data, int length) override;
};
