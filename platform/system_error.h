#pragma once

#include <string>

namespace platform {

// The system's text for an errno value (strerror_r), converted from the locale's code set
// to 1251.
std::string systemErrorText(int errorNumber);

}  // namespace platform
