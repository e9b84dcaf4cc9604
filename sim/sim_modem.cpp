#include "sim/sim_modem.h"

#include <poll.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <utility>

#include "sim/flood_pattern.h"
#include "sim/modem_session.h"
#include "sim/pty_endpoint.h"
#include "sim/wake_signal.h"

namespace sim {

namespace {

constexpr std::size_t kReadBlock = 4096;
constexpr std::size_t kFloodBlock = 4096;
// Jitter bounds: well inside the shortest answer wait of a search (hundreds of
// milliseconds) and the read pause that ends a read (100 ms), so a jittered modem is slow
// and ragged but still a modem that answers.
constexpr std::uint32_t kJitterMaxDelayMs = 40;
constexpr std::uint32_t kJitterMaxPiece = 8;
constexpr std::uint32_t kJitterMaxGapMs = 5;

}  // namespace

template <typename Change>
auto SimModem::changeSession(Change change) {
    std::vector<SessionOutput> out;
    auto result = [&] {
        std::lock_guard lock(m_sessionMutex);
        auto changed = change(*m_session, out);
        for (SessionOutput& output : out) {
            m_outbox.push_back(std::move(output));
        }
        return changed;
    }();
    if (m_wake) {
        m_wake->signal();
    }
    return result;
}

SimModem::SimModem(SimOptions options)
    : m_options(std::move(options)),
      m_faults(m_options.faults),
      m_session(
          std::make_unique<ModemSession>(m_options.profile, m_options.bauds, m_options.calls)) {}

SimModem::~SimModem() {
    stop();
}

void SimModem::start() {
    if (isRunning()) {
        throw std::logic_error("the simulated modem is running already");
    }
    m_wake = std::make_unique<WakeSignal>();
    m_endpoint = std::make_unique<PtyEndpoint>();
    m_slavePath = m_endpoint->slavePath();
    discardOutbox();
    m_reportsWritten = 0;
    m_jitter.seed(m_faults.snapshot().jitterSeed.value_or(0));
    m_stalled = false;
    m_stopRequested = false;
    m_unplugRequested = false;
    {
        std::lock_guard lock(m_statsMutex);
        m_stats = {};
        m_serviceEnded = false;
    }
    m_bytesWritten = 0;
    m_thread = std::thread([this] { run(); });
}

void SimModem::stop() {
    if (m_thread.joinable()) {
        m_stopRequested = true;
        m_wake->signal();
        m_thread.join();
    }
    m_endpoint.reset();
    {
        std::lock_guard lock(m_sessionMutex);
        m_session =
            std::make_unique<ModemSession>(m_options.profile, m_options.bauds, m_options.calls);
        m_outbox.clear();
    }
    removeLink();
}

std::filesystem::path SimModem::linkAs(const std::filesystem::path& appFolder, int portNumber) {
    if (m_slavePath.empty()) {
        throw std::logic_error("the simulated modem has no device before start");
    }
    m_link = PortLink(appFolder, portNumber, m_slavePath);
    return m_link.path();
}

void SimModem::removeLink() {
    m_link.remove();
}

void SimModem::setLineDelay(const std::string& line, std::uint32_t ms) {
    m_faults.setLineDelay(line, ms);
}

void SimModem::setChunking(std::size_t bytes, std::uint32_t gapMs) {
    m_faults.setChunking(bytes, gapMs);
}

void SimModem::setSilent(bool silent) {
    m_faults.setSilent(silent);
}

void SimModem::inject(std::string bytes) {
    changeSession([&](ModemSession&, std::vector<SessionOutput>& out) {
        out.push_back({SessionOutput::Kind::Unsolicited, std::move(bytes), {}});
        return true;
    });
}

bool SimModem::incomingCall(IncomingCall call) {
    return changeSession([&](ModemSession& session, std::vector<SessionOutput>& out) {
        return session.incomingCall(std::move(call), SimClock::now(), out);
    });
}

bool SimModem::remoteHangup() {
    return changeSession([](ModemSession& session, std::vector<SessionOutput>& out) {
        return session.remoteHangup(out);
    });
}

bool SimModem::sendData(std::string bytes) {
    return changeSession([&](ModemSession& session, std::vector<SessionOutput>& out) {
        return session.remoteData(bytes, out);
    });
}

void SimModem::sendTones(std::string digits) {
    changeSession([&](ModemSession& session, std::vector<SessionOutput>& out) {
        session.tones(digits, out);
        return true;
    });
}

std::optional<std::size_t> SimModem::newMessage(StoredMessage message,
                                                std::optional<std::size_t> index) {
    return changeSession([&](ModemSession& session, std::vector<SessionOutput>& out) {
        return session.messageArrived(std::move(message), index, out);
    });
}

void SimModem::report(std::string text) {
    changeSession([&](ModemSession& session, std::vector<SessionOutput>& out) {
        session.report(text, out);
        return true;
    });
}

void SimModem::cutNextReport(std::uint32_t pauseMs) {
    m_faults.cutNextReport(pauseMs);
}

void SimModem::setGreeting(std::string bytes) {
    std::lock_guard lock(m_sessionMutex);
    m_session->calls().setGreeting(std::move(bytes));
}

bool SimModem::eraseMessage(std::size_t index) {
    std::lock_guard lock(m_sessionMutex);
    return m_session->messages().erase(index);
}

bool SimModem::storeMessage(std::size_t index, StoredMessage message) {
    std::lock_guard lock(m_sessionMutex);
    return m_session->messages().store(index, std::move(message));
}

std::optional<StoredMessage> SimModem::message(std::size_t index) const {
    std::lock_guard lock(m_sessionMutex);
    const StoredMessage* found = m_session->messages().find(index);
    return found ? std::optional<StoredMessage>{*found} : std::nullopt;
}

std::size_t SimModem::messageCount() const {
    std::lock_guard lock(m_sessionMutex);
    return m_session->messages().used();
}

void SimModem::setDialPlan(DialPlan plan) {
    std::lock_guard lock(m_sessionMutex);
    m_session->calls().setDialPlan(plan);
}

CallState SimModem::callState() const {
    std::lock_guard lock(m_sessionMutex);
    return m_session->calls().state();
}

void SimModem::startFlood() {
    {
        std::lock_guard lock(m_floodMutex);
        m_flooding = true;
    }
    if (m_wake) {
        m_wake->signal();
    }
}

void SimModem::stopFlood() {
    std::lock_guard lock(m_floodMutex);
    m_flooding = false;
    m_floodUntil.reset();
}

void SimModem::floodFor(std::uint32_t ms) {
    {
        std::lock_guard lock(m_floodMutex);
        m_flooding = true;
        m_floodUntil = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    }
    if (m_wake) {
        m_wake->signal();
    }
}

bool SimModem::floodingNow() {
    std::lock_guard lock(m_floodMutex);
    if (m_flooding && m_floodUntil && std::chrono::steady_clock::now() >= *m_floodUntil) {
        m_flooding = false;
        m_floodUntil.reset();
    }
    return m_flooding;
}

void SimModem::unplug() {
    if (!isRunning()) {
        m_endpoint.reset();
        std::lock_guard lock(m_statsMutex);
        m_stats.unplugged = true;
        return;
    }
    m_unplugRequested = true;
    m_wake->signal();
    std::unique_lock lock(m_statsMutex);
    m_statsChanged.wait(lock, [this] { return m_stats.unplugged || m_serviceEnded; });
}

SimStats SimModem::stats() const {
    std::lock_guard lock(m_statsMutex);
    SimStats copy = m_stats;
    copy.bytesWritten = m_bytesWritten;
    return copy;
}

bool SimModem::waitUntil(const std::function<bool(const SimStats&)>& condition,
                         std::uint32_t timeoutMs) const {
    std::unique_lock lock(m_statsMutex);
    return m_statsChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        SimStats copy = m_stats;
        copy.bytesWritten = m_bytesWritten;
        return condition(copy);
    });
}

