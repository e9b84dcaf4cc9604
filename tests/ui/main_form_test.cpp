// The main window through whole runs against the simulated modem: captions, enabling rules,
// the command list choice, continuous mode and what closing the window stores.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common_storage/config.h"
#include "platform/app_folder.h"
#include "platform/cp1251.h"
#include "platform/ini_file.h"
#include "sim/sim_modem.h"
#include "tester/command_list_files.h"
#include "tester/modem_tester.h"
#include "tests/support/file_bytes.h"
#include "tests/support/port_links.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ui_thread_fixture.h"
#include "ui/help_manager.h"
#include "ui/help_tester.h"
#include "ui/msg_grid.h"
#include "ui/t_exchange_log_form.h"
#include "ui/t_main_form.h"
#include "ui/t_setting_form.h"

using namespace platform::literals;

namespace {

constexpr std::string_view kDebugSection = "Отладка"_cp1251;
constexpr std::string_view kAutoRunKey = "Режим постоянного автоматического запуска"_cp1251;
constexpr std::string_view kParametersSection = "Параметры"_cp1251;
constexpr std::string_view kCommandSetKey = "Набор команд, выбранный в выпадающем списке"_cp1251;
constexpr std::string_view kHelpTestModeKey = "Режим тестирования окна помощи"_cp1251;

QString text(std::string_view text1251) {
    return QString::fromStdString(platform::cp1251ToUtf8(text1251));
}

class MainFormTest : public testsupport::UiThreadTest {
protected:
    // Paths never pass through 1251: every run here has its folder under a name 1251 lacks.
    MainFormTest() : m_folder(m_app.path() / "café") {
        platform::setApplicationFolder(m_folder);
        std::filesystem::create_directories(m_folder / "cfg");
        std::filesystem::create_directories(m_folder / "cfg_help");
        testsupport::makeLinksOnly(m_folder);
    }
    ~MainFormTest() override {
        m_form.reset();
        Config::destroy();
    }

    void startModem(sim::SimOptions options = {}) {
        m_modem = std::make_unique<sim::SimModem>(options);
        m_modem->start();
        m_modem->linkAs(m_folder, 1);
    }

    void writeList(const std::string& name, const std::vector<std::string>& lines) {
        testsupport::writeCommandList(m_folder, name, lines);
    }

    platform::IniFile ini() const { return platform::IniFile(m_folder / "orvane.ini"); }

    void makeForm() {
        m_form = std::make_unique<TMainForm>();
        m_start = m_form->findChild<QPushButton*>("Btn_Start");
        m_settings = m_form->findChild<QPushButton*>("Btn_Settings");
        m_lists = m_form->findChild<QComboBox*>("Combo_CmdList");
        ASSERT_NE(m_start, nullptr);
        ASSERT_NE(m_settings, nullptr);
        ASSERT_NE(m_lists, nullptr);
    }

    int rowsReading(std::string_view message) const {
        int count = 0;
        for (const Msg::MsgUnit& row : m_form->messages().rows()) {
            count += row.cells.size() > 1 && row.cells[1] == message ? 1 : 0;
        }
        return count;
    }

    testsupport::TempAppFolder m_app;
    const std::filesystem::path m_folder;  // the application folder
    std::unique_ptr<sim::SimModem> m_modem;
    std::unique_ptr<TMainForm> m_form;
    QPushButton* m_start = nullptr;
    QPushButton* m_settings = nullptr;
    QComboBox* m_lists = nullptr;
};

// A stored list is run end to end by tests/e2e and chosen from the settings file by the test
// of a list named beyond 1251; the buttons' states during a run are the next test's.
TEST_F(MainFormTest, TheButtonsShowTheLogAndTheSettings) {
    writeList("A", {"AT<CR> OK"});
    makeForm();

    // The progress button shows and hides the exchange log window.
    QPushButton* progress = m_form->findChild<QPushButton*>("Btn_ShowExchangeLogForm");
    ASSERT_NE(progress, nullptr);
    progress->click();
    EXPECT_TRUE(m_form->exchangeLogForm().isVisible());
    progress->click();
    EXPECT_FALSE(m_form->exchangeLogForm().isVisible());

    // Outside a run the settings button opens the dialog modally over the window; a later
    // press reuses it.
    bool shownModal = false;
    QTimer::singleShot(0, m_form.get(), [&] {
        TSettingForm* dialog = m_form->settingForm();
        ASSERT_NE(dialog, nullptr);
        shownModal = dialog->isVisible() && dialog->isModal() && dialog->parent() == m_form.get();
        dialog->Btn_ApplyClick();
    });
    m_settings->click();
    EXPECT_TRUE(shownModal);
    TSettingForm* const first = m_form->settingForm();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->wasApplied());
    EXPECT_FALSE(first->isVisible());
    QTimer::singleShot(0, m_form.get(), [&] { m_form->settingForm()->Btn_CancelClick(); });
    m_settings->click();
    EXPECT_EQ(m_form->settingForm(), first);
    EXPECT_FALSE(first->wasApplied());
}

