#include "ui/msg_grid.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QResizeEvent>
#include <QWidget>
#include <cstdlib>
#include <memory>
#include <regex>
#include <stdexcept>
#include <string>

#include "platform/cp1251.h"
#include "ui/widget_helpers.h"

using namespace platform::literals;

namespace {

constexpr int kPanelWidth = 400;
constexpr int kPanelHeight = 200;

// A panel with a resize handler of its own, to see that the grid's layout chains to it.
class Panel : public QFrame {
public:
    int resizes = 0;

protected:
    void resizeEvent(QResizeEvent* event) override {
        ++resizes;
        QFrame::resizeEvent(event);
    }
};

class MsgGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        panel.resize(kPanelWidth, kPanelHeight);
        panel.show();
        QApplication::processEvents();
    }

    std::string cell(int row, int column) const {
        const StringGrid& g = *grid->grid();
        return platform::utf8ToCp1251(
            g.model()->index(row, column).data().toString().toStdString());
    }

    void addMessages(int count) {
        for (int i = 1; i <= count; ++i) {
            grid->addMessage("m" + std::to_string(i));
        }
    }

    Panel panel;
    std::unique_ptr<MsgGrid> grid = std::make_unique<MsgGrid>(&panel, true);
};

TEST_F(MsgGridTest, ShowsTheNewestRowsUnderItsCaptionsAndOneBlankRowWhenEmpty) {
    const StringGrid& g = *grid->grid();
    EXPECT_EQ(g.fixedRows(), 1);
    EXPECT_EQ(g.columnCount(), 2);
    EXPECT_EQ(g.model()->headerData(0, Qt::Horizontal).toString(), QString::fromUtf8("Время"));
    EXPECT_EQ(g.model()->headerData(1, Qt::Horizontal).toString(), QString::fromUtf8("Сообщение"));
    EXPECT_EQ(g.model()->rowCount(), 1);
    EXPECT_EQ(cell(0, 1), "");

    grid->show("first", false);  // nothing to replace yet: added with a time stamp
    ASSERT_EQ(grid->rows().size(), 1u);
    EXPECT_TRUE(std::regex_match(cell(0, 0), std::regex("[0-2][0-9]:[0-5][0-9]:[0-5][0-9]")));
    addMessages(100);
    EXPECT_EQ(g.model()->rowCount(), 100);
    EXPECT_EQ(cell(0, 1), "m1");
    // A progress line replaces the last message, keeping its time and its line breaks.
    const std::string time = cell(99, 0);
    grid->show("progress\r\n", false);
    EXPECT_EQ(cell(98, 1), "m99");
    EXPECT_EQ(cell(99, 0), time);
    EXPECT_EQ(cell(99, 1), "progress\r\n");

    // The clear button empties the table, and does nothing once the grid is gone.
    QPushButton* button = grid->clearButton();
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QString::fromUtf8("Очистить"));
    button->click();
    EXPECT_EQ(g.model()->rowCount(), 1);
    EXPECT_EQ(cell(0, 1), "");
    grid.reset();
    button->click();
}

TEST_F(MsgGridTest, ScrollsToTheNewestRowUnlessTurnedOff) {
    StringGrid& g = *grid->grid();
    const int visible = g.visibleRowCount();
    ASSERT_GT(visible, 2);
    addMessages(50);
    EXPECT_EQ(g.topRow(), g.rowCount() - visible);
    const int last = g.rowViewportPosition(49);
    EXPECT_GE(last, 0);
    EXPECT_LE(last + g.rowHeight(49), g.viewport()->height());

    grid->clear();
    grid->setAutoScroll(false);
    addMessages(50);
    EXPECT_EQ(g.topRow(), g.fixedRows());
}

TEST_F(MsgGridTest, LaysOutColumnsAndButtonOnEveryResizeAndChainsToThePanel) {
    grid->setFirstColumnWidth(60);
    const int before = panel.resizes;
    panel.resize(500, 300);
    QApplication::processEvents();
    EXPECT_GT(panel.resizes, before);
    const StringGrid& g = *grid->grid();
    EXPECT_EQ(g.columnWidth(0), 60);
    EXPECT_EQ(g.columnWidth(1), 500 - 60 - 20);
    EXPECT_EQ(grid->clearButton()->pos(), QPoint(500 - 60 - 22, 300 - 21 - 2));
    EXPECT_EQ(g.geometry(), panel.contentsRect());
}

TEST(MsgGridColumns, OwnColumnsShowBlankCellsForMissingOnesAndNoButton) {
    QFrame panel;
    panel.resize(300, 150);
    MsgGrid grid(&panel, false);
    grid.setFirstColumnWidth(70);
    grid.setAutoScroll(false);
    grid.setColumns({std::string{"Скорость"_cp1251}, std::string{"Ожидание, мс"_cp1251}, "x"});
    EXPECT_EQ(grid.clearButton(), nullptr);
    const StringGrid& g = *grid.grid();
    EXPECT_EQ(g.columnCount(), 3);
    EXPECT_EQ(g.columnWidth(0), 70);
    EXPECT_EQ(g.model()->headerData(1, Qt::Horizontal).toString(),
              QString::fromUtf8("Ожидание, мс"));

    Msg::MsgUnit row;
    row.cells = {"9600", "500"};
    grid.addRow(row);
    row.cells = {"line\r\n"};
    grid.addRow(row);
    EXPECT_EQ(g.model()->index(0, 1).data().toString(), "500");
    EXPECT_EQ(g.model()->index(0, 2).data().toString(), "");
    EXPECT_EQ(g.model()->index(1, 0).data().toString(), "line\r\n");
    EXPECT_EQ(g.model()->index(1, 1).data().toString(), "");
}