void SimModem::run() {
    std::array<char, kReadBlock> buffer{};
    while (!m_stopRequested) {
        if (m_unplugRequested && m_endpoint->isOpen()) {
            closeEndpoint();
        }
        if (!m_endpoint->isOpen()) {
            // Unplugged: nothing to serve until stop, and nobody to tell anything.
            discardOutbox();
            pollfd wake{m_wake->fd(), POLLIN, 0};
            ::poll(&wake, 1, -1);
            m_wake->drain();
            continue;
        }
        serviceTimers();
        int timeoutMs = msUntilDeadline().value_or(-1);
        const bool flooding = floodingNow();
        if (flooding) {
            // A timed flood must end on time even when the line takes nothing.
            std::lock_guard lock(m_floodMutex);
            if (m_floodUntil) {
                const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                    *m_floodUntil - std::chrono::steady_clock::now());
                const int floodMs = static_cast<int>(std::max<std::int64_t>(left.count(), 0));
                timeoutMs = timeoutMs < 0 ? floodMs : std::min(timeoutMs, floodMs);
            }
        }
        std::array<pollfd, 2> fds{{
            {m_endpoint->masterFd(),
             static_cast<short>((m_stalled ? 0 : POLLIN) | (flooding ? POLLOUT : 0)), 0},
            {m_wake->fd(), POLLIN, 0},
        }};
        if (::poll(fds.data(), fds.size(), timeoutMs) <= 0) {
            continue;  // a deadline, or EINTR
        }
        if (fds[1].revents & POLLIN) {
            m_wake->drain();
        }
        if (fds[0].revents & POLLIN) {
            const ssize_t got = m_endpoint->readSome(buffer.data(), buffer.size());
            if (got > 0) {
                handleInput(buffer.data(), static_cast<std::size_t>(got));
            }
        } else if (fds[0].revents & (POLLHUP | POLLERR)) {
            // The held slave descriptor should rule this out; do not spin if it happens.
            pollfd wake{m_wake->fd(), POLLIN, 0};
            ::poll(&wake, 1, 10);
        }
        if (fds[0].revents & POLLOUT) {
            writeFlood();
        }
    }
    closeEndpoint();
    {
        std::lock_guard lock(m_statsMutex);
        m_serviceEnded = true;
    }
    m_statsChanged.notify_all();
}

