#pragma once

#include <string>
#include <vector>

namespace Msg {

// An ordered list of 8-bit (code page 1251) texts.
using Strings = std::vector<std::string>;

}  // namespace Msg
