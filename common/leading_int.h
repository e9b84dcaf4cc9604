#pragma once

// Numbers typed into settings and command lists are read as C's "%d" reads them: blanks
// first, a sign, then digits up to the first character that is none.

#include <cstdint>
#include <optional>
#include <string_view>

namespace SimpleUtils {

// The leading decimal integer of text, or nothing when text does not start with one. A
// number beyond the 32-bit range gives the nearest limit rather than a wrapped value.
std::optional<std::int32_t> leadingInt(std::string_view text);

}  // namespace SimpleUtils
