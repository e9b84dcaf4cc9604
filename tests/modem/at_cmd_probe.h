#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "modem/inquiry_cmd.h"

namespace modem_test {

inline std::string commandBytes(const InquiryCmd& cmd) {
    return {cmd.command_data(), cmd.command_size()};
}

// A command that records every on_complete call instead of acting on it.
template <class Base>
class Probe : public Base {
public:
    using Base::Base;

    struct Call {
        std::string answer;
        bool result;
        std::string reason;
    };

    void on_complete(const std::string& full_answer, bool result,
                     const std::string& result_reason) override {
        calls.push_back(Call{full_answer, result, result_reason});
    }

    std::vector<Call> calls;
};

// Hands chunks to a command the way the modem port does: one after another while the
// command still waits. Returns how many chunks were taken.
inline std::size_t feed(InquiryCmd& cmd, const std::vector<std::string_view>& chunks) {
    std::size_t taken = 0;
    for (std::string_view chunk : chunks) {
        if (cmd.is_complete()) {
            break;
        }
        cmd.on_data(chunk.data(), static_cast<int>(chunk.size()));
        ++taken;
    }
    return taken;
}

}  // namespace modem_test
