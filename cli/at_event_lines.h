#pragma once

// The texts of orvane-at's output lines (UTF-8); the time stamp is put in front when a line
// is printed.

#include <cstddef>
#include <string>
#include <string_view>

// "CALL END " and the reason's word (BUSY, NO CARRIER, NO DIALTONE, NO ANSWER) or number.
std::string callEndLine(int reason);
// "DATA " and the bytes as pairs of upper-case hex digits.
std::string dataLine(const char* data, std::size_t length);
// "PORT ERROR " and the system's text of a port error (its message without the port
// prefix), UTF-8.
std::string portErrorLine(std::string_view error);
// Bytes the modem sent (1251) as UTF-8, a CR or LF inside shown as <CR> or <LF>.
std::string modemText(std::string_view bytes);
// "HH:MM:SS.mmm " + text.
std::string stamped(std::string_view text);