// File names: shown as 1251 shows them, carried as they are, invalid UTF-8 included.
TEST(UiHelpers, ComboNamesKeepTheirBytes) {
    QComboBox combo;
    EXPECT_EQ(ui::comboSelectedName(combo), "");
    const std::string name = "Проверка café";
    ui::fillComboNames(combo, {name, "b\xFF"});
    EXPECT_EQ(combo.currentIndex(), 0);
    EXPECT_EQ(combo.currentText(), QString::fromUtf8("Проверка caf?"));
    EXPECT_EQ(ui::comboSelectedName(combo), name);
    combo.setCurrentIndex(1);
    EXPECT_EQ(ui::comboSelectedName(combo), "b\xFF");
    combo.setCurrentIndex(-1);
    EXPECT_EQ(ui::comboSelectedName(combo), "");
}

TEST(UiHelpers, IntFromTextFallsBackToTheDefault) {
    EXPECT_EQ(ui::intFromText("42", 1), 42);
    EXPECT_EQ(ui::intFromText("  -7", 1), -7);
    EXPECT_EQ(ui::intFromText("+8", 1), 8);
    EXPECT_EQ(ui::intFromText("", 1), 1);
    EXPECT_EQ(ui::intFromText("  ", 1), 1);
    EXPECT_EQ(ui::intFromText("12a", 1), 1);
    EXPECT_EQ(ui::intFromText("+-3", 1), 1);
    EXPECT_EQ(ui::intFromText("99999999999", 5), 5);
}

TEST(UiHelpers, SelectingARowOutsideTheViewCentresIt) {
    QFrame panel;
    panel.resize(300, 160);
    MsgGrid grid(&panel, true);
    grid.setAutoScroll(false);
    panel.show();
    QApplication::processEvents();
    for (int i = 0; i < 60; ++i) {
        grid.addMessage(std::to_string(i));
    }
    StringGrid& g = *grid.grid();
    ui::selectGridRow(g, 2);
    EXPECT_EQ(g.topRow(), g.fixedRows());  // already visible: no scrolling
    ui::selectGridRow(g, 40);
    EXPECT_EQ(g.currentIndex().row(), 40);
    // Whole rows scroll, so the row lands within a row's height of the middle.
    const int centre = g.rowViewportPosition(40) + g.rowHeight(40) / 2;
    EXPECT_LE(std::abs(centre - g.viewport()->height() / 2), g.rowHeight(40));

    ui::scrollGridToLastRow(g);
    EXPECT_LE(g.rowViewportPosition(59) + g.rowHeight(59), g.viewport()->height());
}

}  // namespace

namespace {

// A column whose body cells fail to paint.
class FailingField : public TableField<Msg::MsgUnit> {
public:
    void drawHeader(QPainter& /*canvas*/, const QRect& /*rect*/) override {}
    void drawBody(const Msg::MsgUnit& /*row*/, QPainter& /*canvas*/, const QRect& /*rect*/,
                  GridCellState /*state*/) override {
        ++calls;
        throw std::runtime_error("paint");
    }
    int calls = 0;
};

TEST_F(MsgGridTest, PaintsCellsThroughTheColumnsInSystemColours) {
    StringGrid& g = *grid->grid();
    grid->addMessage("one");
    grid->addMessage("two");
    g.selectRow(1);
    const QImage body = g.viewport()->grab().toImage();
    const QPalette palette = QGuiApplication::palette();
    const int x = g.columnViewportPosition(1) + 2;
    EXPECT_EQ(body.pixelColor(x, g.rowViewportPosition(0) + 1), palette.color(QPalette::Window));
    EXPECT_EQ(body.pixelColor(x, g.rowViewportPosition(1) + 1), palette.color(QPalette::Highlight));
    const QImage header = g.horizontalHeader()->grab().toImage();
    EXPECT_EQ(header.pixelColor(1, 1), palette.color(QPalette::Button));
}

TEST(TableViewPainting, ACellThatFailsToPaintLeavesTheOthersPainted) {
    StringGrid grid;
    grid.resize(200, 100);
    Msg::MsgTable table;
    TableView<Msg::MsgUnits> view(&grid);
    FailingField failing;
    msg_grid_table::CellField text("t", 0);
    view.addField(&failing);
    view.addField(&text);
    table.binder().attachViewer(&view);
    table.addMessage("x");
    EXPECT_EQ(grid.model()->index(0, 1).data().toString().size(), 8);  // the time cell
    const QImage image = grid.viewport()->grab().toImage();
    EXPECT_GT(failing.calls, 0);
    EXPECT_EQ(image.pixelColor(grid.columnViewportPosition(1) + 2, 1),
              QGuiApplication::palette().color(QPalette::Window));
    table.binder().detachViewer(&view);
}

}  // namespace