void SimModem::handleInput(const char* data, std::size_t size) {
    const Faults faults = m_faults.snapshot();
    // The rate in force now stands for the rate at which these bytes arrived: an
    // application changes the rate only after waiting for an answer.
    const std::uint32_t rate = m_endpoint->lineRate();
    bool heardStallLine = false;
    {
        std::lock_guard lock(m_sessionMutex);
        m_session->setMuted(faults.silent);
        const std::uint64_t before = m_session->counters().linesReceived;
        for (SessionOutput& output : m_session->feed({data, size}, rate, SimClock::now())) {
            m_outbox.push_back(std::move(output));
        }
        if (!faults.stallAfter.empty()) {
            const std::deque<std::string>& heard = m_session->lineLog();
            const std::uint64_t count = m_session->counters().linesReceived - before;
            heardStallLine =
                std::find(heard.end() - static_cast<std::ptrdiff_t>(
                                            std::min<std::uint64_t>(count, heard.size())),
                          heard.end(), faults.stallAfter) != heard.end();
        }
    }
    writeOutbox();
    m_stalled = m_stalled || heardStallLine;
    publishStats(size);
}

void SimModem::serviceTimers() {
    {
        std::lock_guard lock(m_sessionMutex);
        for (SessionOutput& output : m_session->tick(SimClock::now())) {
            m_outbox.push_back(std::move(output));
        }
    }
    writeOutbox();
    publishStats(0);
}

