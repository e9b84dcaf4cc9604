#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "common_storage/config.h"
#include "platform/cp1251.h"
#include "tests/support/port_links.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"
#include "ui/msg_grid.h"
#include "ui/t_com_port_param_frame.h"
#include "ui/t_setting_form.h"

using namespace platform::literals;

namespace {

class SettingFormTest : public ::testing::Test {
protected:
    void TearDown() override { Config::destroy(); }

    template <typename T>
    T& child(const QWidget& parent, const char* name) {
        T* found = parent.findChild<T*>(QString::fromLatin1(name));
        if (found == nullptr) {
            ADD_FAILURE() << "no control " << name;
            throw std::runtime_error(name);
        }
        return *found;
    }

    testsupport::TempAppFolder m_folder;
};

std::string portText(const TComPortParamFrame& frame) {
    return frame.findChild<QComboBox*>(QStringLiteral("Combo_PortNumber"))
        ->currentText()
        .toStdString();
}

void typeKey(QLineEdit& edit, int key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(&edit, &press);
}

std::vector<std::string> cells(const MsgGrid& grid, std::size_t row) {
    return grid.rows().at(row).cells;
}

TEST_F(SettingFormTest, ApplyStoresTheEditsCancelAndEscLeaveTheStoreAlone) {
    Config& config = Config::instance();
    config.set_only_one_port(true);
    config.set_last_port(7);
    config.set_last_baud(230400);

    TSettingForm form;  // shown modally: the main window's test
    EXPECT_EQ(form.windowTitle().toStdString(), "Настройки");
    form.loadSettings(config, {});
    auto& check = child<QCheckBox>(form, "Check_AutoSearchPort");
    auto& inTurn = child<QCheckBox>(form, "Check_PortsInTurn");
    auto& baud = child<QComboBox>(form, "Combo_BaudRate");
    EXPECT_FALSE(check.isChecked());
    EXPECT_FALSE(inTurn.isChecked());
    EXPECT_EQ(inTurn.text().toStdString(), "Проверять порты по очереди");
    // On the tab of the port, below the search option.
    EXPECT_EQ(inTurn.parentWidget(), check.parentWidget());
    EXPECT_GT(inTurn.geometry().top(), check.geometry().bottom());
    EXPECT_EQ(portText(form.portFrame()), "7");
    // 230400 is not offered: nothing is selected and the first offered rate counts.
    EXPECT_EQ(baud.currentIndex(), -1);

    form.open();
    check.setChecked(true);
    inTurn.setChecked(true);
    form.Btn_ApplyClick();
    EXPECT_TRUE(form.wasApplied());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(config.only_one_port());
    EXPECT_TRUE(config.one_port_at_a_time());
    EXPECT_EQ(config.last_port(), 7);
    EXPECT_EQ(config.last_baud(), 300);

    // A later showing starts from the store again. Cancel and Esc leave the store alone;
    // Apply stores the edits, a rate chosen from the list too.
    const auto reopenAndEdit = [&] {
        form.loadSettings(config, {});
        EXPECT_FALSE(form.wasApplied());
        EXPECT_TRUE(check.isChecked());
        EXPECT_TRUE(inTurn.isChecked());
        EXPECT_EQ(portText(form.portFrame()), "7");
        EXPECT_EQ(form.portFrame().baud(), 300);
        form.open();
        baud.setCurrentIndex(baud.findText(QStringLiteral("57600")));
        form.portFrame().setPort(12);
        check.setChecked(false);
        inTurn.setChecked(false);
    };
    reopenAndEdit();
    form.Btn_CancelClick();
    EXPECT_EQ(form.result(), QDialog::Rejected);
    reopenAndEdit();
    child<QAction>(form, "ActionClose").trigger();
    EXPECT_FALSE(form.wasApplied());
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(config.only_one_port());
    EXPECT_EQ(config.last_port(), 7);
    EXPECT_EQ(config.last_baud(), 300);

    reopenAndEdit();
    form.Btn_ApplyClick();
    EXPECT_TRUE(config.only_one_port());
    EXPECT_FALSE(config.one_port_at_a_time());
    EXPECT_EQ(config.last_port(), 12);
    EXPECT_EQ(config.last_baud(), 57600);
}

TEST_F(SettingFormTest, PortTextAlwaysHoldsAPortNumber) {
    TComPortParamFrame frame;
    auto& combo = child<QComboBox>(frame, "Combo_PortNumber");
    QLineEdit& edit = *combo.lineEdit();
    EXPECT_EQ(combo.count(), 20);
    EXPECT_EQ(combo.itemText(19).toStdString(), "20");
    EXPECT_EQ(combo.itemData(19).toInt(), 20);

    frame.setPort(0);
    EXPECT_EQ(portText(frame), "1");
    frame.setPort(1234);
    EXPECT_EQ(portText(frame), "999");
    combo.setEditText(QString());
    EXPECT_EQ(portText(frame), "1");
    combo.setEditText(QStringLiteral("007"));
    EXPECT_EQ(portText(frame), "7");
    combo.setEditText(QStringLiteral("COM4"));
    EXPECT_EQ(frame.port(), 1);
    combo.setEditText(QStringLiteral("123456789012345"));
    EXPECT_EQ(frame.port(), 999);

    int committed = 0;
    int changed = 0;
    frame.onPortChanged = [&](int port) { committed = port; };
    frame.onChanged = [&] { ++changed; };
    frame.setPort(5);
    edit.end(false);
    typeKey(edit, Qt::Key_3, QStringLiteral("3"));
    EXPECT_EQ(portText(frame), "53");
    typeKey(edit, Qt::Key_A, QStringLiteral("a"));
    typeKey(edit, Qt::Key_Minus, QStringLiteral("-"));
    typeKey(edit, Qt::Key_Backspace, QStringLiteral("\b"));
    EXPECT_EQ(portText(frame), "53");
    EXPECT_EQ(committed, 0);
    typeKey(edit, Qt::Key_Return, QStringLiteral("\r"));
    EXPECT_EQ(portText(frame), "53");
    EXPECT_EQ(committed, 53);
    EXPECT_EQ(changed, 1);
    typeKey(edit, Qt::Key_9, QStringLiteral("9"));
    typeKey(edit, Qt::Key_9, QStringLiteral("9"));
    EXPECT_EQ(portText(frame), "999");
}

TEST_F(SettingFormTest, BesideThePortBoxIsTheDeviceItsNumberLeadsTo) {
    testsupport::PtyPair line;
    testsupport::linkPort(m_folder.path(), 2, line.slavePath());
    testsupport::linkPort(m_folder.path(), 3, m_folder.path() / "gone");
    TSettingForm form;
    form.show();
    auto& combo = child<QComboBox>(form, "Combo_PortNumber");
    const auto& device = child<QLabel>(form, "Label_PortDevice");
    const auto shown = [&](const char* portText) {
        combo.setEditText(QString::fromLatin1(portText));
        return device.toolTip().toStdString();
    };
    EXPECT_EQ(shown("2"), line.slavePath());
    EXPECT_EQ(device.text(), device.toolTip());  // it fits
    EXPECT_EQ(shown("3"), (m_folder.path() / "gone").string() + " (нет устройства)");
    EXPECT_EQ(shown("4"), "нет устройства");
}

TEST_F(SettingFormTest, BaudListOffersTheRatesWithinTheLimits) {
    TComPortParamFrame all;
    EXPECT_EQ(child<QComboBox>(all, "Combo_BaudRate").count(), 13);

    TSettingForm form;
    auto& combo = child<QComboBox>(form, "Combo_BaudRate");
    const std::vector<std::string> expected{"300",   "1200",  "2400",  "4800",  "9600",
                                            "19200", "38400", "57600", "115200"};
    std::vector<std::string> shown;
    for (int i = 0; i < combo.count(); ++i) {
        shown.push_back(combo.itemText(i).toStdString());
        EXPECT_EQ(combo.itemData(i).toInt(), std::stoi(shown.back()));
    }
    EXPECT_EQ(shown, expected);
    EXPECT_FALSE(combo.isEditable());

    TComPortParamFrame& frame = form.portFrame();
    EXPECT_EQ(combo.currentIndex(), -1);
    EXPECT_EQ(frame.baud(), 300);
    std::vector<std::int32_t> notified;
    int changed = 0;
    frame.onBaudChanged = [&](std::int32_t rate) { notified.push_back(rate); };
    frame.onChanged = [&] { ++changed; };
    frame.setBaud(38400);
    frame.setBaud(110);  // not offered here: the selection stays
    EXPECT_EQ(frame.baud(), 38400);
    EXPECT_EQ(notified, std::vector<std::int32_t>{38400});
    EXPECT_EQ(changed, 1);
}

TEST_F(SettingFormTest, ListsShowThePlanAndTheCommands) {
    Config& config = Config::instance();
    config.set_baud_list("115200-1000 9600-250");
    config.search_commands() = {"AT<CR> <CR><LF>OK<CR><LF>", "; not a command"};
    AtCmdParamMtList configCommands;
    for (int i = 1; i <= 120; ++i) {
        configCommands.emplace_back("AT" + std::to_string(i) + "\r", "OK\r\n");
    }

    TSettingForm form;
    EXPECT_EQ(child<QTabWidget>(form, "PageControl").currentIndex(), 0);
    form.loadSettings(config, configCommands);
    ASSERT_EQ(form.baudGrid().rows().size(), 2U);
    EXPECT_EQ(cells(form.baudGrid(), 0), (std::vector<std::string>{"115200", "1000"}));
    EXPECT_EQ(cells(form.baudGrid(), 1), (std::vector<std::string>{"9600", "250"}));
    ASSERT_EQ(form.searchCommandGrid().rows().size(), 1U);
    EXPECT_EQ(cells(form.searchCommandGrid(), 0),
              (std::vector<std::string>{"AT<CR>", "<CR><LF>OK<CR><LF>"}));
    ASSERT_EQ(form.configCommandGrid().rows().size(), 100U);
    EXPECT_EQ(cells(form.configCommandGrid(), 0),
              (std::vector<std::string>{"AT21<CR>", "OK<CR><LF>"}));
    EXPECT_EQ(cells(form.configCommandGrid(), 99)[0], "AT120<CR>");

    // Every showing replaces the rows.
    config.set_baud_list("");
    form.loadSettings(config, {});
    EXPECT_TRUE(form.baudGrid().rows().empty());
    EXPECT_TRUE(form.configCommandGrid().rows().empty());
}

}  // namespace
