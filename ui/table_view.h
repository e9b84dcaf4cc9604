#pragma once

// The grid side of the model-view binding: a viewer that sizes the grid to its model and
// paints each cell through the column object of its column.

#include <QPointer>
#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/msg_table.h"
#include "common/mvc.h"
#include "ui/string_grid.h"
#include "ui/table_field.h"

template <typename Model>
class TableView : public mvc::viewer<Model>, public GridCellHandler {
public:
    using Row = typename Model::value_type;

    // Paints grid's cells from now on.
    explicit TableView(StringGrid* grid) : m_grid(grid) {
        if (m_grid != nullptr) {
            m_grid->setCellHandler(this);
        }
    }
    TableView(const TableView&) = delete;
    TableView& operator=(const TableView&) = delete;
    ~TableView() override {
        if (m_grid != nullptr && m_grid->cellHandler() == this) {
            m_grid->setCellHandler(nullptr);
        }
    }

    // Not owned; a null column is ignored.
    void addField(TableField<Row>* field) {
        if (field == nullptr) {
            return;
        }
        m_fields.push_back(field);
        update();
    }
    const std::vector<TableField<Row>*>& fields() const { return m_fields; }

    // A table without rows still shows one blank body row under its header.
    void update() override {
        const Model* rows = this->model();
        if (m_grid == nullptr || rows == nullptr) {
            return;
        }
        const int fixed = m_grid->fixedRows();
        const int wanted = std::max(fixed + 1, fixed + static_cast<int>(rows->size()));
        if (m_grid->rowCount() != wanted) {
            m_grid->setRowCount(wanted);
        }
        if (m_grid->columnCount() != static_cast<int>(m_fields.size())) {
            m_grid->setColumnCount(static_cast<int>(m_fields.size()));
        }
        m_grid->repaintCells();
    }
    void refresh() override { update(); }

    void drawCell(int column, int row, QPainter& canvas, const QRect& rect,
                  GridCellState state) override {
        TableField<Row>* field = fieldAt(column);
        if (field == nullptr) {
            return;
        }
        if (row < m_grid->fixedRows()) {
            field->drawHeader(canvas, rect);
            return;
        }
        const Row* body = rowAt(row);
        if (body == nullptr) {
            return;
        }
        // A faulty cell must not take the whole grid down with it.
        try {
            field->drawBody(*body, canvas, rect, state);
        } catch (...) {
        }
    }

    std::string cellText(int column, int row) const override {
        const TableField<Row>* field = fieldAt(column);
        if (field == nullptr) {
            return {};
        }
        if (row < m_grid->fixedRows()) {
            const auto* header = dynamic_cast<const TextHeaderWithSortMarkTableField<Row>*>(field);
            return header != nullptr ? header->caption() : std::string{};
        }
        const auto* text = dynamic_cast<const TextBodyTextHeaderTableFieldExt<Row>*>(field);
        const Row* body = rowAt(row);
        return text != nullptr && body != nullptr ? text->cellText(*body) : std::string{};
    }

private:
    TableField<Row>* fieldAt(int column) const {
        if (m_grid == nullptr || column < 0 || column >= static_cast<int>(m_fields.size())) {
            return nullptr;
        }
        return m_fields[static_cast<std::size_t>(column)];
    }

    const Row* rowAt(int gridRow) const {
        const Model* rows = this->model();
        const int index = gridRow - m_grid->fixedRows();
        if (rows == nullptr || index < 0 || index >= static_cast<int>(rows->size())) {
            return nullptr;
        }
        return &(*rows)[static_cast<std::size_t>(index)];
    }

    // The grid may go with its parent panel before this view goes.
    QPointer<StringGrid> m_grid;
    std::vector<TableField<Row>*> m_fields;
};

// A table of rows with its view and the columns it created. Only message rows are
// tabulated here, kept by the toolkit-free message table.
template <typename Row>
class TableViewWrap;

template <>
class TableViewWrap<Msg::MsgUnit> {
public:
    using Field = TableField<Msg::MsgUnit>;

    explicit TableViewWrap(StringGrid* grid) : m_view(grid), m_grid(grid) {}
    TableViewWrap(const TableViewWrap&) = delete;
    TableViewWrap& operator=(const TableViewWrap&) = delete;
    ~TableViewWrap() { m_table.binder().detachViewer(&m_view); }

    Msg::MsgTable& table() { return m_table; }
    const Msg::MsgTable& table() const { return m_table; }
    mvc::binder<Msg::MsgUnits>& binder() { return m_table.binder(); }
    TableView<Msg::MsgUnits>& view() { return m_view; }

    // Keeps field for the life of the table and returns it.
    Field* own(std::unique_ptr<Field> field) {
        m_fields.push_back(std::move(field));
        return m_fields.back().get();
    }
    StringGrid* grid() const { return m_grid; }

private:
    Msg::MsgTable m_table;
    TableView<Msg::MsgUnits> m_view;
    std::vector<std::unique_ptr<Field>> m_fields;
    QPointer<StringGrid> m_grid;
};
