#include "modem/search_progress.h"

SearchProgress::SearchProgress(std::size_t ports) : m_records(ports) {}

void SearchProgress::show(std::size_t index, const std::string& text, bool newLine) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<std::string>& lines = m_records[index].lines;
        if (newLine || lines.empty()) {
            lines.push_back(text);
        } else {
            lines.back() = text;
        }
        ++m_version;
    }
    m_changed.notify_all();
}

void SearchProgress::first_rate_tried(std::size_t index) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_records[index].firstRateTried = true;
        ++m_version;
    }
    m_changed.notify_all();
}

void SearchProgress::decide(std::size_t index, Outcome outcome, std::int32_t baud) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_records[index].outcome = outcome;
        m_records[index].baud = baud;
        ++m_version;
    }
    m_changed.notify_all();
}

SearchProgress::Front SearchProgress::show_front(InfoViewerI& viewer) {
    Front front;
    std::vector<std::string> lines;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_advanced || m_version != m_seen; });
        m_seen = m_version;
        m_advanced = false;
        const Record& record = m_records[m_front];
        lines = record.lines;
        front.outcome = record.outcome;
        front.baud = record.baud;
        front.firstRateTried = record.firstRateTried;
        front.firstFound = m_records.size();
        for (std::size_t i = 0; i < m_records.size(); ++i) {
            if (m_records[i].outcome == Outcome::Found) {
                front.firstFound = i;
                break;
            }
        }
    }
    // A port's lines only grow, and only its last line is rewritten in place.
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i >= m_shown.size()) {
            viewer.show(lines[i], true);
            m_shown.push_back(lines[i]);
        } else if (lines[i] != m_shown[i]) {
            viewer.show(lines[i], false);
            m_shown[i] = lines[i];
        }
    }
    return front;
}

void SearchProgress::advance() {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_front;
    m_shown.clear();
    m_advanced = true;
}
