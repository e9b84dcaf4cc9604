#pragma once

// Column objects of a grid: each paints its header cell and the cells of its column, taking
// the text from the row it is given.

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QRect>
#include <cstdint>
#include <string>
#include <utility>

#include "common/msg_unit.h"
#include "ui/string_grid.h"

template <typename Row>
class TableField {
public:
    virtual void drawHeader(QPainter& canvas, const QRect& rect) = 0;
    virtual void drawBody(const Row& row, QPainter& canvas, const QRect& rect,
                          GridCellState state) = 0;
    virtual ~TableField() = default;

protected:
    TableField() = default;
    TableField(const TableField&) = default;
    TableField& operator=(const TableField&) = default;
};

namespace table_field_detail {

inline QColor systemColor(QPalette::ColorRole role) {
    return QGuiApplication::palette().color(role);
}

// Draws text with its top left corner at x, y, clipped to rect, which is first filled with
// background.
inline void textRect(QPainter& canvas, const QRect& rect, int x, int y, const QString& text,
                     const QColor& background) {
    canvas.fillRect(rect, background);
    canvas.save();
    canvas.setClipRect(rect, Qt::IntersectClip);
    canvas.drawText(x, y + QFontMetrics(canvas.font()).ascent(), text);
    canvas.restore();
}

inline void setBold(QPainter& canvas, bool bold) {
    QFont font = canvas.font();
    font.setBold(bold);
    canvas.setFont(font);
}

}  // namespace table_field_detail

// A column with a caption centred in bold in its header cell.
template <typename Row>
class TextHeaderWithSortMarkTableField : public TableField<Row> {
public:
    static constexpr std::uint8_t kSortNone = 0;

    const std::string& caption() const { return m_caption; }
    void setCaption(std::string caption) { m_caption = std::move(caption); }
    // Kept for callers that sort; nothing is drawn for it.
    std::uint8_t sortMark() const { return m_sortMark; }
    void setSortMark(std::uint8_t mark) { m_sortMark = mark; }

    void drawHeader(QPainter& canvas, const QRect& rect) override {
        using namespace table_field_detail;
        setBold(canvas, true);
        const QString text = gridText(m_caption);
        const QFontMetrics metrics(canvas.font());
        const int x = rect.left() + rect.width() / 2 - metrics.horizontalAdvance(text) / 2;
        const int y = rect.top() + rect.height() / 2 - metrics.height() / 2;
        const QPen saved = canvas.pen();
        canvas.setPen(systemColor(QPalette::WindowText));
        textRect(canvas, rect, x, y, text, systemColor(QPalette::Button));
        canvas.setPen(saved);
        setBold(canvas, false);
    }

protected:
    explicit TextHeaderWithSortMarkTableField(std::string caption)
        : m_caption(std::move(caption)) {}

private:
    std::string m_caption;
    std::uint8_t m_sortMark = kSortNone;
};

// A column whose body cells show one line of text each.
template <typename Row>
class TextBodyTextHeaderTableFieldExt : public TextHeaderWithSortMarkTableField<Row> {
public:
    static constexpr std::uint8_t kAlignLeft = 0;
    static constexpr int kTextIndent = 4;

    void drawBody(const Row& row, QPainter& canvas, const QRect& rect,
                  GridCellState state) override {
        using namespace table_field_detail;
        const bool selected = state.selected;
        const QString text = gridText(cellText(row));
        QColor background = systemColor(QPalette::Button);
        if (!state.fixed) {
            background = backgroundColor(row, selected);
            canvas.setPen(textColor(row, selected));
        }
        setBold(canvas, isBold(row));
        const int y = rect.top() + rect.height() / 2 - QFontMetrics(canvas.font()).height() / 2;
        textRect(canvas, rect, rect.left() + kTextIndent, y, text, background);
    }

    // The text of this column's cell in row (1251).
    virtual std::string cellText(const Row& row) const = 0;
    virtual QColor textColor(const Row& /*row*/, bool selected) const {
        return selected ? m_selectedText : m_normalText;
    }
    virtual QColor backgroundColor(const Row& /*row*/, bool selected) const {
        return selected ? m_selectedBackground : m_normalBackground;
    }
    virtual bool isBold(const Row& /*row*/) const { return false; }

    void setColors(QColor normalText, QColor normalBackground, QColor selectedText,
                   QColor selectedBackground) {
        m_normalText = normalText;
        m_normalBackground = normalBackground;
        m_selectedText = selectedText;
        m_selectedBackground = selectedBackground;
    }
    std::uint8_t alignment() const { return m_alignment; }
    std::uint8_t colorChoice() const { return m_colorChoice; }

protected:
    explicit TextBodyTextHeaderTableFieldExt(std::string caption)
        : TextHeaderWithSortMarkTableField<Row>(std::move(caption)) {}

private:
    QColor m_normalText = table_field_detail::systemColor(QPalette::WindowText);
    QColor m_normalBackground = table_field_detail::systemColor(QPalette::Window);
    QColor m_selectedText = table_field_detail::systemColor(QPalette::HighlightedText);
    QColor m_selectedBackground = table_field_detail::systemColor(QPalette::Highlight);
    std::uint8_t m_alignment = kAlignLeft;
    std::uint8_t m_colorChoice = 0;
};

namespace msg_grid_table {

// Message rows are painted in the system's colours whatever the row says.
class BaseMsgCell : public TextBodyTextHeaderTableFieldExt<Msg::MsgUnit> {
public:
    QColor textColor(const Msg::MsgUnit& row, bool selected) const override;
    QColor backgroundColor(const Msg::MsgUnit& row, bool selected) const override;

protected:
    explicit BaseMsgCell(std::string caption);
};

// Shows one cell of the row; blank when the row has fewer cells.
class CellField : public BaseMsgCell {
public:
    CellField(std::string caption, std::int32_t cellIndex);

    std::string cellText(const Msg::MsgUnit& row) const override;
    std::int32_t cellIndex() const { return m_cellIndex; }

private:
    std::int32_t m_cellIndex;
};

}  // namespace msg_grid_table
