#pragma once

// The exchange on stderr for --exchange: "<<< " and ">>> " lines in UTF-8 with line breaks
// shown as <CR> and <LF>. Lines come from the job thread and the command worker.

#include <cstdio>
#include <mutex>
#include <string>

#include "common/exchange_log_viewer.h"

class ExchangePrinter : public ExchangeLogViewerI {
public:
    explicit ExchangePrinter(std::FILE* out) : m_out(out) {}
    void addLine(const std::string& line) override;

private:
    std::mutex m_mutex;  // one line at a time
    std::FILE* m_out;
};
