#include "common/msg_table.h"

#include <utility>

#include "common/text_utils.h"

namespace Msg {

MsgTable::MsgTable() {
    m_rows.reserve(kMaxRows);
    m_binder.setModel(&m_rows);
}

const MsgUnit& MsgTable::addMessage(const std::string& text) {
    MsgUnit row;
    row.cells.push_back(SimpleUtils::localTimeText("", "", false));
    row.cells.push_back(text);
    SimpleUtils::flattenLineBreaks(row.cells.back(), " ");
    addRow(std::move(row));
    return m_rows.back();
}

const MsgUnit& MsgTable::replaceLastMessage(const std::string& text) {
    if (m_rows.empty()) {
        return addMessage(text);
    }
    MsgUnit& last = m_rows.back();
    if (last.cells.size() > kMessageCell) {
        last.cells[kMessageCell] = text;
    }
    m_binder.notify();
    return last;
}

void MsgTable::addRow(MsgUnit row) {
    if (m_rows.size() >= kMaxRows) {
        m_rows.erase(m_rows.begin());
    }
    m_rows.push_back(std::move(row));
    m_binder.notify();
}

void MsgTable::clear() {
    m_rows.clear();
    m_binder.notify();
}

}  // namespace Msg
