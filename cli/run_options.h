#pragma once

// The command line of orvane-run.

#include <optional>
#include <string>
#include <vector>

struct RunOptions {
    std::optional<std::string> list;  // a command list title, as typed (UTF-8)
    int repeat = 1;                   // 0: until interrupted
    bool exchange = false;
    std::optional<std::string> junitFile;
    bool help = false;
    bool ports = false;  // list the COM numbers and do nothing else
};

// Parses argv[1..]. On a usage error returns nothing and sets error to the text to print.
std::optional<RunOptions> parseRunOptions(const std::vector<std::string>& args, std::string& error);

// The --help text.
std::string runUsage();
