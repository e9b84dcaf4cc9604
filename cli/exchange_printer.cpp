#include "cli/exchange_printer.h"

#include "common/text_utils.h"
#include "platform/cp1251.h"

void ExchangePrinter::addLine(const std::string& line) {
    std::string shown = line;
    SimpleUtils::escapeLineBreaks(shown);
    shown = platform::cp1251ToUtf8(shown) + "\n";
    std::lock_guard<std::mutex> lock(m_mutex);
    std::fputs(shown.c_str(), m_out);
    std::fflush(m_out);
}
