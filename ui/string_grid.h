#pragma once

// A read-only grid of owner-drawn cells in the manner of a string grid: rows and columns are
// counted as the grid shows them, the header row being the one fixed row, and every cell is
// painted by a handler that pulls its text from elsewhere. The grid itself stores no text.

#include <QString>
#include <QTableView>
#include <string>
#include <string_view>

class QPainter;
class QRect;

// 1251 system text as shown in a widget.
QString gridText(std::string_view text);

struct GridCellState {
    bool selected = false;
    bool fixed = false;
};

class GridCellHandler {
public:
    // column and row count as the grid shows them: rows below fixedRows() are the header.
    virtual void drawCell(int column, int row, QPainter& canvas, const QRect& rect,
                          GridCellState state) = 0;
    // The text the cell shows (1251), for readers other than the painter: accessibility,
    // tests.
    virtual std::string cellText(int column, int row) const = 0;

protected:
    GridCellHandler() = default;
    GridCellHandler(const GridCellHandler&) = default;
    GridCellHandler& operator=(const GridCellHandler&) = default;
    ~GridCellHandler() = default;
};

class StringGrid : public QTableView {
public:
    explicit StringGrid(QWidget* parent = nullptr);
    ~StringGrid() override;

    // Not owned; null leaves every cell blank.
    void setCellHandler(GridCellHandler* handler);
    GridCellHandler* cellHandler() const { return m_handler; }

    // Counts include the fixed header row.
    int rowCount() const;
    void setRowCount(int count);
    int columnCount() const;
    void setColumnCount(int count);

    // 0 or 1: whether the header row is shown.
    int fixedRows() const;
    void setFixedRows(int count);

    int defaultRowHeight() const;
    void setDefaultRowHeight(int pixels);

    // Body rows that fit wholly into the visible area.
    int visibleRowCount() const;
    // The grid row shown at the top of the body.
    int topRow() const;
    void setTopRow(int row);

    // Has every cell re-read and repainted.
    void repaintCells();

private:
    class Model;
    class Delegate;
    class Header;

    Model* m_model;
    Header* m_header;
    GridCellHandler* m_handler = nullptr;
};
