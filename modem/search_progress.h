#pragma once

// What the port checks of one search have to show, held per port in list order while the
// checks run at the same time, and handed to the viewer as a search of one port after
// another would have shown it: the first undecided port's lines as they change, a later
// port's lines only once every port before it is decided (by then in their final form).
//
// Each checking thread writes the record of its own port; the thread of the search reads
// them and alone talks to the viewer. Every record is guarded by m_mutex.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "common/info_viewer.h"

class SearchProgress {
public:
    // Stopped: a stop ended the check before its verdict (its lines stay as they were).
    enum class Outcome { Undecided, Found, NotFound, Stopped };

    explicit SearchProgress(std::size_t ports);

    // --- checking threads, each for its own port -----------------------------------------
    // As InfoViewerI::show, within the port's own lines.
    void show(std::size_t index, const std::string& text, bool newLine);
    // The first rate was tried without an answer.
    void first_rate_tried(std::size_t index);
    void decide(std::size_t index, Outcome outcome, std::int32_t baud = 0);

    // --- the thread of the search ---------------------------------------------------------
    struct Front {
        Outcome outcome = Outcome::Undecided;
        std::int32_t baud = 0;
        bool firstRateTried = false;
        // The first port in order that found the modem; the count of ports when none has.
        std::size_t firstFound = 0;
    };
    // Waits until a record changed since the last call (at once after advance()), shows
    // what the viewer has not seen of the front port's lines, and tells where it stands.
    Front show_front(InfoViewerI& viewer);
    // The front port is decided: the next one becomes the front.
    void advance();
    std::size_t front() const { return m_front; }

private:
    struct Record {
        std::vector<std::string> lines;
        Outcome outcome = Outcome::Undecided;
        std::int32_t baud = 0;
        bool firstRateTried = false;
    };
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Record> m_records;
    std::uint64_t m_version = 0;

    // The thread of the search only.
    std::uint64_t m_seen = 0;
    std::size_t m_front = 0;
    bool m_advanced = false;           // the new front's lines are still to be shown
    std::vector<std::string> m_shown;  // the front port's lines as the viewer has them
};
