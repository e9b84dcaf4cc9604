#pragma once

// The AT commands that place, answer and end calls and switch a data call back to command
// mode. All of them judge the answer line by line.

#include <string>
#include <string_view>

#include "modem/at_cmd.h"

// "ATD<number>;" for a voice call, "ATD<number>" for a data call. A dial may take minutes:
// the modem answers only when the far end picks up or the call fails.
class DialAtCommand : public ATCmd {
public:
    static constexpr std::uint32_t kAnswerTimeoutMs = 300000;
    DialAtCommand(std::string_view number, bool dataMode);
};

// "ATA": a voice call is answered "OK", a data call "CONNECT <rate>".
class AnswerAtCommand : public ATCmd {
public:
    static constexpr std::uint32_t kAnswerTimeoutMs = 20000;
    AnswerAtCommand();
    void on_complete(const std::string& full_answer, bool result,
                     const std::string& result_reason) override;
    bool connect() const { return m_connect; }
    bool ok() const { return m_ok; }

private:
    bool m_connect = false;
    bool m_ok = false;
};

class HangupAtCommand : public ATCmd {
public:
    static constexpr std::uint32_t kAnswerTimeoutMs = 500;
    HangupAtCommand();
};

class EchoOffAtCommand : public ATCmd {
public:
    static constexpr std::uint32_t kAnswerTimeoutMs = 400;
    EchoOffAtCommand();
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
