#pragma once

// Both ends of a test's serial line: the far end a test plays and the application's end.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// Writes all of data; false if the line did not take it in time or failed.
bool writeAll(int fd, std::string_view data, std::chrono::milliseconds timeout);

// How many more bytes a read takes, given the text so far; 0 ends it.
using Wanted = std::function<std::size_t(const std::string& text)>;
Wanted upTo(std::size_t count);
Wanted untilText(std::string_view marker);
Wanted anything();

// Reads until wanted says no more, the time runs out or the line ends; each read's bytes also
// go to pieces when given. A timeout of zero takes only what is waiting.
std::string readWhile(int fd, std::chrono::milliseconds timeout, const Wanted& wanted,
                      std::vector<std::string>* pieces = nullptr);

// A pseudo-terminal for tests that need a serial line: the test holds the master side and
// plays the far end; the code under test opens the slave by its path.
//
// The slave is made raw at once (a fresh pty echoes and translates line ends, which would
// feed the far end its own bytes) and one slave descriptor stays open for the pair's life:
// without it, the master reports hang-up as soon as the code under test closes its side.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    int master() const { return m_master; }
    // The slave descriptor held open by the pair (-1 once hung up).
    int heldSlave() const { return m_slave; }
    const std::string& slavePath() const { return m_slavePath; }

    // Writes all of data to the master side; false if the line did not take it in time.
    bool write(std::string_view data,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(2000)) {
        return writeAll(m_master, data, timeout);
    }
    // Reads from the master side until count bytes are in or the timeout passes.
    std::string read(std::size_t count,
                     std::chrono::milliseconds timeout = std::chrono::milliseconds(2000)) {
        return readWhile(m_master, timeout, upTo(count));
    }
    // Everything already waiting on the master side, without waiting.
    std::string readAvailable() {
        return readWhile(m_master, std::chrono::milliseconds(0), anything());
    }

    // Writes into the slave-to-master direction through the held slave until the line
    // takes no more (the master side is not reading); returns the bytes written.
    std::size_t fillTowardsMaster();

    // Closes both the master and the held slave: what an unplugged device looks like to
    // whoever still has the slave open.
    void hangUp();

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
};

// The application's side of a simulated modem's line: opens the device the way a serial
// port would (raw, non-blocking, no controlling terminal) and reads with time limits.
class PtyClient {
public:
    // Any rate, with or without a B constant.
    explicit PtyClient(const std::string& device, std::uint32_t baud = 115200);
    ~PtyClient();
    PtyClient(const PtyClient&) = delete;
    PtyClient& operator=(const PtyClient&) = delete;

    void send(std::string_view bytes);
    // Sends bytes and returns what arrives until marker.
    std::string ask(std::string_view bytes, std::string_view marker) {
        send(bytes);
        return readUntil(marker);
    }

    // Reads until the text received contains marker or the time runs out; returns all of
    // it.
    std::string readUntil(std::string_view marker, std::uint32_t timeoutMs = 5000) {
        return readWhile(m_fd, std::chrono::milliseconds(timeoutMs), untilText(marker));
    }
    // Reads until count bytes are in or the time runs out.
    std::string readCount(std::size_t count, std::uint32_t timeoutMs = 5000) {
        return readWhile(m_fd, std::chrono::milliseconds(timeoutMs), upTo(count));
    }
    // Everything that arrives within ms.
    std::string readFor(std::uint32_t ms) {
        return readWhile(m_fd, std::chrono::milliseconds(ms), anything());
    }
    // Like readUntil, but keeps each read's bytes apart.
    std::vector<std::string> readPiecesUntil(std::string_view marker,
                                             std::uint32_t timeoutMs = 5000) {
        std::vector<std::string> pieces;
        readWhile(m_fd, std::chrono::milliseconds(timeoutMs), untilText(marker), &pieces);
        return pieces;
    }

private:
    int m_fd = -1;
};

inline std::int64_t msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

}  // namespace testsupport
