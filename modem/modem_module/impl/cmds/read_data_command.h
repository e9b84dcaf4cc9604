#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "modem/inquiry_cmd.h"

// Listens to the line during a data call: writes nothing and collects what arrives for its
// answer wait, ending early only at a disconnect marker ("NO CARRIER", or "ERROR" CR LF). The
// marker and anything after it are dropped: they are the modem's words, not the call's data.
class ReadDataCommand : public InquiryCmd {
public:
    static constexpr std::uint32_t kAnswerTimeoutMs = 200;

    ReadDataCommand() = default;

    std::uint32_t delay_before() const override { return 0; }
    const char* command_data() const override { return nullptr; }
    std::size_t command_size() const override { return 0; }
    void on_data(const char* data, int length) override;
    bool is_complete() const override { return m_complete; }
    std::uint32_t answer_timeout() const override { return kAnswerTimeoutMs; }

    const std::vector<char>& data() const { return m_data; }
    bool disconnected() const { return m_disconnected; }

private:
    std::vector<char> m_data;
    bool m_disconnected = false;
    bool m_complete = false;
};
