#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

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

private:
    // Per rule, by index: whether its text occurs in the answer, and how much of the answer
    // has been searched for it.
    std::vector<bool> m_found;
    std::vector<std::size_t> m_searchedUpTo;
};
