#pragma once

// The rows of a message table without any toolkit: the grid of the main window and the
// console of the headless runner show the same rows. At most kMaxRows rows are kept; the
// oldest goes first. Every change notifies the attached viewers.

#include <cstddef>
#include <string>

#include "common/msg_unit.h"
#include "common/mvc.h"

namespace Msg {

class MsgTable {
public:
    static constexpr std::size_t kMaxRows = 100;
    static constexpr std::size_t kTimeCell = 0;
    static constexpr std::size_t kMessageCell = 1;

    MsgTable();
    MsgTable(const MsgTable&) = delete;
    MsgTable& operator=(const MsgTable&) = delete;

    // A row of the local time ("HH:MM:SS") and text, its line breaks flattened to spaces and
    // the spaces at both ends trimmed. Returns the row as added.
    const MsgUnit& addMessage(const std::string& text);
    // Sets the message cell of the last row to text as it is; with no row yet it adds one as
    // addMessage does. Returns the last row.
    const MsgUnit& replaceLastMessage(const std::string& text);
    // Appends row unchanged, first dropping the oldest row when the table is full.
    void addRow(MsgUnit row);
    void clear();

    const MsgUnits& rows() const { return m_rows; }
    mvc::binder<MsgUnits>& binder() { return m_binder; }

private:
    MsgUnits m_rows;
    mvc::binder<MsgUnits> m_binder;
};

}  // namespace Msg
