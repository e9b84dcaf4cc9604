#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "modem/inquiry_cmd.h"
#include "modem/kept_answer.h"

// An AT command: the bytes to send, the rules that end the answer wait, and the answer as it
// grows. The answer is judged line by line: a rule matches a finished (CR LF terminated) line
// that begins with the rule text. Descendants take values out of the answer in on_complete.
//
// A command is executed once; a worker that repeats a command copies a template for each run.
class ATCmd : public InquiryCmd {
public:
    struct CompleteRule {
        std::string text;  // never empty
        bool success = false;
    };

    ATCmd() = default;

    std::uint32_t delay_before() const override { return m_delay; }
    const char* command_data() const override { return m_command.data(); }
    std::size_t command_size() const override { return m_command.size(); }
    void on_data(const char* data, int length) override;
    bool is_complete() const override { return m_complete; }
    std::uint32_t answer_timeout() const override { return m_timeout; }

    // Called after every chunk that leaves the command complete. result_reason is the text of
    // the rule that decided the result (empty for a command without rules).
    virtual void on_complete(const std::string& full_answer, bool result,
                             const std::string& result_reason);

    void set_command(std::string_view text) { m_command = text; }
    // Ignores an empty text and a text that already has a rule (the first rule keeps its
    // flag). Any rule added makes the command wait for an answer.
    void add_complete_rule(std::string_view text, bool success);
    void set_answer_timeout(std::uint32_t ms) { m_timeout = ms; }
    void set_delay_before(std::uint32_t ms) { m_delay = ms; }

    // Everything received for the command, in arrival order; of a very long answer its start
    // and its newest bytes (KeptAnswer).
    const std::string& full_answer() const { return m_answer.text(); }
    const KeptAnswer& kept_answer() const { return m_answer; }
    bool result() const { return m_result; }
    const std::vector<CompleteRule>& rules() const { return m_rules; }
    // What the chunk that completed the command held after the line that completed it, for a
    // command that takes its answer line by line (take_lines); empty otherwise.
    const std::string& rest() const { return m_rest; }

protected:
    // An on_data for commands after whose final line the modem goes on talking (a call's
    // first data, the next report): the chunk is judged line by line only up to the line
    // that completes the command, and the bytes after that line are kept in rest() instead
    // of joining the answer.
    void take_lines(const char* data, int length);

    // The building blocks of a matcher: keep the chunk, let every matching rule decide in
    // turn (the last one wins), then report if the command is complete.
    void append_answer(const char* data, int length);
    // Rules added since the last call have not seen the earlier bytes: true once after each
    // change, when the matcher is to start again on the kept answer.
    bool rules_changed();
    void take_verdict(const CompleteRule& rule, std::string& reason);
    void report_if_complete(const std::string& reason);

private:
    std::string m_command;
    std::vector<CompleteRule> m_rules;
    KeptAnswer m_answer;
    // The line being received: its first bytes (as many as the longest rule text has), and
    // whether its last byte so far was a CR. Only finished lines are judged.
    std::string m_lineStart;
    bool m_lineEndsInCr = false;
    // Rules the matcher has seen, and the text of the rule that decided last.
    std::size_t m_judgedRules = 0;
    std::string m_reason;
    std::string m_rest;
    // Without rules there is nothing to wait for: the port writes and returns at once.
    bool m_complete = true;
    bool m_result = false;
    std::uint32_t m_timeout = 100;
    std::uint32_t m_delay = 0;
};