TEST_F(MainFormTest, ARunDisablesTheSettingsAndAStopRequestStartUntilTheRunHasEnded) {
    sim::SimOptions options;
    options.faults.silent = true;  // the search goes on until it is stopped
    startModem(options);
    writeList("a", {"AT<CR> OK"});
    writeList("b", {"AT<CR> OK"});
    makeForm();
    EXPECT_EQ(m_lists->currentText(), "a");  // the default choice "0" names no list

    EXPECT_EQ(m_start->text(), text("СТАРТ"_cp1251));
    m_start->click();
    EXPECT_EQ(m_start->text(), text("СТОП"_cp1251));
    EXPECT_FALSE(m_settings->isEnabled());
    EXPECT_TRUE(m_start->isEnabled());
    ASSERT_TRUE(runUntil([&] { return !m_form->messages().rows().empty(); }));
    m_start->click();
    EXPECT_FALSE(m_start->isEnabled());
    EXPECT_FALSE(m_settings->isEnabled());
    EXPECT_EQ(m_start->text(), text("СТОП"_cp1251));
    ASSERT_TRUE(runUntil([&] { return m_start->isEnabled(); }));
    EXPECT_FALSE(m_form->tester().isStarted());
    EXPECT_EQ(m_start->text(), text("СТАРТ"_cp1251));
    EXPECT_TRUE(m_settings->isEnabled());
    EXPECT_EQ(rowsReading("Тестирование прервано пользователем."_cp1251), 1);
}

// Continuous mode: СТОП in a 30 s answer wait ends the run at once; the settings dialog, opened
// before the restart falls due, holds it until 100 ms after it closed; the stop does not cancel
// the next run's search. Closed during the wait, the window goes at once and saves its choice.
TEST_F(MainFormTest, ContinuousRunsStopAtOnceAndWaitForTheSettingsDialog) {
    using Clock = std::chrono::steady_clock;
    startModem();
    writeList("first", {"AT<CR> OK"});
    writeList("long", {"AT<CR> OK", "ATI<CR> NEVER 30000"});
    ini().writeBool(kDebugSection, kAutoRunKey, true);
    makeForm();
    m_lists->setCurrentIndex(1);
    emit m_lists->activated(1);
    const auto written = [this](long times) {
        return runUntil([&] {
            const std::vector<std::string> heard = m_modem->stats().commandLines;
            return std::count(heard.begin(), heard.end(), "ATI") == times;
        });
    };
    bool startedUnderDialog = true;
    bool opened = false;
    Clock::time_point closed;
    const std::function<void()> windowHandler = m_form->tester().onFinished;
    m_form->tester().onFinished = [&] {
        windowHandler();
        if (std::exchange(opened, true)) {
            return;
        }
        QTimer::singleShot(0, m_form.get(), [&] {
            QTimer::singleShot(500, m_form.get(), [&] {
                startedUnderDialog = m_form->tester().isStarted();
                closed = Clock::now();
                m_form->settingForm()->Btn_ApplyClick();
            });
            m_settings->click();
        });
    };

    m_start->click();
    ASSERT_TRUE(written(1));
    const auto stopped = Clock::now();
    m_start->click();
    EXPECT_LT(Clock::now() - stopped, std::chrono::seconds(2));
    EXPECT_EQ(rowsReading("ATI : Ошибка"_cp1251), 1);
    EXPECT_EQ(rowsReading("Выполнено 2 команд (OK 1, ошибок 1)."_cp1251), 1);
    EXPECT_EQ(rowsReading("Тестирование завершено."_cp1251), 1);

    ASSERT_TRUE(runUntil([&] { return m_form->tester().isStarted(); }));
    EXPECT_FALSE(startedUnderDialog);
    EXPECT_GE(Clock::now() - closed, std::chrono::milliseconds(TMainForm::kRestartMs));
    ASSERT_TRUE(written(2));
    EXPECT_EQ(rowsReading("Проверка порта 1. Скорость 115200. Модем найден."_cp1251), 2);
    const auto closing = Clock::now();
    m_form.reset();
    EXPECT_LT(Clock::now() - closing, std::chrono::seconds(2));
    EXPECT_EQ(ini().readString(kParametersSection, kCommandSetKey, {}), "long");
}

}  // namespace

