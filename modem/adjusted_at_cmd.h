#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "modem/at_cmd.h"
#include "modem/echo_splitter.h"

// A configured command: its text is sent exactly as given (it carries its own line ends) and
// a rule matches wherever its text occurs in the raw answer, line ends included, so an
// expected answer such as CR LF "OK" CR LF is matched byte for byte.
class AdjustedAtCmd : public ATCmd {
public:
    // An empty expectedAnswer gives a command without rules: written, then not waited for.
    AdjustedAtCmd(std::string_view text, std::string_view expectedAnswer,
                  std::uint32_t answerTimeoutMs);

    void on_data(const char* data, int length) override;

    // A command of a command list judges only its own reply: what already waits on the line
    // when it is to be written is read out first and is no part of its answer, and only what
    // follows its echo is judged (EchoSplitter). The whole answer, echo and what came before
    // it included, is still kept. A command whose expected text is the start of its own bytes,
    // or starts with its whole echo (AT CR expecting AT CR, or AT CR CR LF OK), checks the
    // echo itself and is judged on its whole answer.
    void set_own_reply_only(bool on) { m_ownReplyOnly = on; }
    bool drains_line() const override { return m_ownReplyOnly; }
    std::size_t stray_length() const override { return m_strayLength; }

private:
    void start_judging();
    void search(std::string_view bytes);

    bool m_ownReplyOnly = false;
    std::optional<EchoSplitter> m_echo;
    std::size_t m_strayLength = 0;  // of the last chunk
    // Per rule, by index: whether its text occurs in what was judged.
    std::vector<bool> m_found;
    // The last bytes judged, one fewer than the longest rule text: where a match that the
    // next chunk completes begins.
    std::string m_carry;
};
