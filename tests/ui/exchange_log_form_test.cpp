#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <string>
#include <thread>

#include "platform/cp1251.h"
#include "tests/support/file_bytes.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ui_thread_fixture.h"
#include "ui/t_exchange_log_form.h"

using namespace platform::literals;

namespace {

class ExchangeLogFormTest : public testsupport::UiThreadTest {
protected:
    QPlainTextEdit* memo() { return m_form.findChild<QPlainTextEdit*>("LogMemo"); }

    QStringList shownLines() {
        const QString text = memo()->toPlainText();
        return text.isEmpty() ? QStringList{} : text.split('\n');
    }

    testsupport::TempAppFolder m_app;  // the window's placement is stored there
    TExchangeLogForm m_form;
};

TEST_F(ExchangeLogFormTest, LinesFromAnotherThreadAppearInOrderAfterTheDrain) {
    m_form.setBuffered(true);
    constexpr int kLines = 300;
    std::thread worker([this] {
        for (int i = 0; i < kLines; ++i) {
            m_form.addLine(">>> AT" + std::to_string(i));
        }
        m_form.addLine(std::string{"<<< Ответ"_cp1251});
    });
    worker.join();
    // The adding thread only queues: nothing reaches the box until the user-interface thread
    // runs its timer.
    EXPECT_TRUE(shownLines().isEmpty());

    ASSERT_TRUE(runUntil([this] { return shownLines().size() == kLines + 1; }));
    const QStringList lines = shownLines();
    for (int i = 0; i < kLines; ++i) {
        ASSERT_EQ(lines[i], QString(">>> AT%1").arg(i));
    }
    EXPECT_EQ(lines.back(), QString::fromUtf8("<<< Ответ"));

    // Lines keep coming after a drain; a timer that stopped on an empty list starts again.
    std::thread late([this] { m_form.addLine("<<< OK"); });
    late.join();
    ASSERT_TRUE(runUntil([this] { return shownLines().size() == kLines + 2; }));
    EXPECT_EQ(shownLines().back(), "<<< OK");
}

TEST_F(ExchangeLogFormTest, ABurstDrainedInOneTickKeepsWhatShowingLineByLineWouldKeep) {
    m_form.setBuffered(true);
    for (int i = 1; i <= 2345; ++i) {
        m_form.addLine("<<< " + std::to_string(i));
    }
    ASSERT_TRUE(runUntil([&] { return !shownLines().empty(); }));
    QStringList expected;
    for (int i = 2001; i <= 2345; ++i) {
        expected << QString("<<< %1").arg(i);
    }
    EXPECT_EQ(shownLines(), expected);

    // Lines of three box lines each ("<<< n", "OK" and the empty one after the last CR LF):
    // 334 of them reach 1002 box lines, so the 335th empties the box, counted from the 345
    // lines already there.
    m_form.findChild<QPushButton*>("BtnClear")->click();
    for (int i = 1; i <= 400; ++i) {
        m_form.addLine("<<< " + std::to_string(i) + "\r\nOK\r\n");
    }
    ASSERT_TRUE(runUntil([&] { return shownLines().value(0) == "<<< 335"; }));
    EXPECT_EQ(shownLines().size(), 66 * 3);
    EXPECT_EQ(shownLines().value(65 * 3), "<<< 400");

    // The count the burst left agrees with the box: 198 + 267 * 3 = 999 lines, then one more
    // line fits and the next empties the box.
    for (int i = 1; i <= 268; ++i) {
        m_form.addLine("<<< x\r\nOK\r\n");
    }
    m_form.addLine("<<< last");
    ASSERT_TRUE(runUntil([&] { return shownLines().value(0) == "<<< last"; }));
    EXPECT_EQ(shownLines().size(), 1);
}

TEST_F(ExchangeLogFormTest, LineBreakOptionDecidesHowABlockIsShown) {
    m_form.setShowLineBreaks(true);
    EXPECT_TRUE(m_form.findChild<QCheckBox*>("Check_UnescapeStr")->isChecked());
    m_form.addLine("<<< \r\nOK\r\n");
    m_form.addLine(">>> AT\r");
    EXPECT_EQ(shownLines(), (QStringList{"<<< <CR><LF>OK<CR><LF>", ">>> AT<CR>"}));

    // Only the lines shown afterwards change; CR LF makes one break, not two, and the CR that
    // ends a written command makes none.
    m_form.setShowLineBreaks(false);
    m_form.addLine(">>> AT\r");
    m_form.addLine("<<< \r\nOK\r\n");
    EXPECT_EQ(shownLines(),
              (QStringList{"<<< <CR><LF>OK<CR><LF>", ">>> AT<CR>", ">>> AT", "<<< ", "OK", ""}));
}

TEST_F(ExchangeLogFormTest, ClearRemovesShownLinesButKeepsQueuedOnes) {
    m_form.setBuffered(true);
    auto* const button = m_form.findChild<QPushButton*>("BtnClear");
    auto* const menu = m_form.findChild<QMenu*>();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    QAction* const menuItem = menu->actions().front();
    EXPECT_EQ(menuItem->text(), QString::fromUtf8("Очистить"));

    for (QAction* const clear : {static_cast<QAction*>(nullptr), menuItem}) {
        m_form.addLine("<<< shown");
        ASSERT_TRUE(runUntil([this] { return shownLines().size() == 1; }));
        m_form.addLine("<<< queued");
        if (clear == nullptr) {
            button->click();
        } else {
            clear->trigger();
        }
        EXPECT_TRUE(shownLines().isEmpty());
        ASSERT_TRUE(runUntil([this] { return shownLines().size() == 1; }));
        EXPECT_EQ(shownLines(), QStringList{"<<< queued"});
        memo()->clear();
    }
}

TEST_F(ExchangeLogFormTest, EscapeHidesTheTopLevelWindowAndKeepsItsLines) {
    QWidget mainWindow;
    auto* const form = new TExchangeLogForm(&mainWindow);
    EXPECT_TRUE(form->isWindow());
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    auto* const close = form->findChild<QAction*>("ActionClose");
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->shortcut(), QKeySequence(Qt::Key_Escape));
    EXPECT_TRUE(form->actions().contains(close));

    form->addLine("<<< OK");
    form->show();
    close->trigger();
    EXPECT_FALSE(form->isVisible());
    form->show();
    EXPECT_EQ(form->findChild<QPlainTextEdit*>("LogMemo")->toPlainText(), "<<< OK");

    // It reopens where it was left, under its own name in the settings file.
    form->setGeometry(30, 40, 500, 300);
    delete form;
    EXPECT_NE(testsupport::readBytes(m_app.path() / "orvane.ini")
                  .find("[Расположение \"Лог обмена с модемом\"]"_cp1251),
              std::string::npos);
    EXPECT_EQ(TExchangeLogForm(&mainWindow).geometry(), QRect(30, 40, 500, 300));
}

}  // namespace
