#include "ui/help_tester.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <utility>

#include "ui/help_manager.h"

HelpTester::HelpTester(QComboBox& commandLists, std::function<void()> selectionChanged,
                       HelpManager& manager)
    : m_commandLists(&commandLists),
      m_selectionChanged(std::move(selectionChanged)),
      m_manager(&manager) {
    m_timer.setInterval(kIntervalMs);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
}

void HelpTester::start() {
    if (!m_timer.isActive()) {
        m_timer.start();
    }
}

void HelpTester::stop() {
    m_timer.stop();
}

bool HelpTester::isRunning() const {
    return m_timer.isActive();
}

void HelpTester::tick() {
    if (m_phase == 0) {
        // No selection counts as -1 and gives the first list. With a single list it stays
        // selected rather than alternating with no selection at all.
        const int count = m_commandLists->count();
        int next = (m_commandLists->currentIndex() + 1) % 2;
        if (next >= count) {
            next = 0;
        }
        if (count > 0) {
            // The main window's own handling runs once, below, however it is connected.
            const QSignalBlocker blocker(m_commandLists);
            m_commandLists->setCurrentIndex(next);
        }
        if (m_selectionChanged) {
            m_selectionChanged();
        }
        m_manager->showHelp();
    } else if (m_phase == 1) {
        m_manager->closeHelp();
    }
    m_phase = (m_phase + 1) % m_phaseCount;
}
