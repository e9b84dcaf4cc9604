#pragma once

// The help window: two tabs, the general page and the page of the selected command list.

#include <QWidget>
#include <memory>

class WindowAccess;
class WindowPlacer;

namespace Ui {
class THelpForm;
}

class THelpForm : public QWidget {
    Q_OBJECT

public:
    // A top-level window even with a parent: closing the parent ends it too.
    explicit THelpForm(QWidget* parent = nullptr);
    ~THelpForm() override;
    THelpForm(const THelpForm&) = delete;
    THelpForm& operator=(const THelpForm&) = delete;

    enum Tab { kCommonTab = 0, kAdditionalTab = 1 };
    // Puts a page view on a tab, filling it.
    void placeOnTab(Tab tab, QWidget* view);

public slots:
    void ActionCloseExecute();

private:
    std::unique_ptr<Ui::THelpForm> m_ui;
    std::unique_ptr<WindowAccess> m_access;
    // Last member: it goes first and reads the window's placement while the window is whole.
    std::unique_ptr<WindowPlacer> m_placer;
};
