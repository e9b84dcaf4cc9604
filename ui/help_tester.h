#pragma once

// A soak test of the help window: every two seconds it selects the other of the first two
// command lists, opens the help window with that list's page, and closes it a second later.

#include <QTimer>
#include <cstdint>
#include <functional>

class QComboBox;
class HelpManager;

class HelpTester {
public:
    // commandLists is the main window's list choice; selectionChanged is what the main window
    // does when the operator picks a list (it hands the name to the help manager). Both
    // outlive the tester.
    HelpTester(QComboBox& commandLists, std::function<void()> selectionChanged,
               HelpManager& manager);
    HelpTester(const HelpTester&) = delete;
    HelpTester& operator=(const HelpTester&) = delete;

    void start();
    void stop();
    bool isRunning() const;

    // One timer tick; public so that tests step the tester without waiting.
    void tick();

    static constexpr int kIntervalMs = 1000;

private:
    QComboBox* m_commandLists;
    std::function<void()> m_selectionChanged;
    HelpManager* m_manager;
    QTimer m_timer;
    std::uint32_t m_phase = 0;
    std::uint32_t m_phaseCount = 2;
};
