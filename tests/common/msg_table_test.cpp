// What the message table and its binder do beyond what the grid tests (tests/ui/msg_grid_test)
// show through the grid: the rows' limit, time stamps, flattening and replacement are
// checked there.

#include "common/msg_table.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Msg::MsgTable;
using Msg::MsgUnit;
using Msg::MsgUnits;

class CountingViewer : public mvc::viewer<MsgUnits> {
public:
    void update() override {
        ++updates;
        rowsSeen = model() != nullptr ? model()->size() : 0;
    }
    void refresh() override { update(); }

    int updates = 0;
    std::size_t rowsSeen = 0;
};

MsgUnit rowOf(Msg::Strings cells) {
    MsgUnit row;
    row.cells = std::move(cells);
    return row;
}

TEST(MsgTable, ReplaceLastMessageAddsTheFirstRowAndLeavesARowWithoutMessageCellAlone) {
    MsgTable table;
    EXPECT_EQ(table.replaceLastMessage("first\r\n").cells[MsgTable::kMessageCell], "first");
    table.addRow(rowOf({"only"}));
    table.replaceLastMessage("new");
    ASSERT_EQ(table.rows().size(), 2u);
    EXPECT_EQ(table.rows().back(), rowOf({"only"}));
}

TEST(MvcBinder, EveryChangeNotifiesEachAttachedViewerOnceWhileThereIsAModel) {
    MsgTable table;
    CountingViewer first;
    CountingViewer second;
    table.binder().attachViewer(&first);
    table.binder().attachViewer(nullptr);
    table.binder().attachViewer(&second);
    EXPECT_EQ(first.model(), &table.rows()) << "pointed at the rows when attached";

    table.addMessage("a");
    table.addRow(rowOf({"b"}));
    table.replaceLastMessage("unchanged: one cell only");
    table.clear();
    EXPECT_EQ(first.updates, 4);
    EXPECT_EQ(first.rowsSeen, 0u);
    table.binder().detachViewer(&first);
    table.addMessage("c");
    EXPECT_EQ(first.updates, 4);
    EXPECT_EQ(second.updates, 5);
    EXPECT_EQ(second.rowsSeen, 1u);

    MsgUnits rows{rowOf({"r"})};
    mvc::binder<MsgUnits> binder;
    CountingViewer viewer;
    binder.attachViewer(&viewer);
    binder.notify();
    EXPECT_EQ(viewer.updates, 0) << "no model yet";
    binder.setModel(&rows);
    EXPECT_EQ(viewer.model(), &rows) << "attached viewers follow the model";
    binder.notify();
    EXPECT_EQ(viewer.updates, 1);
}

}  // namespace
