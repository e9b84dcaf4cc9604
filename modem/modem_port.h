#pragma once

// The one object through which commands reach a modem: it owns the serial port and runs one
// command at a time (delay, write, then feed every chunk read to the command until it is
// complete, its answer wait runs out or another thread asks it to stop).

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "modem/exchange_log.h"
#include "modem/inquiry_cmd.h"
#include "modem/kept_answer.h"
#include "modem/t_comm_port.h"
#include "platform/stopwatch.h"

class ModemPort {
public:
    // Arguments as TCommPort's. Removes "modem.dat" from the application folder: a stale
    // capture of an earlier session must not be mistaken for this one's.
    ModemPort(int port, int baudRate, int dataBits, int stopBits, bool parity, bool ctsFlow);
    ModemPort(const ModemPort&) = delete;
    ModemPort& operator=(const ModemPort&) = delete;

    bool is_open() const { return m_port.is_open(); }
    TCommPort& port() { return m_port; }

    // Not owned; null switches the copies off. Any thread: a facade's owner sets it after
    // open, when the worker may already be listening on the line.
    void set_exchange_log(ExchangeLog* log) { m_exchangeLog = log; }

    // Runs one exchange. A command that drains the line has what already waits on it read
    // out first, until the line has been quiet for kQuietMs (no wait when nothing waits; at
    // most the command's answer wait, since a flooding modem is never quiet), and shown as
    // stray. The exchange log sees the first KeptAnswer::kHeadBytes of each answer as they
    // come, and of a longer one the count left out and its last bytes at the end. Throws
    // std::runtime_error with "Ошибка при записи в порт " or "Ошибка при чтении из порта "
    // followed by the system's text when the port fails (a write the line does not take
    // within its limit fails with the text of ETIMEDOUT). The caller reads the command's
    // verdict afterwards. False when a stop came before the command's bytes went out (during
    // its delay or the drain, or from halt()): nothing was written, and the command has no
    // outcome to report. A stop during the write itself counts as written: part of the
    // command may have reached the modem.
    bool execute(InquiryCmd& cmd);
    // As execute, unless a stop or halt came after stop_mark() returned mark: then nothing is
    // written and false is returned, as for a stop during the delay. A command queued for
    // later (a dial) takes the mark when it is queued, so a hang-up requested meanwhile is
    // not undone by the next exchange clearing the stop.
    bool execute_unless_stopped_since(InquiryCmd& cmd, std::uint64_t mark);
    // Counts the stops and halts made so far. Any thread.
    std::uint64_t stop_mark() const { return m_stops; }

    // A port whose device went away (a hang-up, EIO, ENXIO or ENODEV): every later exchange
    // fails at once with the same error, without touching the line. Any thread.
    bool dead() const { return m_dead; }

    // Ends a running exchange at once: its delay, a write waiting for the line, the answer
    // wait. Safe from any thread; a stop made before execute starts has no effect.
    void stop();
    // As stop, and every later exchange ends before it writes anything, until resume(): for
    // an owner taking its worker down, whose next queued command must not undo the stop.
    // Safe from any thread.
    void halt();
    void resume();

    // Bytes one read may take; the buffer holds one more for the terminating zero.
    static constexpr int kReadChunk = 9999;
    // Poll pause between reads; a stop cuts it short.
    static constexpr std::uint32_t kPollPauseMs = 5;
    // Chunks shorter than this are traced in full; longer ones only reach the exchange log.
    static constexpr int kReadTraceLimit = 15;
    // A line quiet this long holds nothing more of a late answer.
    static constexpr std::uint32_t kQuietMs = 50;
    // The port errors begin with these, the system's text follows.
    static const std::string_view kWriteErrorPrefix;
    static const std::string_view kReadErrorPrefix;

private:
    bool run(InquiryCmd& cmd, const std::uint64_t* mark);
    [[noreturn]] void raise_port_error(std::string_view prefix, int errorNumber);
    void trace_write(const char* data, std::size_t length);
    void drain_line(std::uint32_t limitMs);
    using Clock = std::chrono::steady_clock;
    // Reads one chunk into m_buffer, ending at end at the latest; throws the read error.
    unsigned read_chunk(Clock::time_point end = Clock::time_point::max());
    // stray: how many bytes at the start of the chunk belong to no command.
    void trace_read(const char* data, int length, std::size_t stray);
    // Shows the end of the answer the log has not seen yet: the count left out of a long one
    // and its kept tail (as stray bytes, or as read ones).
    void show_rest(bool stray);

    // Owner: the thread running execute(). Exceptions: m_stop and m_halted, which stop() and
    // halt() may set from any thread (atomic; changed together with the port's stop under
    // m_stopMutex), and m_exchangeLog (atomic), which another thread may set.
    TCommPort m_port;
    platform::Stopwatch m_stopwatch;
    char m_buffer[kReadChunk + 1] = {};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_halted{false};
    std::atomic<ExchangeLog*> m_exchangeLog{nullptr};
    std::mutex m_stopMutex;
    std::atomic<std::uint64_t> m_stops{0};  // changed under m_stopMutex
    // Set once by the thread running execute(); m_deadError is written before m_dead and
    // read only after it was seen set.
    std::atomic<bool> m_dead{false};
    std::string m_deadError;
    KeptAnswer m_shown;  // what the exchange log has been shown of the current answer
};
