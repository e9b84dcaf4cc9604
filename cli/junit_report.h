#pragma once

// A JUnit XML report of orvane-run: one test suite per run, one test case per executed
// command with its time; a failed command carries the answer it received, a port failure the
// port's error.

#include <string>
#include <vector>

#include "tester/command_result.h"

class JunitReport {
public:
    // listTitle: 1251 text.
    void beginRun(const std::string& listTitle);
    void add(const CommandResult& result);
    // verdict: the run's last message (1251), kept as the suite's output.
    void endRun(const std::string& verdict, bool succeeded);

    std::string xml() const;
    // Writes the whole report to path (UTF-8 name); false when the file cannot be written.
    bool write(const std::string& path) const;

private:
    struct Run {
        std::string title;
        std::vector<CommandResult> results;
        std::string verdict;
        bool succeeded = false;
    };
    std::vector<Run> m_runs;
};

// Text for XML: 1251 -> UTF-8, markup characters as entities, line breaks as <CR>/<LF> and
// other control bytes as \xNN (XML 1.0 cannot carry them).
std::string xmlText(const std::string& text1251);
