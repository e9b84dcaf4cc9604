#include "ui/table_field.h"

#include <cstddef>

namespace msg_grid_table {

BaseMsgCell::BaseMsgCell(std::string caption)
    : TextBodyTextHeaderTableFieldExt<Msg::MsgUnit>(std::move(caption)) {}

QColor BaseMsgCell::textColor(const Msg::MsgUnit& /*row*/, bool selected) const {
    return table_field_detail::systemColor(selected ? QPalette::HighlightedText
                                                    : QPalette::WindowText);
}

QColor BaseMsgCell::backgroundColor(const Msg::MsgUnit& /*row*/, bool selected) const {
    return table_field_detail::systemColor(selected ? QPalette::Highlight : QPalette::Window);
}

CellField::CellField(std::string caption, std::int32_t cellIndex)
    : BaseMsgCell(std::move(caption)), m_cellIndex(cellIndex) {}

std::string CellField::cellText(const Msg::MsgUnit& row) const {
    if (m_cellIndex < 0 || static_cast<std::size_t>(m_cellIndex) >= row.cells.size()) {
        return {};
    }
    return row.cells[static_cast<std::size_t>(m_cellIndex)];
}

}  // namespace msg_grid_table
