#pragma once

// The modal dialog "Настройки": the port and baud rate where the modem was last found and
// whether all ports are searched, plus read-only views of the baud-rate search plan, the modem
// search commands and the configuration commands of the selected command list.
//
// The main window creates it once, calls loadSettings before every showing, runs it with
// exec() and, when wasApplied() is true afterwards, hands the new single-port option on.

#include <QDialog>
#include <cstdint>
#include <memory>

#include "modem/at_cmd_param_mt.h"

class Config;
class MsgGrid;
class TComPortParamFrame;

namespace Ui {
class TSettingForm;
}

class TSettingForm final : public QDialog {
    Q_OBJECT

public:
    static constexpr std::int32_t kLowestBaud = 300;
    static constexpr std::int32_t kHighestBaud = 115200;
    static constexpr int kBaudColumnWidth = 70;
    static constexpr int kCommandColumnWidth = 180;

    explicit TSettingForm(QWidget* parent = nullptr);
    ~TSettingForm() override;

    // Shows the stored settings and commands; every unapplied edit of an earlier showing goes.
    // config must outlive the dialog's use of it (the next loadSettings or destruction).
    void loadSettings(Config& config, const AtCmdParamMtList& configCommands);
    bool wasApplied() const { return m_applied; }

    TComPortParamFrame& portFrame() const { return *m_portFrame; }
    const MsgGrid& baudGrid() const { return *m_baudGrid; }
    const MsgGrid& searchCommandGrid() const { return *m_searchCommandGrid; }
    const MsgGrid& configCommandGrid() const { return *m_configCommandGrid; }

    // Handlers of the buttons and of Esc; the window's close button cancels as well.
    void Btn_ApplyClick();
    void Btn_CancelClick();
    void ActionCloseExecute();

    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void stretchButtons();

    std::unique_ptr<Ui::TSettingForm> m_ui;
    Config* m_config = nullptr;
    TComPortParamFrame* m_portFrame = nullptr;  // owned by its panel
    std::unique_ptr<MsgGrid> m_baudGrid;
    std::unique_ptr<MsgGrid> m_searchCommandGrid;
    std::unique_ptr<MsgGrid> m_configCommandGrid;
    bool m_applied = false;
};