TEST_F(MainFormTest, F1ShowsTheHelpOfTheListShownFirstAndOfTheListChosenLater) {
    const testsupport::CurrentFolder work(m_folder);  // the help window's trace lands here
    writeList("a", {"AT<CR> OK"});
    writeList("b", {"AT<CR> OK"});
    std::ofstream(m_folder / "cfg_help" / "a.txt") << "a";
    makeForm();
    EXPECT_TRUE(m_form->helpManager().additionalPath().filename() == "a.txt");
    // A page for the list chosen later is picked up by the choice, whatever its letter case.
    std::ofstream(m_folder / "cfg_help" / "B.HTML") << "<html><body>b</body></html>";
    m_lists->setCurrentIndex(1);
    emit m_lists->activated(1);

    m_form->show();
    QApplication::setActiveWindow(m_form.get());
    ASSERT_TRUE(runUntil([&] { return m_form->isActiveWindow(); }));
    QTest::keyClick(m_form.get(), Qt::Key_F1);
    ASSERT_NE(m_form->helpManager().window(), nullptr);
    EXPECT_TRUE(m_form->helpManager().window()->isVisible());
    EXPECT_EQ(m_form->helpManager().window()->parent(), m_form.get());
    EXPECT_TRUE(m_form->helpManager().additionalPath().filename() == "B.HTML");
}

TEST_F(MainFormTest, AListNamedBeyond1251IsShownRunHelpedAndKeptInAUtf8SettingsFile) {
    startModem();
    const testsupport::CurrentFolder work(m_folder);  // the help window's trace lands here
    writeList("a", {"AT<CR> OK"});
    writeList("José", {"AT<CR> OK", "ATI<CR> OK"});
    std::ofstream(m_folder / "cfg_help" / "José.txt") << "help";
    std::ofstream(m_folder / "orvane.ini")  // UTF-8, as a Linux editor writes it
        << "[Параметры]\nНабор команд, выбранный в выпадающем списке=José\n";
    makeForm();

    EXPECT_EQ(m_lists->currentText(), "Jos?");
    EXPECT_EQ(m_form->tester().commandListFile(), m_folder / "cfg" / "José.cmd_list");
    m_form->findChild<QAction*>("Action_Help")->trigger();
    EXPECT_TRUE(m_form->helpManager().additionalFrame()->memoShown());
    m_start->click();
    ASSERT_TRUE(runUntil([&] { return !m_form->tester().isStarted(); }));
    EXPECT_EQ(rowsReading("Выполнено 2 команд (OK 2, ошибок 0)."_cp1251), 1);

    m_form.reset();
    EXPECT_NE(testsupport::readBytes(m_folder / "orvane.ini").find("списке=José\n"),
              std::string::npos);
}

TEST_F(MainFormTest, InHelpTestModeTheHelpCommandStartsAndStopsTheHelpTester) {
    writeList("a", {"AT<CR> OK"});
    writeList("b", {"AT<CR> OK"});
    ini().writeBool(kDebugSection, kHelpTestModeKey, true);
    makeForm();
    QAction* action = m_form->findChild<QAction*>("Action_Help");
    ASSERT_NE(action, nullptr);
    action->trigger();
    EXPECT_TRUE(m_form->helpTester().isRunning());
    EXPECT_EQ(m_form->helpManager().window(), nullptr);  // the tester opens it on its own time
    action->trigger();
    EXPECT_FALSE(m_form->helpTester().isRunning());
}
