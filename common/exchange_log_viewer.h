#pragma once

#include <string>

// Where the lines of the modem exchange are shown ("<<< " and ">>> " lines): the exchange log
// window, or the console of the headless runner. addLine may be called from any thread.
class ExchangeLogViewerI {
public:
    virtual ~ExchangeLogViewerI() = default;
    virtual void addLine(const std::string& line) = 0;
};
