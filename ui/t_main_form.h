#pragma once

// The main window "Тест модема": the operator picks a command list, starts and stops the
// test, and opens the settings, the exchange log and the help. It owns the test controller
// and the message table the controller reports into.

#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "common_storage/window_access.h"

class ApplicationAdjuster;
class HelpManager;
class HelpTester;
class MessageCopy;
class ModemTester;
class MsgGrid;
class QCloseEvent;
class TExchangeLogForm;
class TSettingForm;
class TTimerWrap;

namespace Ui {
class TMainForm;
}

class TMainForm final : public QWidget {
    Q_OBJECT

public:
    static constexpr std::uint32_t kRestartMs = 100;
    static constexpr int kTimeColumnWidth = 60;

    // messageCopy: when not empty, every message given to the table is also appended to this
    // file (the end-to-end tests' seam, see ui/message_copy.h).
    explicit TMainForm(QWidget* parent = nullptr, const std::filesystem::path& messageCopy = {});
    // Stops a run in progress (waiting for the modem worker), stores the choices and saves
    // the settings file.
    ~TMainForm() override;
    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;

    MsgGrid& messages() const { return *m_messages; }
    ModemTester& tester() const { return *m_tester; }
    TExchangeLogForm& exchangeLogForm() const { return *m_exchangeLogForm; }
    HelpManager& helpManager() const { return *m_helpManager; }
    HelpTester& helpTester() const { return *m_helpTester; }
    // Null until the settings button is first pressed.
    TSettingForm* settingForm() const { return m_settingForm; }

private:
    class Access;

    void Btn_StartClick();
    void Combo_CmdListChange();
    void Btn_SettingsClick();
    void Btn_ShowExchangeLogFormClick();
    void Action_HelpExecute();
    void testFinished();
    void fillCommandList();

    std::unique_ptr<Ui::TMainForm> m_ui;
    std::unique_ptr<Access> m_access;
    // Owned objects, in construction order; the destructor takes them apart in its own.
    std::unique_ptr<MsgGrid> m_messages;
    std::unique_ptr<MessageCopy> m_messageCopy;  // null unless asked for; outlives m_tester
    std::unique_ptr<ApplicationAdjuster> m_adjuster;
    std::unique_ptr<ModemTester> m_tester;
    std::unique_ptr<TTimerWrap> m_restartTimer;
    TSettingForm* m_settingForm = nullptr;  // made on first use; a child, deleted by the destructor
    TExchangeLogForm* m_exchangeLogForm = nullptr;  // a child window; deleted by the destructor
    std::unique_ptr<HelpManager> m_helpManager;
    std::unique_ptr<HelpTester> m_helpTester;
    // Continuous mode waits while the settings dialog is open: the restart that was due, or
    // falls due meanwhile, comes kRestartMs after the dialog has closed.
    bool m_settingsOpen = false;
    bool m_restartHeld = false;
};

// The single-instance warning as a modal message box without owner window.
class QtWarningBox final : public WarningBox {
public:
    void showWarning(std::string_view text, std::string_view caption) override;
};
