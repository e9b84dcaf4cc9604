#include "ui/t_main_form.h"

#include <QAction>
#include <QComboBox>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QString>

#include "common/text_utils.h"
#include "common_storage/application_adjuster.h"
#include "common_storage/config.h"
#include "platform/cp1251.h"
#include "tester/command_list_files.h"
#include "tester/modem_tester.h"
#include "tester/t_timer_wrap.h"
#include "ui/help_manager.h"
#include "ui/help_tester.h"
#include "ui/message_copy.h"
#include "ui/msg_grid.h"
#include "ui/qt_window_access.h"
#include "ui/t_exchange_log_form.h"
#include "ui/t_setting_form.h"
#include "ui/widget_helpers.h"
#include "ui_t_main_form.h"

using namespace platform::literals;

namespace {

QString toQString(std::string_view text1251) {
    return QString::fromStdString(platform::cp1251ToUtf8(text1251));
}

}  // namespace

// The placement keeper's view of the main window.
class TMainForm::Access final : public QtWindowAccess<MainWindowAccess> {
public:
    using QtWindowAccess::QtWindowAccess;
    void setApplicationTitle(std::string_view title) override {
        QGuiApplication::setApplicationDisplayName(toQString(title));
    }
};

TMainForm::TMainForm(QWidget* parent, const std::filesystem::path& messageCopy)
    : QWidget(parent), m_ui(std::make_unique<Ui::TMainForm>()) {
    m_ui->setupUi(this);
    addAction(m_ui->Action_Help);
    m_access = std::make_unique<Access>(*this);

    m_messages = std::make_unique<MsgGrid>(m_ui->Panel_Log, true);
    InfoViewerI* messages = m_messages.get();
    if (!messageCopy.empty()) {
        m_messageCopy = std::make_unique<MessageCopy>(*m_messages, messageCopy);
        messages = m_messageCopy.get();
    }
    m_adjuster = std::make_unique<ApplicationAdjuster>(*m_access, true);
    m_tester = std::make_unique<ModemTester>(*messages);
    m_restartTimer = std::make_unique<TTimerWrap>(kRestartMs, false);
    m_exchangeLogForm = new TExchangeLogForm(this);
    m_helpManager = std::make_unique<HelpManager>(this);
    m_helpTester = std::make_unique<HelpTester>(
        *m_ui->Combo_CmdList, [this] { Combo_CmdListChange(); }, *m_helpManager);

    // Lines arrive from the modem's threads; queued, they never wait for this thread.
    m_exchangeLogForm->hide();
    m_exchangeLogForm->setBuffered(true);
    m_messages->setFirstColumnWidth(kTimeColumnWidth);

    Config& config = Config::instance();
    m_helpManager->onAvailabilityChanged = [this](bool available) {
        m_ui->Btn_HelpWin->setEnabled(available);
    };
    m_helpManager->setCommonFile(config.help_file());
    fillCommandList();
    m_exchangeLogForm->setShowLineBreaks(config.show_line_breaks());
    m_tester->setExchangeLogWindow(m_exchangeLogForm);
    m_tester->onFinished = [this] { testFinished(); };
    m_restartTimer->setJob([this] { Btn_StartClick(); });

    connect(m_ui->Btn_Start, &QPushButton::clicked, this, [this] { Btn_StartClick(); });
    connect(m_ui->Combo_CmdList, &QComboBox::activated, this, [this] { Combo_CmdListChange(); });
    connect(m_ui->Btn_Settings, &QPushButton::clicked, this, [this] { Btn_SettingsClick(); });
    connect(m_ui->Btn_ShowExchangeLogForm, &QPushButton::clicked, this,
            [this] { Btn_ShowExchangeLogFormClick(); });
    connect(m_ui->Btn_HelpWin, &QPushButton::clicked, m_ui->Action_Help, &QAction::trigger);
    connect(m_ui->Action_Help, &QAction::triggered, this, [this] { Action_HelpExecute(); });
}

