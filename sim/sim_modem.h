#pragma once

// The simulated modem at work: a pseudo-terminal, a session that interprets what the
// application writes, and the faults played on the replies, served by a thread of its own.
// Tests, the demo and the benchmarks run it in-process; orvane-sim runs it as a process.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "sim/call_state.h"
#include "sim/fault_plan.h"
#include "sim/message_store.h"
#include "sim/modem_profile.h"
#include "sim/modem_session.h"
#include "sim/port_link.h"

namespace sim {

class PtyEndpoint;
class WakeSignal;

struct SimOptions {
    ModemProfile profile;              // at power-on; AT&F and ATZ return to it
    std::vector<std::uint32_t> bauds;  // rates the modem answers at; empty: every rate
    Faults faults;
    CallOptions calls;
};

struct SimStats {
    std::uint64_t bytesReceived = 0;
    std::uint64_t bytesWritten = 0;
    std::uint64_t linesReceived = 0;
    std::uint64_t linesAnswered = 0;
    std::uint64_t linesIgnored = 0;
    bool unplugged = false;
    CallState callState = CallState::Idle;
    std::uint64_t dataBytesReceived = 0;  // taken as call data while a data call was online
    std::uint64_t reportsWritten = 0;     // unsolicited reports and injected bytes sent
    // The last ModemSession::kLineLogSize command lines heard, oldest first, without their
    // terminators.
    std::vector<std::string> commandLines;
};

class SimModem {
public:
    explicit SimModem(SimOptions options = {});
    ~SimModem();
    SimModem(const SimModem&) = delete;
    SimModem& operator=(const SimModem&) = delete;

    // Creates the pseudo-terminal and starts serving it; throws std::system_error.
    void start();
    // Ends the service, closes the pseudo-terminal and removes the port link. The modem is
    // powered off: the next start begins with the options' profile, no call and an empty
    // message store.
    void stop();
    bool isRunning() const { return m_thread.joinable(); }

    // The device an application opens; empty before start.
    const std::string& slavePath() const { return m_slavePath; }

    // Makes the device COM port N of an application folder (`<folder>/ports/comN`), until
    // stop or removeLink.
    std::filesystem::path linkAs(const std::filesystem::path& appFolder, int portNumber);
    void removeLink();

    // Faults; any thread, any time.
    // The delay before the replies to one command line (letter case aside), in place of the
    // reply delay; 0 ms takes it back.
    void setLineDelay(const std::string& line, std::uint32_t ms);
    void setChunking(std::size_t bytes, std::uint32_t gapMs);
    void setSilent(bool silent);
    // Sends bytes on their own as soon as the line takes them.
    void inject(std::string bytes);

    // The far end and the network; any thread, before start too. The modem's state changes
    // before the call returns; what the application is told goes out after everything the
    // modem had to send before, and stats() shows it once written. Reports made before
    // start are lost with the line that did not exist yet.
    //
    // A call comes in and rings (RING, or +CRING: VOICE / +CRING: DATA after AT+CRC=1);
    // ATA takes it, AT+CLCC lists it. False when the line is not free.
    bool incomingCall(IncomingCall call);
    // The far end hangs up: "NO CARRIER" and back to command mode for a call up or being
    // dialled; a ringing call just stops ringing. False when there was no call.
    bool remoteHangup();
    // Data from the far end to the application; false unless a data call is online.
    bool sendData(std::string bytes);
    // Key tones from the far end: one "+DTMF: <digit>" report per digit.
    void sendTones(std::string digits);
    // A new message: stored at index (the lowest free slot without one) and reported with
    // +CMTI: "SM",<index>. Returns the index, or nullopt when it cannot be stored.
    std::optional<std::size_t> newMessage(StoredMessage message,
                                          std::optional<std::size_t> index = std::nullopt);
    // Any unsolicited report line, framed as the settings ask.
    void report(std::string text);
    // The next unsolicited report (a ring, +CMTI, NO CARRIER, ...) goes out in two pieces
    // cut in its middle, pauseMs apart.
    void cutNextReport(std::uint32_t pauseMs);
    // From the next data call on, the far end sends these bytes right behind the CONNECT
    // line, in the same write; empty: it does not.
    void setGreeting(std::string bytes);

    // The message storage: a message put in place without a report; false for an index
    // outside 1..capacity.
    bool storeMessage(std::size_t index, StoredMessage message);
    std::optional<StoredMessage> message(std::size_t index) const;
    // The message at index goes, as when deleted on the phone: the storage has a gap there.
    bool eraseMessage(std::size_t index);
    std::size_t messageCount() const;

    // How dials end from now on.
    void setDialPlan(DialPlan plan);
    CallState callState() const;
    // Writes as fast as the pseudo-terminal accepts until stopFlood; once stopFlood returns
    // not one more flood byte is written.
    void startFlood();
    void stopFlood();
    // The same, ending by itself after ms milliseconds.
    void floodFor(std::uint32_t ms);
    // Closes both ends of the pseudo-terminal; returns once they are closed.
    void unplug();

    SimStats stats() const;
    // Waits until the statistics meet a condition; false when the time runs out first.
    // Counters of received bytes and lines move only after everything they caused has
    // been written, so a test can order its next step on them.
    bool waitUntil(const std::function<bool(const SimStats&)>& condition,
                   std::uint32_t timeoutMs) const;

private:
    // Runs change on the session under its lock, queues what it sends and wakes the service.
    template <typename Change>
    auto changeSession(Change change);
    void run();
    void handleInput(const char* data, std::size_t size);
    void serviceTimers();
    std::optional<int> msUntilDeadline();
    void writeOutbox();
    void discardOutbox();
    void publishStats(std::uint64_t bytesReceived);
    void deliverReply(const SessionOutput& reply, const Faults& faults);
    void deliverJittered(const std::string& bytes);
    bool floodingNow();
    bool writeAll(const std::string& bytes);
    bool writeReport(const std::string& bytes);
    void writeFlood();
    bool pause(std::uint32_t ms);
    bool interrupted() const;
    void closeEndpoint();

    const SimOptions m_options;
    FaultPlan m_faults;
    std::unique_ptr<WakeSignal> m_wake;
    std::unique_ptr<PtyEndpoint> m_endpoint;  // touched by the service thread while it runs
    std::string m_slavePath;
    PortLink m_link;
    std::thread m_thread;

    // Guards what m_session points to and m_outbox. Never held while writing to the line
    // nor together with m_statsMutex. The pointer itself changes only while no service
    // thread runs.
    mutable std::mutex m_sessionMutex;
    std::unique_ptr<ModemSession> m_session;
    std::deque<SessionOutput> m_outbox;  // to be written, in order
    std::uint64_t m_reportsWritten = 0;  // service thread only
    std::mt19937 m_jitter;               // service thread only; seeded at start
    bool m_stalled = false;              // service thread only: the line is no longer read

    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_unplugRequested{false};
    std::atomic<std::uint64_t> m_bytesWritten{0};

    std::mutex m_floodMutex;  // held across each flood write, so stopFlood is final
    bool m_flooding = false;
    std::optional<std::chrono::steady_clock::time_point> m_floodUntil;  // none: until stopFlood
    std::uint64_t m_floodPosition = 0;

    mutable std::mutex m_statsMutex;  // guards m_stats and m_serviceEnded
    mutable std::condition_variable m_statsChanged;
    SimStats m_stats;
    bool m_serviceEnded = false;
};

}  // namespace sim
