#pragma once

// The simulated modem at work: a pseudo-terminal, a session that interprets what the
// application writes, and the faults played on the replies, served by a thread of its own.
// Tests, the demo and the benchmarks run it in-process; orvane-sim runs it as a process.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/fault_plan.h"
#include "sim/modem_profile.h"
#include "sim/port_link.h"

namespace sim {

class ModemSession;
class PtyEndpoint;
class WakeSignal;

struct SimOptions {
    ModemProfile profile;              // at power-on; AT&F and ATZ return to it
    std::vector<std::uint32_t> bauds;  // rates the modem answers at; empty: every rate
    Faults faults;
};

struct SimStats {
    std::uint64_t bytesReceived = 0;
    std::uint64_t bytesWritten = 0;
    std::uint64_t linesReceived = 0;
    std::uint64_t linesAnswered = 0;
    std::uint64_t linesIgnored = 0;
    bool unplugged = false;
};

class SimModem {
public:
    explicit SimModem(SimOptions options = {});
    ~SimModem();
    SimModem(const SimModem&) = delete;
    SimModem& operator=(const SimModem&) = delete;

    // Creates the pseudo-terminal and starts serving it; throws std::system_error.
    void start();
    // Ends the service, closes the pseudo-terminal and removes the port link.
    void stop();
    bool isRunning() const { return m_thread.joinable(); }

    // The device an application opens; empty before start.
    const std::string& slavePath() const { return m_slavePath; }

    // Makes the device COM port N of an application folder (`<folder>/ports/comN`), until
    // stop or removeLink.
    std::filesystem::path linkAs(const std::filesystem::path& appFolder, int portNumber);
    void removeLink();

    // Faults; any thread, any time.
    void setReplyDelay(std::uint32_t ms);
    void setChunking(std::size_t bytes, std::uint32_t gapMs);
    void setSilent(bool silent);
    void setGarbageBeforeReply(std::string bytes);
    // Sends bytes on their own as soon as the line takes them.
    void inject(std::string bytes);
    // Writes as fast as the pseudo-terminal accepts until stopFlood; once stopFlood returns
    // not one more flood byte is written.
    void startFlood();
    void stopFlood();
    // Closes both ends of the pseudo-terminal; returns once they are closed.
    void unplug();

    SimStats stats() const;
    // Waits until the statistics meet a condition; false when the time runs out first.
    // Counters of received bytes and lines move only after everything they caused has
    // been written, so a test can order its next step on them.
    bool waitUntil(const std::function<bool(const SimStats&)>& condition,
                   std::uint32_t timeoutMs) const;

private:
    void run();
    void handleInput(const char* data, std::size_t size);
    void deliverReply(const std::string& reply, const Faults& faults);
    bool writeAll(const std::string& bytes);
    void writeFlood();
    bool pause(std::uint32_t ms);
    bool interrupted() const;
    void closeEndpoint();

    const SimOptions m_options;
    FaultPlan m_faults;
    std::unique_ptr<WakeSignal> m_wake;
    std::unique_ptr<PtyEndpoint> m_endpoint;  // touched by the service thread while it runs
    std::unique_ptr<ModemSession> m_session;  // likewise
    std::string m_slavePath;
    PortLink m_link;
    std::thread m_thread;

    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_unplugRequested{false};
    std::atomic<std::uint64_t> m_bytesWritten{0};

    std::mutex m_floodMutex;  // held across each flood write, so stopFlood is final
    bool m_flooding = false;
    std::uint64_t m_floodPosition = 0;

    mutable std::mutex m_statsMutex;  // guards m_stats and m_serviceEnded
    mutable std::condition_variable m_statsChanged;
    SimStats m_stats;
    bool m_serviceEnded = false;
};

}  // namespace sim
