#include "sim/result_codes.h"

#include <array>
#include <stdexcept>

namespace sim {

namespace {

// The numbers are the classic Hayes ones that V.250 keeps; numeric mode sends them as
// decimal text.
constexpr std::array<ResultCodeEntry, 9> kResultCodes = {{
    {ResultCode::Ok, 0, "OK"},
    {ResultCode::Connect, 1, "CONNECT"},
    {ResultCode::Ring, 2, "RING"},
    {ResultCode::NoCarrier, 3, "NO CARRIER"},
    {ResultCode::Error, 4, "ERROR"},
    {ResultCode::NoDialtone, 6, "NO DIALTONE"},
    {ResultCode::Busy, 7, "BUSY"},
    {ResultCode::NoAnswer, 8, "NO ANSWER"},
    {ResultCode::CmsError, -1, "+CMS ERROR"},
}};

}  // namespace

const ResultCodeEntry& resultCodeEntry(ResultCode code) {
    for (const auto& entry : kResultCodes) {
        if (entry.code == code) {
            return entry;
        }
    }
    throw std::logic_error("result code missing from the table");
}

}  // namespace sim
