#include "sim/sim_modem.h"

#include <poll.h>

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

}  // namespace

SimModem::SimModem(SimOptions options)
    : m_options(std::move(options)), m_faults(m_options.faults) {}

SimModem::~SimModem() {
    stop();
}

void SimModem::start() {
    if (isRunning()) {
        throw std::logic_error("the simulated modem is running already");
    }
    m_wake = std::make_unique<WakeSignal>();
    m_endpoint = std::make_unique<PtyEndpoint>();
    m_session = std::make_unique<ModemSession>(m_options.profile, m_options.bauds);
    m_slavePath = m_endpoint->slavePath();
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
    m_session.reset();
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

void SimModem::setReplyDelay(std::uint32_t ms) {
    m_faults.setReplyDelay(ms);
}

void SimModem::setChunking(std::size_t bytes, std::uint32_t gapMs) {
    m_faults.setChunking(bytes, gapMs);
}

void SimModem::setSilent(bool silent) {
    m_faults.setSilent(silent);
}

void SimModem::setGarbageBeforeReply(std::string bytes) {
    m_faults.setGarbageBeforeReply(std::move(bytes));
}

void SimModem::inject(std::string bytes) {
    m_faults.queueInjection(std::move(bytes));
    if (m_wake) {
        m_wake->signal();
    }
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
            // Unplugged: nothing to serve until stop.
            pollfd wake{m_wake->fd(), POLLIN, 0};
            ::poll(&wake, 1, -1);
            m_wake->drain();
            continue;
        }
        const std::string injected = m_faults.takeInjections();
        if (!injected.empty() && !writeAll(injected)) {
            continue;
        }
        bool flooding = false;
        {
            std::lock_guard lock(m_floodMutex);
            flooding = m_flooding;
        }
        std::array<pollfd, 2> fds{{
            {m_endpoint->masterFd(), static_cast<short>(POLLIN | (flooding ? POLLOUT : 0)), 0},
            {m_wake->fd(), POLLIN, 0},
        }};
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            continue;  // EINTR
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
    m_session->setMuted(faults.silent);
    // The rate in force now stands for the rate at which these bytes arrived: an
    // application changes the rate only after waiting for an answer.
    const std::uint32_t rate = m_endpoint->lineRate();
    const std::vector<SessionOutput> outputs = m_session->feed({data, size}, rate);
    for (const SessionOutput& output : outputs) {
        if (interrupted()) {
            break;
        }
        if (output.kind == SessionOutput::Kind::Echo) {
            writeAll(output.bytes);
        } else {
            deliverReply(output.bytes, faults);
        }
    }
    const SessionCounters& counters = m_session->counters();
    {
        std::lock_guard lock(m_statsMutex);
        m_stats.bytesReceived += size;
        m_stats.linesReceived = counters.linesReceived;
        m_stats.linesAnswered = counters.linesAnswered;
        m_stats.linesIgnored = counters.linesIgnored;
    }
    m_statsChanged.notify_all();
}

void SimModem::deliverReply(const std::string& reply, const Faults& faults) {
    if (faults.replyDelayMs > 0 && !pause(faults.replyDelayMs)) {
        return;
    }
    const std::string bytes = faults.garbageBeforeReply + reply;
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
    if (!m_flooding) {
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
