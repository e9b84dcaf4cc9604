// The help window: where the pages are found, how each kind of page is shown, the messages
// for pages that cannot be shown, the trace lines and the soak tester.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextDocument>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/cp1251.h"
#include "tests/support/file_bytes.h"
#include "tests/support/temp_dir.h"
#include "ui/help_form.h"
#include "ui/help_manager.h"
#include "ui/help_tester.h"
#include "ui/view_frame.h"

using namespace platform::literals;
namespace fs = std::filesystem;
using testsupport::writeBytes;

namespace {

// A component of a form by its name; fails the test when the form has none.
template <typename T>
T* child(const QObject& form, const char* name) {
    T* found = form.findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
}

class HelpTest : public ::testing::Test {
protected:
    HelpTest() : m_cwd(m_work.path()) {
        fs::create_directories(app() / "help");
        fs::create_directories(app() / "cfg_help");
    }

    fs::path app() const { return m_app.path(); }

    static std::string notFound(const fs::path& path) {
        return std::string("Файл помощи "_cp1251)
            .append(platform::pathToText(path))
            .append(" не обнаружен"_cp1251);
    }
    static std::string cannotShow(const fs::path& path) {
        return std::string("Не удалось отобразить файл "_cp1251).append(platform::pathToText(path));
    }
    static std::string cannotRead(const fs::path& path) {
        return std::string("Не удалось прочитать файл "_cp1251).append(platform::pathToText(path));
    }

    static std::string memoText(const TViewFrame& frame) {
        return child<QPlainTextEdit>(frame, "Memo")->toPlainText().toStdString();
    }

    std::vector<std::string> traceLines() const {
        std::vector<std::string> lines;
        std::string all = testsupport::readBytes(m_work.path() / "debug.log");
        std::size_t begin = 0;
        for (std::size_t end; (end = all.find('\n', begin)) != std::string::npos; begin = end + 1) {
            lines.push_back(all.substr(begin, end - begin));
        }
        EXPECT_EQ(begin, all.size()) << "every line ends in a line feed";
        return lines;
    }

