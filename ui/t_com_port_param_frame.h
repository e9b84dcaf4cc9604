#pragma once

// The port number and baud rate pair edited in the settings dialog: an editable port box that
// always holds a number from 1 to 999, beside it the device that number leads to, and a list
// of baud rates to choose from.

#include <QFrame>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "common/validator.h"

namespace Ui {
class TComPortParamFrame;
}

class TComPortParamFrame final : public QFrame {
    Q_OBJECT

public:
    static constexpr std::array<std::int32_t, 13> standardBaudRates{
        110, 300, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600};
    static constexpr int kPortItems = 20;
    static constexpr int kLowestPort = 1;
    static constexpr int kHighestPort = 999;

    // Offers every standard rate.
    explicit TComPortParamFrame(QWidget* parent = nullptr);
    // Offers the standard rates from lowest to highest, both included.
    TComPortParamFrame(std::int32_t lowest, std::int32_t highest, QWidget* parent = nullptr);
    ~TComPortParamFrame() override;

    void setPort(int port);
    // The port box as a number; 1 when it holds none.
    int port() const;
    // A rate that is not offered leaves the selection as it is.
    void setBaud(std::int32_t rate);
    // The selected rate; the first offered one while nothing is selected, 0 when none is offered.
    std::int32_t baud() const;

    const std::vector<std::int32_t>& offeredRates() const { return m_rates; }

    // Not set by the settings dialog; the frame calls whichever is set.
    std::function<void(int)> onPortChanged;
    std::function<void(std::int32_t)> onBaudChanged;
    std::function<void()> onChanged;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // False when the key is to be discarded.
    bool Combo_PortNumberKeyPress(int key, const QString& text);
    void Combo_PortNumberChange();
    void Combo_PortNumberClick();
    void Combo_BaudRateChange();

    void normalisePortText();
    void commitPort();
    // The device the number in the box leads to, beside the box; nothing is opened.
    void showPortDevice();
    void fitPortDevice();

    std::unique_ptr<Ui::TComPortParamFrame> m_ui;
    std::vector<std::int32_t> m_rates;
    SimpleUtils::ValidatorInt m_portValidator{false};
    QString m_portDevice;  // in full; the label shows what fits
};
