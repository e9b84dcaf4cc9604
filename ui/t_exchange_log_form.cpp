#include "ui/t_exchange_log_form.h"

#include <QMenu>
#include <QPlainTextEdit>
#include <QString>
#include <QTextDocument>
#include <utility>

#include "common/text_utils.h"
#include "platform/cp1251.h"

#include "platform/ui_thread.h"
#include "ui_t_exchange_log_form.h"

TExchangeLogForm::TExchangeLogForm(QWidget* parent)
    : QWidget(parent),
      m_ui(std::make_unique<Ui::TExchangeLogForm>()),
      m_drainTimer(
          std::make_unique<platform::UiTimer>([this] { drainTimerTick(); }, kDrainIntervalMs)) {
    m_ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint);

    m_contextMenu = new QMenu(this);
    m_contextMenu->addAction(m_ui->MenuItem_Clear);

    connect(m_ui->BtnClear, &QPushButton::clicked, this, [this] { MenuItem_ClearClick(); });
    connect(m_ui->MenuItem_Clear, &QAction::triggered, this, [this] { MenuItem_ClearClick(); });
    connect(m_ui->ActionClose, &QAction::triggered, this, [this] { ActionCloseExecute(); });
    connect(m_ui->LogMemo, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { showContextMenu(pos); });
}

TExchangeLogForm::~TExchangeLogForm() = default;

void TExchangeLogForm::addLine(const std::string& line) {
    {
        std::lock_guard<std::mutex> lock(m_pendingMutex);
        if (m_buffered) {
            m_pendingLines.push_back(line);
            if (!m_drainTimer->isRunning()) {
                m_drainTimer->start();
            }
            return;
        }
    }
    showLine(line);
}

void TExchangeLogForm::setBuffered(bool on) {
    std::lock_guard<std::mutex> lock(m_pendingMutex);
    m_buffered = on;
}

bool TExchangeLogForm::showLineBreaks() const {
    return m_ui->Check_UnescapeStr->isChecked();
}

void TExchangeLogForm::setShowLineBreaks(bool on) {
    m_ui->Check_UnescapeStr->setChecked(on);
}

void TExchangeLogForm::MenuItem_ClearClick() {
    m_ui->LogMemo->clear();
}

void TExchangeLogForm::ActionCloseExecute() {
    hide();
}

void TExchangeLogForm::showContextMenu(const QPoint& pos) {
    m_contextMenu->popup(m_ui->LogMemo->mapToGlobal(pos));
}

void TExchangeLogForm::drainTimerTick() {
    std::vector<std::string> lines;
    {
        std::lock_guard<std::mutex> lock(m_pendingMutex);
        if (m_pendingLines.empty()) {
            m_drainTimer->stop();
            return;
        }
        lines.swap(m_pendingLines);
    }
    for (std::string& line : lines) {
        showLine(std::move(line));
    }
}

void TExchangeLogForm::showLine(std::string line) {
    if (shownLineCount() >= kMaxLines) {
        m_ui->LogMemo->clear();
    }
    // Unescaped, the box itself starts a new line at CR LF (and at a lone CR or LF).
    if (m_ui->Check_UnescapeStr->isChecked()) {
        SimpleUtils::escapeLineBreaks(line);
    }
    m_ui->LogMemo->appendPlainText(QString::fromUtf8(platform::cp1251ToUtf8(line)));
}

int TExchangeLogForm::shownLineCount() const {
    const QTextDocument* document = m_ui->LogMemo->document();
    // An empty box still has one empty block, but holds no line.
    return document->isEmpty() ? 0 : document->blockCount();
}
