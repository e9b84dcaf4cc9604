#pragma once

// A pseudo-terminal for tests that need a serial line: the test holds the master side and
// plays the far end; the code under test opens the slave by its path.
//
// The slave is made raw at once (a fresh pty echoes and translates line ends, which would
// feed the far end its own bytes) and one slave descriptor stays open for the pair's life:
// without it, the master reports hang-up as soon as the code under test closes its side.

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// Timed I/O on a non-blocking descriptor, shared by both ends of a test's line.

// Writes all of data; false if the line did not take it in time or failed.
bool writeAll(int fd, std::string_view data, std::chrono::milliseconds timeout);

// How many more bytes a read takes, given the text so far; 0 ends it.
using Wanted = std::function<std::size_t(const std::string& text)>;

// Reads until wanted says no more, the time runs out or the line ends; each read's bytes also
// go to pieces when given. A timeout of zero takes only what is waiting.
std::string readWhile(int fd, std::chrono::milliseconds timeout, const Wanted& wanted,
                      std::vector<std::string>* pieces = nullptr);

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
        return readWhile(m_master, timeout, [count](const std::string& text) {
            return count > text.size() ? count - text.size() : 0;
        });
    }
    // Everything already waiting on the master side, without waiting.
    std::string readAvailable() {
        return readWhile(m_master, std::chrono::milliseconds(0),
                         [](const std::string&) { return std::size_t{4096}; });
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

}  // namespace testsupport
