#include "ui/t_setting_form.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <string>

#include "common/text_utils.h"
#include "common_storage/config.h"
#include "modem/baudrate_param.h"
#include "platform/cp1251.h"
#include "ui/msg_grid.h"
#include "ui/t_com_port_param_frame.h"
#include "ui/widget_helpers.h"
#include "ui_t_setting_form.h"

using namespace platform::literals;

namespace {

constexpr int kButtonLeft = 24;
// The buttons keep the margin on their right that they have on their left.
constexpr int kButtonRightMargin = kButtonLeft;

std::unique_ptr<MsgGrid> makeGrid(QFrame* panel, const Msg::Strings& captions,
                                  int firstColumnWidth) {
    auto grid = std::make_unique<MsgGrid>(panel, false);
    grid->setColumns(captions);
    grid->setFirstColumnWidth(firstColumnWidth);
    grid->setAutoScroll(false);
    return grid;
}

void addCommandRow(MsgGrid& grid, const AtCmdParamMt& record) {
    Msg::MsgUnit row;
    row.cells = {record.command, record.answer};
    for (std::string& cell : row.cells) {
        SimpleUtils::escapeLineBreaks(cell);
    }
    grid.addRow(row);
}

}  // namespace

TSettingForm::TSettingForm(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TSettingForm>()) {
    m_ui->setupUi(this);

    m_portFrame = new TComPortParamFrame(kLowestBaud, kHighestBaud, m_ui->Panel_PortParam);
    auto* portLayout = new QVBoxLayout(m_ui->Panel_PortParam);
    portLayout->setContentsMargins(0, 0, 0, 0);
    portLayout->addWidget(m_portFrame);

    m_baudGrid =
        makeGrid(m_ui->Panel_BaudGrid,
                 Msg::Strings{std::string("Скорость"_cp1251), std::string("Ожидание, мс"_cp1251)},
                 kBaudColumnWidth);
    m_searchCommandGrid =
        makeGrid(m_ui->Panel_SearchCmdGrid,
                 Msg::Strings{std::string("Команда"_cp1251), std::string("Ответ"_cp1251)},
                 kCommandColumnWidth);
    m_configCommandGrid =
        makeGrid(m_ui->Panel_ConfigCmdGrid,
                 Msg::Strings{std::string("Команда"_cp1251), std::string("Ответ"_cp1251)},
                 kCommandColumnWidth);

    m_ui->PageControl->setCurrentIndex(0);
    for (QFrame* panel : findChildren<QFrame*>()) {
        if (panel->objectName().startsWith(QStringLiteral("Panel_"))) {
            ui::removeBevels(*panel);
        }
    }

    m_ui->Panel_Buttons->installEventFilter(this);
    connect(m_ui->Btn_Apply, &QPushButton::clicked, this, [this] { Btn_ApplyClick(); });
    connect(m_ui->Btn_Cancel, &QPushButton::clicked, this, [this] { Btn_CancelClick(); });
    connect(m_ui->ActionClose, &QAction::triggered, this, [this] { ActionCloseExecute(); });
}

TSettingForm::~TSettingForm() = default;

void TSettingForm::loadSettings(Config& config, const AtCmdParamMtList& configCommands) {
    m_applied = false;
    m_config = &config;

    m_ui->Check_AutoSearchPort->setChecked(!config.only_one_port());
    m_ui->Check_PortsInTurn->setChecked(config.one_port_at_a_time());
    if (config.last_port() > 0) {
        m_portFrame->setPort(config.last_port());
    }
    if (config.last_baud() > 0) {
        m_portFrame->setBaud(config.last_baud());
    }

    m_baudGrid->clear();
    BaudrateParams plan;
    baud_list_from_text(config.baud_list(), plan);
    for (const BaudrateParam& entry : plan) {
        Msg::MsgUnit row;
        row.cells = {std::to_string(entry.baudRate), std::to_string(entry.answerWaitMs)};
        m_baudGrid->addRow(row);
    }

    m_searchCommandGrid->clear();
    AtCmdParamMtList searchCommands;
    parseCommandLines(config.search_commands(), searchCommands);
    for (const AtCmdParamMt& record : searchCommands) {
        addCommandRow(*m_searchCommandGrid, record);
    }

    m_configCommandGrid->clear();
    for (const AtCmdParamMt& record : configCommands) {
        addCommandRow(*m_configCommandGrid, record);
    }
}

void TSettingForm::Btn_ApplyClick() {
    m_applied = true;
    if (m_config != nullptr) {
        m_config->set_only_one_port(!m_ui->Check_AutoSearchPort->isChecked());
        m_config->set_one_port_at_a_time(m_ui->Check_PortsInTurn->isChecked());
        m_config->set_last_port(m_portFrame->port());
        m_config->set_last_baud(m_portFrame->baud());
    }
    accept();
}

void TSettingForm::Btn_CancelClick() {
    reject();
}

void TSettingForm::ActionCloseExecute() {
    reject();
}

void TSettingForm::reject() {
    m_applied = false;
    QDialog::reject();
}

bool TSettingForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui->Panel_Buttons && event->type() == QEvent::Resize) {
        stretchButtons();
    }
    return QDialog::eventFilter(watched, event);
}

void TSettingForm::stretchButtons() {
    const int width = std::max(0, m_ui->Panel_Buttons->width() - kButtonLeft - kButtonRightMargin);
    for (QPushButton* button : {m_ui->Btn_Apply, m_ui->Btn_Cancel}) {
        button->resize(width, button->height());
    }
}
