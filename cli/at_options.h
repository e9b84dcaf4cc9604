#pragma once

// The command line of orvane-at.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct AtOptions {
    enum class Command { send, watch, dial, answer };

    std::optional<int> port;  // with it the search is skipped
    std::optional<int> baud;  // only with port; without it the stored rate
    std::uint32_t waitMs = 1000;
    Command command = Command::send;
    std::vector<std::string> texts;  // send: the command lines, as typed (UTF-8)
    std::string number;              // dial
    bool dataCall = false;           // dial --data
    std::optional<std::uint32_t> seconds;
    bool deleteMessages = false;  // watch --delete
    bool help = false;

    // How long a dial or an answer keeps the call before hanging up.
    static constexpr std::uint32_t kDefaultCallSeconds = 30;
};

// Parses argv[1..]. On a usage error returns nothing and sets error to the text to print.
std::optional<AtOptions> parseAtOptions(const std::vector<std::string>& args, std::string& error);

// The --help text.
std::string atUsage();
