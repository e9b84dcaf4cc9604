#include "ui/string_grid.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>

#include "platform/cp1251.h"

QString gridText(std::string_view text) {
    return QString::fromStdString(platform::cp1251ToUtf8(text));
}

// Holds only the counts; texts come from the cell handler when asked.
class StringGrid::Model : public QAbstractTableModel {
public:
    explicit Model(StringGrid& grid) : QAbstractTableModel(&grid), m_grid(grid) {}

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : m_rows;
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : m_columns;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid() || m_grid.cellHandler() == nullptr) {
            return {};
        }
        return gridText(
            m_grid.cellHandler()->cellText(index.column(), index.row() + m_grid.fixedRows()));
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role != Qt::DisplayRole || orientation != Qt::Horizontal ||
            m_grid.cellHandler() == nullptr) {
            return {};
        }
        return gridText(m_grid.cellHandler()->cellText(section, 0));
    }

    void setRows(int rows) {
        rows = std::max(rows, 0);
        if (rows > m_rows) {
            beginInsertRows({}, m_rows, rows - 1);
            m_rows = rows;
            endInsertRows();
        } else if (rows < m_rows) {
            beginRemoveRows({}, rows, m_rows - 1);
            m_rows = rows;
            endRemoveRows();
        }
    }

    void setColumns(int columns) {
        columns = std::max(columns, 0);
        if (columns > m_columns) {
            beginInsertColumns({}, m_columns, columns - 1);
            m_columns = columns;
            endInsertColumns();
        } else if (columns < m_columns) {
            beginRemoveColumns({}, columns, m_columns - 1);
            m_columns = columns;
            endRemoveColumns();
        }
    }

    void changedAll() {
        if (m_columns > 0) {
            emit headerDataChanged(Qt::Horizontal, 0, m_columns - 1);
        }
        if (m_rows > 0 && m_columns > 0) {
            emit dataChanged(index(0, 0), index(m_rows - 1, m_columns - 1));
        }
    }

private:
    StringGrid& m_grid;
    int m_rows = 1;
    int m_columns = 0;
};

class StringGrid::Delegate : public QStyledItemDelegate {
public:
    explicit Delegate(StringGrid& grid) : QStyledItemDelegate(&grid), m_grid(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        GridCellHandler* handler = m_grid.cellHandler();
        if (handler == nullptr) {
            return;
        }
        GridCellState state;
        state.selected = option.state.testFlag(QStyle::State_Selected);
        painter->save();
        handler->drawCell(index.column(), index.row() + m_grid.fixedRows(), *painter, option.rect,
                          state);
        painter->restore();
    }

private:
    StringGrid& m_grid;
};

class StringGrid::Header : public QHeaderView {
public:
    explicit Header(StringGrid& grid) : QHeaderView(Qt::Horizontal, &grid), m_grid(grid) {}

    QSize sizeHint() const override {
        return {QHeaderView::sizeHint().width(), m_grid.defaultRowHeight()};
    }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        GridCellHandler* handler = m_grid.cellHandler();
        if (handler == nullptr) {
            QHeaderView::paintSection(painter, rect, logicalIndex);
            return;
        }
        GridCellState state;
        state.fixed = true;
        painter->save();
        handler->drawCell(logicalIndex, 0, *painter, rect, state);
        painter->restore();
    }

private:
    StringGrid& m_grid;
};

StringGrid::StringGrid(QWidget* parent)
    : QTableView(parent), m_model(new Model(*this)), m_header(new Header(*this)) {
    setModel(m_model);
    setHorizontalHeader(m_header);
    setItemDelegate(new Delegate(*this));
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    m_header->setMinimumSectionSize(1);
    m_header->setSectionsClickable(false);
    m_header->setHighlightSections(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

StringGrid::~StringGrid() = default;

void StringGrid::setCellHandler(GridCellHandler* handler) {
    m_handler = handler;
    repaintCells();
}

int StringGrid::rowCount() const {
    return fixedRows() + m_model->rowCount();
}

void StringGrid::setRowCount(int count) {
    const int before = m_model->rowCount();
    m_model->setRows(count - fixedRows());
    // Otherwise the view would stay scrolled past the rows left until the next layout pass.
    if (m_model->rowCount() < before) {
        updateGeometries();
    }
}

int StringGrid::columnCount() const {
    return m_model->columnCount();
}

void StringGrid::setColumnCount(int count) {
    m_model->setColumns(count);
}

int StringGrid::fixedRows() const {
    return m_header->isHidden() ? 0 : 1;
}

void StringGrid::setFixedRows(int count) {
    const int body = m_model->rowCount();
    m_header->setHidden(count <= 0);
    m_model->setRows(body);
}

int StringGrid::defaultRowHeight() const {
    return verticalHeader()->defaultSectionSize();
}

void StringGrid::setDefaultRowHeight(int pixels) {
    verticalHeader()->setDefaultSectionSize(pixels);
    m_header->updateGeometry();
    updateGeometries();
}

int StringGrid::visibleRowCount() const {
    const int height = defaultRowHeight();
    return height > 0 ? viewport()->height() / height : 0;
}

int StringGrid::topRow() const {
    return fixedRows() + verticalScrollBar()->value();
}

void StringGrid::setTopRow(int row) {
    // The scroll range follows row insertions only at the next layout pass; bring it up to
    // date first so that a top row just added is reachable.
    updateGeometries();
    verticalScrollBar()->setValue(std::max(row - fixedRows(), 0));
}

void StringGrid::repaintCells() {
    m_model->changedAll();
    viewport()->update();
    m_header->viewport()->update();
}
