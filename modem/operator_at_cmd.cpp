#include "modem/operator_at_cmd.h"

#include <algorithm>
#include <array>
#include <utility>

#include "modem/at_keywords.h"

namespace {

constexpr std::string_view kNumericOk = "0";
constexpr std::string_view kNumericError = "4";
constexpr std::array<std::string_view, 2> kErrorReports = {"+CME ERROR:", "+CMS ERROR:"};
// Numeric result codes run from 0 to a few dozen; a register's value is shown with three
// digits at most. Either way the line is over at its CR.
constexpr std::size_t kLongestNumericCode = 3;

bool isNumericCode(std::string_view line) {
    return !line.empty() && line.size() <= kLongestNumericCode &&
           std::all_of(line.begin(), line.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string typedLine(std::string_view text) {
    std::string line(text);
    line += '\r';
    return line;
}

}  // namespace

OperatorAtCmd::OperatorAtCmd(std::string_view text, std::uint32_t answerTimeoutMs)
    : m_command(typedLine(text)), m_timeout(answerTimeoutMs), m_echo(m_command) {}

void OperatorAtCmd::on_data(const char* data, int length) {
    const std::string_view chunk = data != nullptr && length > 0
                                       ? std::string_view(data, static_cast<std::size_t>(length))
                                       : std::string_view{};
    const EchoSplitter::Step step = m_echo.feed(chunk);
    m_stray = step.stray;
    if (step.echoEnded) {
        // What came before the echo was no reply to this command.
        m_lines.clear();
        m_line.clear();
        m_crPending = false;
        m_skipLf = false;
    }
    for (const char byte : step.reply) {
        if (is_complete()) {
            break;  // whatever follows the final result belongs to no command
        }
        take(byte);
    }
}

void OperatorAtCmd::take(char byte) {
    if (std::exchange(m_skipLf, false) && byte == '\n') {
        return;
    }
    if (std::exchange(m_crPending, false)) {
        if (byte == '\n') {
            endLine();
            return;
        }
        m_line += '\r';
    }
    if (byte == '\r') {
        if (isNumericCode(m_line)) {
            endLine();
            m_skipLf = true;
        } else {
            m_crPending = true;
        }
        return;
    }
    if (byte == '\n' && m_line.empty()) {
        return;  // the LF some modems send after an echoed CR, or after a code's lone CR
    }
    m_line += byte;
}

void OperatorAtCmd::endLine() {
    std::string line;
    line.swap(m_line);
    if (line.empty()) {
        return;
    }
    if (line == AtKeywords::ok || line == kNumericOk) {
        m_verdict = Verdict::ok;
    } else if (line == AtKeywords::error || line == kNumericError ||
               std::any_of(kErrorReports.begin(), kErrorReports.end(),
                           [&](std::string_view report) { return line.starts_with(report); })) {
        m_verdict = Verdict::error;
    }
    m_lines.push_back(std::move(line));
}
