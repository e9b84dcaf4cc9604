#pragma once

#include <cstddef>
#include <cstdint>

// One exchange with the modem as the modem port sees it: how long to wait before writing,
// what to write, and where to put the bytes that come back until the command says it has
// heard enough or its answer wait runs out. The command, not the port, judges the answer.
class InquiryCmd {
public:
    virtual std::uint32_t delay_before() const = 0;
    virtual const char* command_data() const = 0;
    // 0: nothing is written; the port only listens.
    virtual std::size_t command_size() const = 0;
    virtual void on_data(const char* data, int length) = 0;
    virtual bool is_complete() const = 0;
    virtual std::uint32_t answer_timeout() const = 0;
    virtual ~InquiryCmd() = default;

    // True: the port reads out what already waits on the line (a late answer to an earlier
    // command) before it writes this command, and shows it as stray, not as its answer.
    virtual bool drains_line() const { return false; }
    // Bytes at the start of the chunk last given to on_data that the command took for no
    // part of its reply (they came before its echo); the port shows them as stray.
    virtual std::size_t stray_length() const { return 0; }
    // True: no read goes past the end of the answer wait (a read otherwise waits up to its
    // own limit for a first byte, so the last one may outlast the wait by that limit). The
    // search's tries, which count a port's time; list commands keep the wait they had.
    virtual bool reads_end_at_deadline() const { return false; }

protected:
    InquiryCmd() = default;
    // Copying is for concrete commands only (a worker keeps its own copy of a template
    // command); copying through the interface would slice.
    InquiryCmd(const InquiryCmd&) = default;
    InquiryCmd& operator=(const InquiryCmd&) = default;
    InquiryCmd(InquiryCmd&&) = default;
    InquiryCmd& operator=(InquiryCmd&&) = default;
};
