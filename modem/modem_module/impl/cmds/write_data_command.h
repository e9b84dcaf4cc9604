#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "modem/inquiry_cmd.h"

// Sends a block of raw data during a data call and waits for nothing. Each block sent is also
// appended to the trace file "write.dat" in the current directory, once per block.
class WriteDataCommand : public InquiryCmd {
public:
    // Copies the bytes.
    WriteDataCommand(const char* data, std::size_t length);

    std::uint32_t delay_before() const override { return 0; }
    // The first call traces the block; every call returns the first byte.
    const char* command_data() const override;
    std::size_t command_size() const override { return m_data.size(); }
    // Never called: the command is complete before it is sent.
    void on_data(const char* data, int length) override;
    bool is_complete() const override { return true; }
    std::uint32_t answer_timeout() const override { return 0; }

    const std::vector<char>& data() const { return m_data; }
    bool traced() const { return m_traced; }

private:
    std::vector<char> m_data;
    // The port asks for the bytes more than once per execution; the trace must get them once.
    mutable bool m_traced = false;
};
