#include "modem/modem_module/impl/decimal_value.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

namespace SimpleUtils {

bool readDecimal(std::string_view text, int& value) {
    const std::string copy{text};
    const char* begin = copy.c_str();
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(begin, &end, 10);
    // A modem's number too long for an int is garbage, not a value to wrap or clamp.
    if (end == begin || errno == ERANGE || number < INT_MIN || number > INT_MAX) {
        return false;
    }
    value = static_cast<int>(number);
    return true;
}

}  // namespace SimpleUtils