    testsupport::TempAppFolder m_app;
    testsupport::TempDir m_work;
    testsupport::CurrentFolder m_cwd;
};

TEST_F(HelpTest, GeneralPageResolvesBesideTheProgramIgnoringLetterCase) {
    HelpManager manager;
    std::vector<bool> notified;
    manager.onAvailabilityChanged = [&](bool available) { notified.push_back(available); };

    // With an extension the name is the page, found or not.
    manager.setCommonFile("help\\common.html");
    EXPECT_EQ(manager.commonPath(), app() / "help" / "common.html");
    EXPECT_TRUE(manager.helpAvailable());

    fs::create_directories(app() / "Help");
    fs::remove(app() / "help");
    writeBytes(app() / "Help" / "COMMON.HTML", "<p>x</p>");
    EXPECT_EQ(manager.commonPath(), app() / "Help" / "COMMON.HTML");
    writeBytes(app() / "Help" / "common.html", "<p>x</p>");
    EXPECT_EQ(manager.commonPath(), app() / "Help" / "common.html") << "exact name first";

    // Without one, HTML extensions in order, then text.
    manager.setCommonFile("help/guide");
    writeBytes(app() / "Help" / "guide.txt", "t");
    EXPECT_EQ(manager.commonPath(), app() / "Help" / "guide.txt");
    writeBytes(app() / "Help" / "GUIDE.HTM", "h");
    EXPECT_EQ(manager.commonPath(), app() / "Help" / "GUIDE.HTM");
    writeBytes(app() / "Help" / "guide.html", "h");
    EXPECT_EQ(manager.commonPath(), app() / "Help" / "guide.html");

    manager.setCommonFile("help\\absent");
    EXPECT_EQ(manager.commonPath(), "");
    EXPECT_FALSE(manager.helpAvailable());
    EXPECT_EQ(notified, (std::vector<bool>{true, false, false}));
}

TEST_F(HelpTest, CommandListPageComesFromCfgHelpWithHtmlBeforeText) {
    HelpManager manager;
    manager.setCommonFile("help\\none");
    std::vector<bool> notified;
    manager.onAvailabilityChanged = [&](bool available) { notified.push_back(available); };
    const fs::path folder = app() / "cfg_help";

    manager.setAdditionalFile("x");
    EXPECT_EQ(manager.additionalPath(), "");
    writeBytes(folder / "X.TXT", "t");
    EXPECT_EQ(manager.additionalPath(), folder / "X.TXT");
    writeBytes(folder / "x.htm", "h");
    manager.setAdditionalFile("x");
    EXPECT_EQ(manager.additionalPath(), folder / "x.htm");

    writeBytes(folder / "проверка_связи.html", "h");
    manager.setAdditionalFile("Проверка_связи");
    EXPECT_EQ(manager.additionalPath(), folder / "проверка_связи.html");

    // An extension in the list's name is part of the name; no list means no page.
    manager.setAdditionalFile("x.txt");
    EXPECT_EQ(manager.additionalPath(), "");
    manager.setAdditionalFile("");
    EXPECT_EQ(manager.additionalPath(), "");
    EXPECT_EQ(notified, (std::vector<bool>{false, true, true, false, false}));
}

// HTML pages by their extension in any letter case go to the browser, every other page to
// the text view: UTF-8 when it is valid, else 1251.
TEST_F(HelpTest, ExtensionChoosesTheViewAndTextPagesAreUtf8Or1251) {
    TViewFrame frame;
    writeBytes(app() / "page.HTM", "<html><body><p>Hello page</p></body></html>");
    EXPECT_TRUE(frame.showFile(app() / "page.HTM"));
    EXPECT_TRUE(frame.browserShown());
    EXPECT_NE(child<QTextBrowser>(frame, "WebBrowser")->toPlainText().indexOf("Hello page"), -1);

    const std::string utf8 = "Справка\r\nвторая строка\n";
    writeBytes(app() / "utf8.TXT", "\xEF\xBB\xBF" + utf8);
    writeBytes(app() / "cp1251.log", platform::utf8ToCp1251(utf8));
    ASSERT_TRUE(frame.showFile(app() / "utf8.TXT"));
    EXPECT_FALSE(frame.browserShown());
    EXPECT_TRUE(child<QPlainTextEdit>(frame, "Memo")->isReadOnly());
    EXPECT_EQ(memoText(frame), "Справка\nвторая строка\n");
    EXPECT_EQ(child<QPlainTextEdit>(frame, "Memo")->document()->blockCount(), 3);
    ASSERT_TRUE(frame.showFile(app() / "cp1251.log"));
    EXPECT_EQ(memoText(frame), "Справка\nвторая строка\n");
}

TEST_F(HelpTest, PagesThatCannotBeShownSayWhyAndKeepTheLastView) {
    TViewFrame frame;
    const fs::path missing = app() / "missing.html";
    EXPECT_FALSE(frame.showFile(missing));
    EXPECT_TRUE(frame.messageShown());
    EXPECT_EQ(frame.messageText(), notFound(missing));
    EXPECT_EQ(child<QLabel>(frame, "Label_Message")->text().toStdString(),
              "Файл помощи " + (app() / "missing.html").string() + " не обнаружен");
    EXPECT_TRUE(frame.memoShown()) << "a missing page switches no view";
    EXPECT_FALSE(frame.showFile(""));
    EXPECT_EQ(frame.messageText(), notFound(""));

    // Something that exists but is no readable file (a folder, as an unreadable file would be
    // for an ordinary user): the browser view stays switched on.
    fs::create_directories(app() / "folder.html");
    fs::create_directories(app() / "folder.txt");
    EXPECT_FALSE(frame.showFile(app() / "folder.html"));
    EXPECT_EQ(frame.messageText(), cannotShow(app() / "folder.html"));
    EXPECT_TRUE(frame.browserShown());
    EXPECT_FALSE(frame.showFile(app() / "folder.txt"));
    EXPECT_EQ(frame.messageText(), cannotRead(app() / "folder.txt"));
    EXPECT_TRUE(frame.browserShown());

    writeBytes(app() / "ok.txt", "ok");
    EXPECT_TRUE(frame.showFile(app() / "ok.txt"));
    EXPECT_FALSE(frame.messageShown());
}

TEST_F(HelpTest, ShowHelpFillsBothTabsAndTracesEachShowing) {
    QWidget mainWindow;
    HelpManager manager(&mainWindow);
    manager.setCommonFile("help\\common.html");
    writeBytes(app() / "cfg_help" / "x.txt", "list page");
    manager.setAdditionalFile("x");
    EXPECT_EQ(manager.window(), nullptr);

    manager.showHelp();
    THelpForm* window = manager.window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->parentWidget(), &mainWindow);
    EXPECT_EQ(window->windowTitle().toStdString(), "Помощь");
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    const QTabWidget* tabs = child<QTabWidget>(*window, "PageControl");
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(tabs->tabText(0).toStdString(), "Общая");
    EXPECT_EQ(tabs->tabText(1).toStdString(), "Дополнительная");
    EXPECT_TRUE(tabs->widget(0)->isAncestorOf(manager.commonFrame()));
    EXPECT_TRUE(tabs->widget(1)->isAncestorOf(manager.additionalFrame()));

