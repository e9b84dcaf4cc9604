#pragma once

// The window "Лог обмена с модемом": every block written to the modem and read from it during a
// run, one line each. Lines come from the thread that talks to the modem; in buffered mode they
// wait in a list and a 10 ms timer of the user-interface thread moves them into the text box,
// so that thread never touches a control and never waits for the user interface.

#include <QWidget>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/exchange_log_viewer.h"

class QMenu;
class QPoint;
class WindowAccess;
class WindowPlacer;

namespace platform {
class UiTimer;
}

namespace Ui {
class TExchangeLogForm;
}

class TExchangeLogForm final : public QWidget, public ExchangeLogViewerI {
    Q_OBJECT

public:
    // The box is emptied, not trimmed, when a line arrives while it holds this many.
    static constexpr int kMaxLines = 1000;
    static constexpr std::uint32_t kDrainIntervalMs = 10;

    // A top-level window that stays on top of the others; parent is usually the main window,
    // so the window goes with it. Created hidden and unbuffered, where it was last left.
    explicit TExchangeLogForm(QWidget* parent = nullptr);
    // On the user-interface thread, after the window has been detached from whoever adds lines.
    ~TExchangeLogForm() override;

    // Any thread while buffered; unbuffered, the line is shown at once and the caller must be
    // on the user-interface thread.
    void addLine(const std::string& line) override;

    // The main window switches buffering on right after construction, for the window's life.
    void setBuffered(bool on);

    // "Отображать <CR>, <LF>": affects only the lines shown afterwards.
    bool showLineBreaks() const;
    void setShowLineBreaks(bool on);

private:
    // Removes every shown line; lines still waiting for the timer are kept.
    void MenuItem_ClearClick();
    void ActionCloseExecute();
    void showContextMenu(const QPoint& pos);

    void drainTimerTick();
    // Shows the lines in order, as if one at a time under the clearing rule.
    void showLines(std::vector<std::string> lines);
    // A line as the box takes it: line breaks escaped, or breaks at CR LF only.
    std::string shownText(std::string line) const;
    int shownLineCount() const;

    std::unique_ptr<Ui::TExchangeLogForm> m_ui;
    QMenu* m_contextMenu = nullptr;  // owned by this window

    // m_pendingMutex guards m_pendingLines and m_buffered; it is held only to append, to test
    // for lines and to swap the list, never while the text box is written.
    mutable std::mutex m_pendingMutex;
    std::vector<std::string> m_pendingLines;
    bool m_buffered = false;

    // Started under m_pendingMutex by the adding thread (the request reaches the user-interface
    // thread), stopped under it by the first tick that finds no line. Declared after the
    // lines: it goes before them, so no tick reaches a half-destroyed window.
    std::unique_ptr<platform::UiTimer> m_drainTimer;

    std::unique_ptr<WindowAccess> m_access;
    // Declared last: it goes first and stores the placement while the window is whole.
    std::unique_ptr<WindowPlacer> m_placer;
};
