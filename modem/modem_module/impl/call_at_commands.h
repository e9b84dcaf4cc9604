#pragma once

// The AT commands that place, answer and end calls and switch a data call back to command
// mode. All of them judge the answer line by line.

#include <string>
#include <string_view>

#include "modem/at_cmd.h"

// "ATD<number>;" for a voice call, "ATD<number>" for a data call. A dial may take minutes:
// the modem answers only when the far end picks up or the call fails. The answer is taken
// line by line: a far end that talks at once sends its first bytes right behind CONNECT, and
// they are the call's data (rest()), not the dial's answer.
class DialAtCommand : public ATCmd {
public:
    static constexpr std::uint32_t kAnswerTimeoutMs = 300000;
    DialAtCommand(std::string_view number, bool dataMode);
    void on_data(const char* data, int length) override { take_lines(data, length); }
    void on_complete(const std::string& full_answer, bool result,
                     const std::string& result_reason) override;

    // The DisconnectReason of the word that ended a failed dial: BUSY, NO CARRIER, NO
    // DIALTONE or NO ANSWER; NO CARRIER for ERROR and for a dial without a final answer.
    int failure_reason() const { return m_failureReason; }
    // What followed "CONNECT" on its line (a rate, a protocol), spaces around it removed.
    const std::string& connect_detail() const { return m_connectDetail; }

private:
    int m_failureReason;
    std::string m_connectDetail;
};

// "ATA": a voice call is answered "OK", a data call "CONNECT <rate>". Taken line by line, as
// the dial is.
class AnswerAtCommand : public ATCmd {
public:
    static constexpr std::uint32_t kAnswerTimeoutMs = 20000;
    AnswerAtCommand();
    void on_data(const char* data, int length) override { take_lines(data, length); }
    void on_complete(const std::string& full_answer, bool result,
                     const std::string& result_reason) override;
    bool connect() const { return m_connect; }
    bool ok() const { return m_ok; }
    const std::string& connect_detail() const { return m_connectDetail; }

private:
    bool m_connect = false;
    bool m_ok = false;
    std::string m_connectDetail;
};

class HangupAtCommand : public ATCmd {
public:
    static constexpr std::uint32_t kAnswerTimeoutMs = 500;
    HangupAtCommand();
};

// The first command on a freshly opened line, so a report may well follow its "OK" at once:
// taken line by line, as the dial is.
class EchoOffAtCommand : public ATCmd {
public:
    static constexpr std::uint32_t kAnswerTimeoutMs = 400;
    EchoOffAtCommand();
    void on_data(const char* data, int length) override { take_lines(data, length); }
};

// "+++" without a line end, framed by the guard time a modem needs to take it as an escape
// rather than as data: silence before it (the delay) and after it (the modem answers "OK"
// only once the guard time has passed).
class ToTextModeAtCommand : public ATCmd {
public:
    static constexpr std::uint32_t kGuardDelayMs = 1500;
    static constexpr std::uint32_t kAnswerTimeoutMs = 6000;
    ToTextModeAtCommand();
};
