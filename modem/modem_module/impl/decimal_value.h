#pragma once

#include <string_view>

namespace SimpleUtils {

// Reads a leading decimal integer the way the C "%d" conversion does: blanks before it and an
// optional sign are allowed, whatever follows the digits is ignored. False, with value
// unchanged, when no digits come first or the number does not fit an int.
bool readDecimal(std::string_view text, int& value);

}  // namespace SimpleUtils
