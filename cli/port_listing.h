#pragma once

// `orvane-run --ports`: which device each COM number is, for an operator who has to tell
// COM 37 from COM 38 on Linux. Nothing is opened (a number may lead to a live console UART):
// access comes from access(2), holders from /proc.

#include <string>
#include <vector>

#include "platform/serial_device_map.h"

// One line per COM number, ascending, each number once (the searched ports plus every
// ports/comN entry), UTF-8, fields separated by one TAB, "-" for an empty field: COM<N>, the
// device, its /dev/serial/by-id name, its driver, its state.
std::vector<std::string> portListing(const platform::SerialRoots& roots = {});
