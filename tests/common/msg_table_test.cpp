// The rows of a message table and the binder that tells its viewers about changes.

#include "common/msg_table.h"

#include <gtest/gtest.h>

#include <regex>
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

bool isTimeText(const std::string& text) {
    return std::regex_match(text, std::regex(R"(\d\d:\d\d:\d\d)"));
}

MsgUnit rowOf(Msg::Strings cells) {
    MsgUnit row;
    row.cells = std::move(cells);
    return row;
}

TEST(MsgTable, AddMessageStampsTheTimeAndFlattensLineBreaks) {
    MsgTable table;
    const MsgUnit& row = table.addMessage("A\r\nB");
    ASSERT_EQ(row.cells.size(), 2u);
    EXPECT_TRUE(isTimeText(row.cells[0])) << row.cells[0];
    EXPECT_EQ(row.cells[1], "A  B");
    EXPECT_EQ(row.textColor, MsgUnit::kBlack);
    EXPECT_EQ(row.backgroundColor, MsgUnit::kWhite);
    EXPECT_TRUE(row.tag.empty());

    EXPECT_EQ(table.addMessage(" OK\r\n").cells[1], "OK");
    EXPECT_EQ(table.addMessage("\r\n").cells[1], "");
    EXPECT_EQ(table.rows().size(), 3u);
}

TEST(MsgTable, KeepsTheNewestHundredRows) {
    MsgTable table;
    for (int i = 1; i <= 101; ++i) {
        table.addMessage(std::to_string(i));
    }
    ASSERT_EQ(table.rows().size(), MsgTable::kMaxRows);
    EXPECT_EQ(table.rows().front().cells[1], "2");
    EXPECT_EQ(table.rows().back().cells[1], "101");

    // Prepared rows count against the same limit.
    table.addRow(rowOf({"x"}));
    EXPECT_EQ(table.rows().size(), MsgTable::kMaxRows);
    EXPECT_EQ(table.rows().front().cells[1], "3");
    EXPECT_EQ(table.rows().back(), rowOf({"x"}));
}

TEST(MsgTable, ReplaceLastMessageRewritesOnlyTheMessageCell) {
    MsgTable table;
    // With no row yet it adds one, exactly as addMessage would.
    const MsgUnit first = table.replaceLastMessage("Port 1\r\n");
    ASSERT_EQ(table.rows().size(), 1u);
    EXPECT_TRUE(isTimeText(first.cells[0]));
    EXPECT_EQ(first.cells[1], "Port 1");

    const MsgUnit& replaced = table.replaceLastMessage("Port 2\r\n.");
    ASSERT_EQ(table.rows().size(), 1u);
    EXPECT_EQ(replaced.cells[0], first.cells[0]);
    EXPECT_EQ(replaced.cells[1], "Port 2\r\n.") << "shown unchanged";

    // A prepared row of one cell has no message cell to replace.
    table.addRow(rowOf({"only"}));
    table.replaceLastMessage("new");
    EXPECT_EQ(table.rows().back(), rowOf({"only"}));
    EXPECT_EQ(table.rows().size(), 2u);
}

TEST(MsgTable, AddRowKeepsTheRowAsGivenAndClearEmptiesTheTable) {
    MsgTable table;
    MsgUnit row = rowOf({"a\r\n", " b ", "c"});
    row.tag = "t";
    row.textColor = 0x123456;
    table.addRow(row);
    EXPECT_EQ(table.rows().back(), row);

    table.clear();
    EXPECT_TRUE(table.rows().empty());
    table.addMessage("after");
    ASSERT_EQ(table.rows().size(), 1u);
    EXPECT_EQ(table.rows().front().cells[1], "after");
}

TEST(MsgTable, EveryChangeNotifiesTheAttachedViewers) {
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
    EXPECT_EQ(first.updates, 3);
    EXPECT_EQ(first.rowsSeen, 2u);
    table.clear();
    EXPECT_EQ(first.updates, 4);
    EXPECT_EQ(first.rowsSeen, 0u);
    EXPECT_EQ(second.updates, 4);

    table.binder().detachViewer(&first);
    table.addMessage("c");
    EXPECT_EQ(first.updates, 4);
    EXPECT_EQ(second.updates, 5);
}

TEST(MvcBinder, WithoutAModelNothingIsNotified) {
    MsgUnits rows{rowOf({"r"})};
    mvc::binder<MsgUnits> binder;
    CountingViewer viewer;
    binder.attachViewer(&viewer);
    EXPECT_EQ(viewer.model(), nullptr);
    binder.notify();
    EXPECT_EQ(viewer.updates, 0);

    binder.setModel(&rows);
    EXPECT_EQ(viewer.model(), &rows) << "attached viewers follow the model";
    binder.notify();
    EXPECT_EQ(viewer.updates, 1);
    EXPECT_EQ(viewer.rowsSeen, 1u);
}

}  // namespace
