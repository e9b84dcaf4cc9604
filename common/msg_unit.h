#pragma once

// One row of a message table and the rows of a table, oldest first.

#include <cstdint>
#include <string>
#include <vector>

#include "common/msg_strings.h"

namespace Msg {

struct MsgUnit {
    static constexpr std::uint32_t kBlack = 0x000000;
    static constexpr std::uint32_t kWhite = 0xFFFFFF;

    Strings cells;
    // Colours and tag keep these values in this system; painting does not read them.
    std::uint32_t textColor = kBlack;
    std::uint32_t backgroundColor = kWhite;
    std::string tag;

    bool operator==(const MsgUnit&) const = default;
};

using MsgUnits = std::vector<MsgUnit>;

}  // namespace Msg
