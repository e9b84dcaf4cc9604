#pragma once

// How the placement keepers of common_storage reach a Qt window: geometry, caption (1251
// inside, UTF-8 in Qt) and the whole virtual desktop. Base is WindowAccess or
// MainWindowAccess.

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QString>
#include <QWidget>
#include <string>
#include <string_view>

#include "common_storage/window_access.h"
#include "platform/cp1251.h"

template <typename Base>
class QtWindowAccess : public Base {
public:
    explicit QtWindowAccess(QWidget& window) : m_window(&window) {}

    WindowRect geometry() const override {
        const QRect rect = m_window->geometry();
        return {rect.x(), rect.y(), rect.width(), rect.height()};
    }
    void setGeometry(const WindowRect& rect) override {
        m_window->setGeometry(rect.left, rect.top, rect.width, rect.height);
    }
    std::string caption() const override {
        return platform::utf8ToCp1251(m_window->windowTitle().toStdString());
    }
    void setCaption(std::string_view caption) override {
        m_window->setWindowTitle(QString::fromStdString(platform::cp1251ToUtf8(caption)));
    }
    WindowRect desktopRect() const override {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (screen == nullptr) {
            return {};
        }
        const QRect rect = screen->virtualGeometry();
        return {rect.x(), rect.y(), rect.width(), rect.height()};
    }

private:
    QWidget* m_window;
};