    EXPECT_EQ(manager.commonFrame()->messageText(), notFound(app() / "help" / "common.html"));
    EXPECT_TRUE(manager.additionalFrame()->memoShown());
    EXPECT_EQ(memoText(*manager.additionalFrame()), "list page");
    EXPECT_EQ(traceLines(), (std::vector<std::string>{"visible before", "visible after", "quit"}));

    // A new list while the window shows reloads both tabs; once hidden it only remembers.
    writeBytes(app() / "help" / "common.html", "<p>general</p>");
    writeBytes(app() / "cfg_help" / "y.htm", "<p>other</p>");
    manager.setAdditionalFile("y");
    EXPECT_TRUE(manager.commonFrame()->browserShown());
    EXPECT_TRUE(manager.additionalFrame()->browserShown());
    EXPECT_EQ(traceLines().size(), 6U);

    child<QAction>(*window, "ActionClose")->trigger();
    EXPECT_FALSE(window->isVisible());
    manager.setAdditionalFile("x");
    EXPECT_EQ(traceLines().size(), 6U);
    EXPECT_TRUE(manager.additionalFrame()->browserShown());

    manager.showHelp();
    EXPECT_EQ(manager.window(), window) << "the window is kept between showings";
    EXPECT_TRUE(manager.additionalFrame()->memoShown());
    manager.closeHelp();
    EXPECT_FALSE(window->isVisible());
}

// A trace file that cannot be opened stops nothing.
TEST_F(HelpTest, WindowReopensWhereItWasLeftWithOrWithoutItsTrace) {
    fs::create_directories(m_work.path() / "debug.log");
    {
        HelpManager manager;
        manager.showHelp();
        EXPECT_TRUE(manager.window()->isVisible());
        manager.window()->setGeometry(30, 40, 500, 300);
    }
    const std::string ini = testsupport::readBytes(app() / "orvane.ini");
    EXPECT_NE(ini.find("[Расположение \"Помощь\"]"_cp1251), std::string::npos) << ini;
    HelpManager manager;
    manager.showHelp();
    EXPECT_EQ(manager.window()->geometry(), QRect(30, 40, 500, 300));
}

TEST_F(HelpTest, TesterAlternatesTheFirstTwoListsOpeningAndClosingTheWindow) {
    QComboBox lists;
    lists.addItems({"a", "b", "c"});
    lists.setCurrentIndex(-1);
    HelpManager manager;
    manager.setCommonFile("help\\common.html");
    int handled = 0;
    int signalled = 0;
    QObject::connect(&lists, &QComboBox::currentIndexChanged, [&] { ++signalled; });
    HelpTester tester(
        lists,
        [&] {
            ++handled;
            manager.setAdditionalFile(lists.currentText().toStdString());
        },
        manager);

    std::vector<std::string> shown;
    for (int tick = 0; tick < 6; ++tick) {
        tester.tick();
        if (tick % 2 == 0) {
            EXPECT_TRUE(manager.window()->isVisible());
            shown.push_back(manager.additionalFile());
        } else {
            EXPECT_FALSE(manager.window()->isVisible());
        }
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"a", "b", "a"}));
    EXPECT_EQ(handled, 3);
    EXPECT_EQ(signalled, 0) << "the selection handling runs once, by the tester";
    EXPECT_EQ(traceLines().size(), 9U);

    QComboBox single;
    single.addItem("only");
    HelpTester lone(single, {}, manager);
    lone.tick();
    lone.tick();
    lone.tick();
    EXPECT_EQ(single.currentIndex(), 0);
}

}  // namespace
