#pragma once

// The read-only message table in a grid, filling a parent panel: the main window's log
// ("Время", "Сообщение", a clear button, scrolling to the newest row) and the settings
// dialog's lists. The rows live in the toolkit-free Msg::MsgTable; the grid only shows them.

#include <QPointer>
#include <memory>
#include <string>

#include "common/info_viewer.h"
#include "common/msg_strings.h"
#include "common/msg_unit.h"
#include "ui/string_grid.h"
#include "ui/table_view.h"

class QPushButton;
class QWidget;

class MsgGrid : public InfoViewerI {
public:
    static constexpr std::size_t kMaxRows = Msg::MsgTable::kMaxRows;
    static constexpr int kDefaultRowHeight = 16;
    static constexpr int kClearButtonWidth = 60;
    static constexpr int kClearButtonHeight = 21;

    // With standardColumns the grid gets the columns "Время" and "Сообщение" and the clear
    // button; otherwise setColumns gives it its columns. panel may be null.
    MsgGrid(QWidget* panel, bool standardColumns);
    MsgGrid(const MsgGrid&) = delete;
    MsgGrid& operator=(const MsgGrid&) = delete;
    ~MsgGrid() override;

    // Once per grid: column i shows cell i under captions[i] (1251).
    void setColumns(const Msg::Strings& captions);
    // Takes effect at the next layout (a resize of the panel).
    void setFirstColumnWidth(int pixels) { m_firstColumnWidth = pixels; }
    int firstColumnWidth() const { return m_firstColumnWidth; }
    void setAutoScroll(bool on) { m_autoScroll = on; }
    bool autoScroll() const { return m_autoScroll; }

    // A row of the local time and text, its line breaks flattened.
    void addMessage(const std::string& text);
    // Sets the message of the last row to text as it is; adds a message when there is none.
    void replaceLastMessage(const std::string& text);
    // Adds row as it is; the oldest row goes when 100 are held.
    void addRow(const Msg::MsgUnit& row);
    void clear();

    // newLine adds a message, otherwise the last one is replaced.
    void show(const std::string& text, bool newLine) override;

    const Msg::MsgUnits& rows() const { return m_wrap->table().rows(); }
    StringGrid* grid() const { return m_grid; }
    // Null unless the grid has the standard columns.
    QPushButton* clearButton() const { return m_clearButton; }

private:
    class PanelHook;

    void configureGrid();
    void layoutGrid();
    void createClearButton();
    void scrollToEnd();

    // Watches the panel's resizes and outlives no MsgGrid: the button's clicks go through it.
    std::unique_ptr<PanelHook> m_panelHook;
    bool m_resizeHooked = false;
    QPointer<StringGrid> m_grid;
    std::unique_ptr<TableViewWrap<Msg::MsgUnit>> m_wrap;
    QPointer<QWidget> m_panel;
    QPointer<QPushButton> m_clearButton;
    int m_firstColumnWidth = 0;
    bool m_autoScroll = true;
};
