#include "ui/help_form.h"

#include <QAction>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <string>

#include "common_storage/window_access.h"
#include "common_storage/window_placer.h"
#include "platform/cp1251.h"
#include "ui_help_form.h"

using namespace platform::literals;

namespace {

// The placement keeper's view of the window.
class FormAccess final : public WindowAccess {
public:
    explicit FormAccess(QWidget& window) : m_window(&window) {}

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

}  // namespace

THelpForm::THelpForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint),
      m_ui(std::make_unique<Ui::THelpForm>()) {
    m_ui->setupUi(this);
    addAction(m_ui->ActionClose);
    connect(m_ui->ActionClose, &QAction::triggered, this, &THelpForm::ActionCloseExecute);
    m_access = std::make_unique<FormAccess>(*this);
    m_placer = std::make_unique<WindowPlacer>(*m_access, "Помощь"_cp1251, true);
}

THelpForm::~THelpForm() {
    m_placer.reset();
}

void THelpForm::placeOnTab(Tab tab, QWidget* view) {
    QWidget* page = tab == kCommonTab ? m_ui->TabSheet_Common : m_ui->TabSheet_Additional;
    page->layout()->addWidget(view);
}

void THelpForm::ActionCloseExecute() {
    hide();
}
