#include "ui/help_form.h"

#include <QAction>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <string>

#include "common_storage/window_access.h"
#include "common_storage/window_placer.h"
#include "platform/cp1251.h"
#include "ui/qt_window_access.h"
#include "ui_help_form.h"

using namespace platform::literals;

THelpForm::THelpForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint),
      m_ui(std::make_unique<Ui::THelpForm>()) {
    m_ui->setupUi(this);
    addAction(m_ui->ActionClose);
    connect(m_ui->ActionClose, &QAction::triggered, this, &THelpForm::ActionCloseExecute);
    m_access = std::make_unique<QtWindowAccess<WindowAccess>>(*this);
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
