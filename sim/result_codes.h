#pragma once

// The modem's result codes: one table holds each code's verbose text and its number, so the
// ATV setting only chooses a column.

#include <string_view>

namespace sim {

enum class ResultCode {
    Ok,
    Connect,
    Ring,
    NoCarrier,
    Error,
    NoDialtone,
    Busy,
    NoAnswer,
    CmsError,  // a message service failure, "+CMS ERROR: <n>"
};

struct ResultCodeEntry {
    ResultCode code;
    int number;  // -1: an extended code, sent as text in numeric mode too
    std::string_view verbose;
};

const ResultCodeEntry& resultCodeEntry(ResultCode code);

}  // namespace sim
