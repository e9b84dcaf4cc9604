#pragma once

#include <array>
#include <string_view>

// The modem engine's vocabulary. Every comparison with these is byte-exact and
// case-sensitive; they are compile-time constants, so any thread may read them at any time.
namespace AtKeywords {

inline constexpr std::string_view at{"AT"};            // command prefix
inline constexpr std::string_view crlf{"\r\n"};        // ends every generated line and answer line
inline constexpr std::string_view plus{"+"};           // extended-command prefix after "AT"
inline constexpr std::string_view ok{"OK"};            // final result: success
inline constexpr std::string_view error{"ERROR"};      // final result: failure
inline constexpr std::string_view connect{"CONNECT"};  // data connection established
inline constexpr std::string_view ring{"RING"};        // incoming call
inline constexpr std::string_view cring{"+CRING"};     // incoming call, extended form
inline constexpr std::string_view busy{"BUSY"};
inline constexpr std::string_view noCarrier{"NO CARRIER"};
inline constexpr std::string_view noDialtone{"NO DIALTONE"};
inline constexpr std::string_view noAnswer{"NO ANSWER"};
inline constexpr std::string_view cmti{"+CMTI:"};  // a new message was stored
inline constexpr std::string_view cpms{"CPMS"};    // preferred message storage
inline constexpr std::string_view cmgr{"CMGR"};    // read message
inline constexpr std::string_view cmgl{"CMGL"};    // list messages
inline constexpr std::string_view cmgd{"CMGD"};    // delete message
inline constexpr std::string_view atCmgs{"AT+CMGS"};
inline constexpr std::string_view cmgf{"CMGF"};  // message format
inline constexpr std::string_view atCmgf{"AT+CMGF"};
inline constexpr std::string_view csq{"CSQ"};      // signal quality
inline constexpr std::string_view vts{"VTS"};      // send a tone
inline constexpr std::string_view dtmf{"+DTMF:"};  // a tone was received
inline constexpr std::string_view prompt{">"};     // the modem waits for message text
inline constexpr std::string_view atSnfs5{"AT^SNFS=5"};
inline constexpr std::string_view atSaic1{"AT^SAIC=1"};
inline constexpr std::string_view atSaic2{"AT^SAIC=2"};
inline constexpr std::string_view equals{"="};  // between a command name and its parameter

// The whole vocabulary in one place, in the order above.
inline constexpr std::array all{
    at,         crlf,     plus, ok,     error,   connect, ring,    cring,  busy, noCarrier,
    noDialtone, noAnswer, cmti, cpms,   cmgr,    cmgl,    cmgd,    atCmgs, cmgf, atCmgf,
    csq,        vts,      dtmf, prompt, atSnfs5, atSaic1, atSaic2, equals,
};

}  // namespace AtKeywords
