#pragma once

// The settings a command line can change, and the identity the modem reports.

#include <array>
#include <cstdint>
#include <string_view>

namespace sim {

struct ModemIdentity {
    std::string_view manufacturer = "ORVANE";
    std::string_view model = "SIMULATED MODEM";
    std::string_view revision = "1.0";
    std::string_view serial = "000000000000001";
};

struct ModemProfile {
    static constexpr std::size_t kRegisterCount = 13;
    // Register numbers with a meaning for the line discipline and the escape sequence.
    static constexpr std::size_t kEscapeChar = 2;
    static constexpr std::size_t kLineTerminator = 3;
    static constexpr std::size_t kResponseFormatting = 4;
    static constexpr std::size_t kLineEditing = 5;
    static constexpr std::size_t kEscapeGuardTime = 12;

    bool echo = true;
    bool verbose = true;
    bool extendedRing = false;  // AT+CRC=1: "+CRING: VOICE" or "+CRING: DATA" instead of RING
    bool textMode = false;      // AT+CMGF=1: messages read as text rather than PDU
    bool errorCodes = false;    // AT+CMEE=1: "+CMS ERROR: <n>" rather than ERROR
    // S0..S12 with the defaults V.250 and the Hayes manuals give: S3 CR, S4 LF, S5 BS,
    // S2 '+' and S12 one second (in fiftieths) for the "+++" escape.
    std::array<std::uint8_t, kRegisterCount> registers = {0,  0, 43, 13, 10, 8, 2,
                                                          50, 2, 6,  14, 95, 50};

    char terminator() const { return static_cast<char>(registers[kLineTerminator]); }
    char formatting() const { return static_cast<char>(registers[kResponseFormatting]); }
    char editing() const { return static_cast<char>(registers[kLineEditing]); }
};

}  // namespace sim
