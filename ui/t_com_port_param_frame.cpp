#include "ui/t_com_port_param_frame.h"

#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QResizeEvent>
#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <string>

#include "platform/serial_device_map.h"
#include "ui/widget_helpers.h"
#include "ui_t_com_port_param_frame.h"

namespace {

constexpr int kComboLeft = 56;
constexpr int kComboRightMargin = 4;
// The port box keeps its form width; the device beside it takes the rest of the row.
constexpr int kPortComboWidth = 66;
constexpr int kDeviceGap = 6;

// "/dev/ttyUSB2  usb-Vendor_Modem-if00-port0", the stable name only when there is one.
QString portDeviceText(int port) {
    const platform::SerialPortTarget target = platform::describeSerialPort(port);
    QString noDevice = QString::fromUtf8("нет устройства");
    if (target.kind == platform::SerialPortTarget::Kind::None) {
        return noDevice;
    }
    const QString device = QString::fromStdString(target.device.string());
    if (!target.present) {
        return device + QStringLiteral(" (") + noDevice + QLatin1Char(')');
    }
    const std::filesystem::path stable = platform::stableSerialName(target.device);
    return stable.empty()
               ? device
               : device + QStringLiteral("  ") + QString::fromStdString(stable.filename().string());
}

// A run of digits too long for an int is still a number, and a large one: it keeps the box at
// its highest port instead of dropping back to 1.
int portFromText(const QString& text) {
    const std::string bytes = text.toStdString();
    const int value = ui::intFromText(bytes, -1);
    if (value != -1) {
        return value;
    }
    const auto first = bytes.find_first_not_of(" \t");
    if (first != std::string::npos &&
        std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(first), bytes.end(),
                    [](char c) { return c >= '0' && c <= '9'; })) {
        return TComPortParamFrame::kHighestPort;
    }
    return 1;
}

}  // namespace

TComPortParamFrame::TComPortParamFrame(QWidget* parent)
    : TComPortParamFrame(standardBaudRates.front(), standardBaudRates.back(), parent) {}

TComPortParamFrame::TComPortParamFrame(std::int32_t lowest, std::int32_t highest, QWidget* parent)
    : QFrame(parent), m_ui(std::make_unique<Ui::TComPortParamFrame>()) {
    m_ui->setupUi(this);
    for (const std::int32_t rate : standardBaudRates) {
        if (rate >= lowest && rate <= highest) {
            m_rates.push_back(rate);
        }
    }

    ui::fillComboNumbers(*m_ui->Combo_PortNumber, kLowestPort, kPortItems);
    m_ui->Combo_PortNumber->setMaxVisibleItems(kPortItems);
    const std::vector<int> rates(m_rates.begin(), m_rates.end());
    ui::fillComboNumbers(*m_ui->Combo_BaudRate, rates);
    m_ui->Combo_BaudRate->setMaxVisibleItems(std::max(1, static_cast<int>(rates.size())));
    m_ui->Combo_BaudRate->setCurrentIndex(-1);

    m_ui->Combo_PortNumber->lineEdit()->installEventFilter(this);
    connect(m_ui->Combo_PortNumber, &QComboBox::editTextChanged, this,
            [this] { Combo_PortNumberChange(); });
    connect(m_ui->Combo_PortNumber, &QComboBox::activated, this,
            [this] { Combo_PortNumberClick(); });
    connect(m_ui->Combo_BaudRate, &QComboBox::currentIndexChanged, this,
            [this] { Combo_BaudRateChange(); });
    showPortDevice();
}

TComPortParamFrame::~TComPortParamFrame() = default;

void TComPortParamFrame::setPort(int port) {
    m_ui->Combo_PortNumber->setEditText(QString::number(port));
    normalisePortText();
}

int TComPortParamFrame::port() const {
    return portFromText(m_ui->Combo_PortNumber->currentText());
}

void TComPortParamFrame::setBaud(std::int32_t rate) {
    const auto found = std::find(m_rates.begin(), m_rates.end(), rate);
    if (found != m_rates.end()) {
        m_ui->Combo_BaudRate->setCurrentIndex(static_cast<int>(found - m_rates.begin()));
    }
}

std::int32_t TComPortParamFrame::baud() const {
    if (m_rates.empty()) {
        return 0;
    }
    const int last = static_cast<int>(m_rates.size()) - 1;
    const int index = std::clamp(m_ui->Combo_BaudRate->currentIndex(), 0, last);
    return m_rates[static_cast<std::size_t>(index)];
}

bool TComPortParamFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui->Combo_PortNumber->lineEdit() && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!Combo_PortNumberKeyPress(key->key(), key->text())) {
            return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}

void TComPortParamFrame::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    const int panelWidth = width();
    const int comboWidth = std::max(0, panelWidth - kComboLeft - kComboRightMargin);
    for (QWidget* panel :
         {static_cast<QWidget*>(m_ui->Panel_Port), static_cast<QWidget*>(m_ui->Panel_Baud)}) {
        panel->resize(panelWidth, panel->height());
    }
    m_ui->Combo_BaudRate->resize(comboWidth, m_ui->Combo_BaudRate->height());
    m_ui->Combo_PortNumber->resize(std::min(kPortComboWidth, comboWidth),
                                   m_ui->Combo_PortNumber->height());
    fitPortDevice();
}

bool TComPortParamFrame::Combo_PortNumberKeyPress(int key, const QString& text) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        commitPort();
        return false;
    }
    if (key == Qt::Key_Backspace) {
        return false;
    }
    // Keys without a printable character (cursor keys, Delete, shortcuts such as paste) are
    // left to the box; whatever they change is normalised afterwards.
    if (text.size() != 1 || !text.front().isPrint()) {
        return true;
    }
    const char16_t c = text.front().unicode();
    return c < 0x80 && m_portValidator.isAllowed(static_cast<char>(c));
}

void TComPortParamFrame::Combo_PortNumberChange() {
    normalisePortText();
}

void TComPortParamFrame::Combo_PortNumberClick() {
    commitPort();
}

void TComPortParamFrame::Combo_BaudRateChange() {
    if (onBaudChanged) {
        onBaudChanged(baud());
    }
    if (onChanged) {
        onChanged();
    }
}

void TComPortParamFrame::normalisePortText() {
    const int port =
        std::clamp(portFromText(m_ui->Combo_PortNumber->currentText()), kLowestPort, kHighestPort);
    const QString text = QString::number(port);
    if (text != m_ui->Combo_PortNumber->currentText()) {
        m_ui->Combo_PortNumber->setEditText(text);
    }
    showPortDevice();
}

void TComPortParamFrame::showPortDevice() {
    const QString device = portDeviceText(port());
    if (device != m_portDevice) {
        m_portDevice = device;
        m_ui->Label_PortDevice->setToolTip(device);
        fitPortDevice();
    }
}

void TComPortParamFrame::fitPortDevice() {
    QLabel& label = *m_ui->Label_PortDevice;
    const QRect box = m_ui->Combo_PortNumber->geometry();
    const int left = box.right() + 1 + kDeviceGap;
    label.setGeometry(left, label.y(), std::max(0, width() - left - kComboRightMargin),
                      label.height());
    label.setText(label.fontMetrics().elidedText(m_portDevice, Qt::ElideMiddle, label.width()));
}

void TComPortParamFrame::commitPort() {
    if (onPortChanged) {
        onPortChanged(port());
    }
    if (onChanged) {
        onChanged();
    }
}
