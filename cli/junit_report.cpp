#include "cli/junit_report.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string_view>

#include "common/text_utils.h"
#include "modem/port_exchange_log.h"
#include "platform/cp1251.h"

std::string xmlText(const std::string& text1251) {
    std::string visible = text1251;
    SimpleUtils::escapeLineBreaks(visible);
    std::string escaped;
    for (const char c : visible) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\'':
                escaped += "&apos;";
                break;
            default:
                if (byte < 0x20 && c != '\t') {
                    char hex[8];
                    std::snprintf(hex, sizeof hex, "\\x%02X", byte);
                    escaped += hex;
                } else {
                    escaped += c;
                }
        }
    }
    return platform::cp1251ToUtf8(escaped);
}

namespace {

// The answer as kept, the line for what was left out of a long one standing between its
// first and last part.
std::string answerText(const CommandResult& result) {
    if (result.answerSkipped == 0) {
        return xmlText(result.answer);
    }
    const std::string_view answer = result.answer;
    const std::size_t cut = std::min(answer.size(), KeptAnswer::kHeadBytes);
    return xmlText(std::string(answer.substr(0, cut))) + "\n" +
           xmlText(skippedLine(result.answerSkipped)) + "\n" +
           xmlText(std::string(answer.substr(cut)));
}

}  // namespace

void JunitReport::beginRun(const std::string& listTitle) {
    m_runs.push_back({listTitle, {}, {}, false});
}

void JunitReport::add(const CommandResult& result) {
    if (m_runs.empty()) {
        beginRun({});
    }
    m_runs.back().results.push_back(result);
}

void JunitReport::endRun(const std::string& verdict, bool succeeded) {
    if (m_runs.empty()) {
        beginRun({});
    }
    m_runs.back().verdict = verdict;
    m_runs.back().succeeded = succeeded;
}

std::string JunitReport::xml() const {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites>\n";
    int number = 0;
    for (const Run& run : m_runs) {
        ++number;
        int failures = 0;
        int errors = 0;
        double seconds = 0;
        for (const CommandResult& r : run.results) {
            failures += r.outcome == CommandResult::Outcome::Failed ? 1 : 0;
            errors += r.outcome == CommandResult::Outcome::PortError ? 1 : 0;
            seconds += r.durationMs / 1000.0;
        }
        char head[256];
        std::snprintf(head, sizeof head,
                      "  <testsuite name=\"run %d\" tests=\"%zu\" failures=\"%d\" errors=\"%d\" "
                      "time=\"%.3f\">\n",
                      number, run.results.size(), failures, errors, seconds);
        out += head;
        for (const CommandResult& r : run.results) {
            char time[32];
            std::snprintf(time, sizeof time, "%.3f", r.durationMs / 1000.0);
            out += "    <testcase classname=\"" + xmlText(run.title) + "\" name=\"" +
                   xmlText(r.command) + "\" time=\"" + time + "\"";
            if (r.outcome == CommandResult::Outcome::Ok) {
                out += "/>\n";
                continue;
            }
            out += ">\n";
            if (r.outcome == CommandResult::Outcome::Failed) {
                out += "      <failure message=\"unexpected answer\">" + answerText(r) +
                       "</failure>\n";
            } else {
                out += "      <error message=\"port error\">" + xmlText(r.errorText) + "</error>\n";
            }
            out += "    </testcase>\n";
        }
        out += "    <system-out>" + xmlText(run.verdict) + "</system-out>\n  </testsuite>\n";
    }
    out += "</testsuites>\n";
    return out;
}

bool JunitReport::write(const std::string& path) const {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        return false;
    }
    file << xml();
    return static_cast<bool>(file.flush());
}
