#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "modem/inquiry_cmd.h"

// Listens to the line during a data call: writes nothing and collects what arrives for its
// answer wait, ending early only at a disconnect marker ("NO CARRIER", or "ERROR" CR LF). The
// marker is dropped: it is the modem's word, not the call's data; what follows its line is
// kept apart (rest()) for whoever reads the line next.
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
    // After a disconnect: the bytes after the marker's line.
    const std::string& rest() const { return m_rest; }
    // Without a disconnect: takes the end of the data that may still become a marker (the
    // line was read while the modem was in the middle of "NO CARRIER") out of data().
    std::string hold_back_unfinished_marker();

private:
    std::vector<char> m_data;
    std::string m_rest;
    bool m_disconnected = false;
    bool m_complete = false;
};