std::optional<int> SimModem::msUntilDeadline() {
    std::optional<SimTime> deadline;
    {
        std::lock_guard lock(m_sessionMutex);
        deadline = m_session->nextDeadline();
    }
    if (!deadline) {
        return std::nullopt;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - SimClock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

void SimModem::writeOutbox() {
    for (;;) {
        SessionOutput output;
        {
            std::lock_guard lock(m_sessionMutex);
            if (m_outbox.empty()) {
                return;
            }
            output = std::move(m_outbox.front());
            m_outbox.pop_front();
        }
        if (interrupted()) {
            discardOutbox();
            return;
        }
        switch (output.kind) {
            case SessionOutput::Kind::Reply:
                deliverReply(output, m_faults.snapshot());
                break;
            case SessionOutput::Kind::Unsolicited:
                if (writeReport(output.bytes)) {
                    ++m_reportsWritten;
                }
                break;
            case SessionOutput::Kind::Echo:
            case SessionOutput::Kind::Data:
                writeAll(output.bytes);
                break;
        }
    }
}

void SimModem::discardOutbox() {
    std::lock_guard lock(m_sessionMutex);
    m_outbox.clear();
}

void SimModem::publishStats(std::uint64_t bytesReceived) {
    SessionCounters counters;
    CallState callState = CallState::Idle;
    std::vector<std::string> lines;
    {
        std::lock_guard lock(m_sessionMutex);
        counters = m_session->counters();
        callState = m_session->calls().state();
        lines.assign(m_session->lineLog().begin(), m_session->lineLog().end());
    }
    {
        std::lock_guard lock(m_statsMutex);
        m_stats.bytesReceived += bytesReceived;
        m_stats.linesReceived = counters.linesReceived;
        m_stats.linesAnswered = counters.linesAnswered;
        m_stats.linesIgnored = counters.linesIgnored;
        m_stats.dataBytesReceived = counters.dataBytesReceived;
        m_stats.callState = callState;
        m_stats.reportsWritten = m_reportsWritten;
        m_stats.commandLines = std::move(lines);
    }
    m_statsChanged.notify_all();
}

void SimModem::deliverReply(const SessionOutput& reply, const Faults& faults) {
    const std::string bytes = faults.garbageBeforeReply + reply.bytes;
    // The modem is busy until it replies: what it hears meanwhile waits, echo included.
    const std::uint32_t delay = faults.replyDelayFor(reply.line);
    if (delay > 0 && !pause(delay)) {
        return;
    }
    if (faults.jitterSeed) {
        deliverJittered(bytes);
        return;
    }
    if (faults.chunkBytes == 0) {
        writeAll(bytes);
        return;
    }
    for (std::size_t at = 0; at < bytes.size(); at += faults.chunkBytes) {
        if (at > 0 && faults.chunkGapMs > 0 && !pause(faults.chunkGapMs)) {
            return;
        }
        if (!writeAll(bytes.substr(at, faults.chunkBytes))) {
            return;
        }
    }
}

void SimModem::deliverJittered(const std::string& bytes) {
    const auto upTo = [this](std::uint32_t max) {
        return std::uniform_int_distribution<std::uint32_t>(0, max)(m_jitter);
    };
    if (!pause(upTo(kJitterMaxDelayMs))) {
        return;
    }
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t piece = 1 + upTo(kJitterMaxPiece - 1);
        if (!writeAll(bytes.substr(at, piece))) {
            return;
        }
        at += piece;
        if (at < bytes.size() && !pause(upTo(kJitterMaxGapMs))) {
            return;
        }
    }
}

bool SimModem::writeReport(const std::string& bytes) {
    const std::optional<std::uint32_t> cut = m_faults.takeReportCut();
    if (!cut) {
        return writeAll(bytes);
    }
    const std::size_t half = bytes.size() / 2;
    return writeAll(bytes.substr(0, half)) && pause(*cut) && writeAll(bytes.substr(half));
}

bool SimModem::writeAll(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = m_endpoint->writeSome(bytes.data() + done, bytes.size() - done);
        if (written > 0) {
            done += static_cast<std::size_t>(written);
            m_bytesWritten += static_cast<std::uint64_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0 && errno != EAGAIN) {
            return false;
        }
        // The application does not read: wait for room, but not past a stop or unplug.
        std::array<pollfd, 2> fds{{
            {m_endpoint->masterFd(), POLLOUT, 0},
            {m_wake->fd(), POLLIN, 0},
        }};
        ::poll(fds.data(), fds.size(), -1);
        if (fds[1].revents & POLLIN) {
            m_wake->drain();
        }
        if (interrupted()) {
            return false;
        }
    }
    return true;
}

void SimModem::writeFlood() {
    std::lock_guard lock(m_floodMutex);
    if (!m_flooding || (m_floodUntil && std::chrono::steady_clock::now() >= *m_floodUntil)) {
        return;
    }
    const std::string block = FloodPattern::slice(m_floodPosition, kFloodBlock);
    const ssize_t written = m_endpoint->writeSome(block.data(), block.size());
    if (written > 0) {
        m_floodPosition += static_cast<std::uint64_t>(written);
        m_bytesWritten += static_cast<std::uint64_t>(written);
    }
}

bool SimModem::pause(std::uint32_t ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (interrupted()) {
            return false;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return true;
        }
        pollfd wake{m_wake->fd(), POLLIN, 0};
        if (::poll(&wake, 1, static_cast<int>(left.count())) > 0) {
            m_wake->drain();
        }
    }
}

bool SimModem::interrupted() const {
    return m_stopRequested || m_unplugRequested;
}

void SimModem::closeEndpoint() {
    const bool unplugging = m_unplugRequested;
    m_endpoint->close();
    if (unplugging) {
        {
            std::lock_guard lock(m_statsMutex);
            m_stats.unplugged = true;
        }
        m_statsChanged.notify_all();
    }
}

}  // namespace sim
