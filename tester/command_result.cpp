#include "tester/command_result.h"

#include "platform/cp1251.h"

using namespace platform::literals;

std::string skippedLine(std::uint64_t bytes) {
    return std::string("<<- пропущено "_cp1251) + std::to_string(bytes) +
           std::string(" байт"_cp1251);
}
