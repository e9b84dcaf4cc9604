#pragma once

#include <string>

// A command name without the "AT+" prefix and how long to wait for its answer.
struct ModemCmd {
    std::string name;
    int timeoutMs = 0;
};

// The message-related commands and their answer waits, as the modem facade is configured.
struct ModemCmdKit {
    ModemCmdKit();

    ModemCmd sendMessage;
    ModemCmd messageIndication;
    // New-message indication settings, with and without delivery reports.
    std::string indicationParams;
    std::string indicationParamsNoReports;
    ModemCmd messageFormat;
    int shortTimeoutMs;
    int longTimeoutMs;
};
