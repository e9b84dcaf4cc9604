#pragma once

#include <string>
#include <string_view>

// What one received text tells about the call beyond the answer that was waited for: whether
// the call ended (and why) and which key tones arrived. Fill a fresh one per text.
class UnreclaimedParser {
public:
    UnreclaimedParser() = default;

    // True when the text holds a call-ending word or a tone report. An empty text changes
    // nothing and gives false.
    bool parse(std::string_view text);

    bool disconnect() const { return m_disconnect; }
    // A DisconnectReason code; meaningful when disconnect() is true.
    int reason() const { return m_reason; }
    bool dtmf() const { return m_dtmf; }
    const std::string& digits() const { return m_digits; }

private:
    bool m_disconnect = false;
    int m_reason = 0;
    bool m_dtmf = false;
    std::string m_digits;
};
