#pragma once

// A command as an operator types it at a terminal: its text and a CR, the way a modem takes a
// typed line (generated commands end in CR LF). Only what follows the command's echo is its
// reply (EchoSplitter); what waits on the line before it is written is read out first and is
// no part of it. The reply is cut into lines: a line ends at CR LF, or at a lone CR when it is
// nothing but a numeric result code (a modem after ATV0 ends its codes so). The command is
// complete at its final result: "OK" or 0 succeed; "ERROR", 4, "+CME ERROR: ..." and
// "+CMS ERROR: ..." fail. Without one it ends when its answer wait has passed.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "modem/echo_splitter.h"
#include "modem/inquiry_cmd.h"

class OperatorAtCmd : public InquiryCmd {
public:
    enum class Verdict { none, ok, error };

    OperatorAtCmd(std::string_view text, std::uint32_t answerTimeoutMs);

    std::uint32_t delay_before() const override { return 0; }
    const char* command_data() const override { return m_command.data(); }
    std::size_t command_size() const override { return m_command.size(); }
    void on_data(const char* data, int length) override;
    bool is_complete() const override { return m_verdict != Verdict::none; }
    std::uint32_t answer_timeout() const override { return m_timeout; }
    bool drains_line() const override { return true; }
    std::size_t stray_length() const override { return m_stray; }

    // The finished reply lines in order, the final result's included, without line ends;
    // blank lines (a modem's framing) are left out.
    const std::vector<std::string>& lines() const { return m_lines; }
    // What came after the last finished line: the start of a line the wait cut off.
    const std::string& unfinished() const { return m_line; }
    Verdict verdict() const { return m_verdict; }

private:
    void take(char byte);
    void endLine();

    std::string m_command;
    std::uint32_t m_timeout;
    EchoSplitter m_echo;
    std::size_t m_stray = 0;  // of the last chunk
    std::vector<std::string> m_lines;
    std::string m_line;
    bool m_crPending = false;  // the line's last byte was a CR that may start its CR LF
    bool m_skipLf = false;     // a numeric code just ended at its CR; an LF after it is no line
    Verdict m_verdict = Verdict::none;
};