TMainForm::~TMainForm() {
    // Nothing may start a run again while the window goes: the restart timer could fire
    // while the stop waits for the modem worker.
    m_restartTimer->stop();
    m_tester->onFinished = [] {};
    m_tester->stop();

    Config& config = Config::instance();
    config.set_command_set(ui::comboSelectedName(*m_ui->Combo_CmdList));
    if (m_exchangeLogForm != nullptr) {
        config.set_show_line_breaks(m_exchangeLogForm->showLineBreaks());
    }

    // The job thread may still be checking a port and reporting its bytes: cut the window
    // off before it goes.
    m_tester->setExchangeLogWindow(nullptr);
    delete m_settingForm;
    m_settingForm = nullptr;
    delete m_exchangeLogForm;
    m_exchangeLogForm = nullptr;

    m_helpTester.reset();
    m_helpManager.reset();
    m_restartTimer.reset();
    m_tester.reset();  // saves the settings file
    m_adjuster.reset();
    m_messageCopy.reset();
    m_messages.reset();
}

void TMainForm::fillCommandList() {
    FilesList files;
    m_tester->listCommandFiles(files);
    Msg::Strings titles;
    titles.reserve(files.size());
    for (const std::string& file : files) {
        titles.push_back(SimpleUtils::fileTitleOf(file));
    }
    ui::fillComboNames(*m_ui->Combo_CmdList, titles);

    const std::string& stored = Config::instance().command_set();
    for (std::size_t i = 0; i < titles.size() && !stored.empty(); ++i) {
        if (titles[i] == stored) {
            m_ui->Combo_CmdList->setCurrentIndex(static_cast<int>(i));
            break;
        }
    }
    // The first list too: the list shown is the one whose help F1 opens.
    if (m_ui->Combo_CmdList->currentIndex() >= 0) {
        Combo_CmdListChange();
    }
}

void TMainForm::Combo_CmdListChange() {
    const std::string name = ui::comboSelectedName(*m_ui->Combo_CmdList);
    m_tester->setCommandListFile(name);
    m_helpManager->setAdditionalFile(name);
}

void TMainForm::Btn_StartClick() {
    if (!m_tester->isStarted()) {
        m_ui->Btn_Start->setText(toQString("СТОП"_cp1251));
        m_ui->Btn_Settings->setEnabled(false);
        m_tester->start();
    } else {
        m_ui->Btn_Start->setEnabled(false);
        m_tester->stop();
    }
}

void TMainForm::testFinished() {
    m_ui->Btn_Start->setText(toQString("СТАРТ"_cp1251));
    m_ui->Btn_Settings->setEnabled(true);
    m_ui->Btn_Start->setEnabled(true);
    if (Config::instance().auto_run()) {
        if (m_settingsOpen) {
            m_restartHeld = true;
        } else {
            m_restartTimer->startOnce();
        }
    }
}

void TMainForm::Btn_SettingsClick() {
    if (m_settingForm == nullptr) {
        m_settingForm = new TSettingForm(this);
    }
    AtCmdParamMtList commands;
    loadCommandList(m_tester->commandListFile(), commands);
    m_settingForm->loadSettings(Config::instance(), commands);
    // No run may start under the dialog: "Применить" and a search would overwrite each
    // other's port and rate.
    m_restartHeld = m_restartTimer->isRunning();
    m_restartTimer->stop();
    m_settingsOpen = true;
    m_settingForm->exec();
    m_settingsOpen = false;
    if (m_settingForm->wasApplied()) {
        m_tester->applySettings();
    }
    if (m_restartHeld) {
        m_restartHeld = false;
        m_restartTimer->startOnce();
    }
}

void TMainForm::Btn_ShowExchangeLogFormClick() {
    m_exchangeLogForm->setVisible(m_exchangeLogForm->isHidden());
}

void TMainForm::Action_HelpExecute() {
    if (!Config::instance().help_test_mode()) {
        m_helpManager->showHelp();
    } else if (m_helpTester->isRunning()) {
        m_helpTester->stop();
    } else {
        m_helpTester->start();
    }
}

void QtWarningBox::showWarning(std::string_view text, std::string_view caption) {
    QMessageBox box(QMessageBox::Warning, toQString(caption), toQString(text), QMessageBox::Ok);
    box.exec();
}
