#include "ui/t_exchange_log_form.h"

#include <QMenu>
#include <QPlainTextEdit>
#include <QString>
#include <QTextDocument>
#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "common/text_utils.h"
#include "common_storage/window_access.h"
#include "common_storage/window_placer.h"
#include "platform/cp1251.h"
#include "platform/ui_thread.h"
#include "ui/qt_window_access.h"
#include "ui_t_exchange_log_form.h"

using namespace platform::literals;

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

    m_access = std::make_unique<QtWindowAccess<WindowAccess>>(*this);
    m_placer = std::make_unique<WindowPlacer>(*m_access, "Лог обмена с модемом"_cp1251, true);
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
    showLines({line});
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
    showLines(std::move(lines));
}

namespace {

std::string lineBreaksAtCrLf(std::string_view line) {
    std::string shown;
    shown.reserve(line.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\r') {
            shown += line[i];
        } else if (i + 1 < line.size() && line[i + 1] == '\n') {
            shown += '\n';
            ++i;
        }
    }
    return shown;
}

}  // namespace

std::string TExchangeLogForm::shownText(std::string line) const {
    if (m_ui->Check_UnescapeStr->isChecked()) {
        SimpleUtils::escapeLineBreaks(line);
        return line;
    }
    // The box breaks a line at CR LF only, as the modem means it; the text control would take
    // CR and LF as two breaks, and a lone CR (the end of every command written) as one. A lone
    // LF still breaks: that is how this platform's text reads.
    return lineBreaksAtCrLf(line);
}

void TExchangeLogForm::showLines(std::vector<std::string> lines) {
    // Only the lines after the last clearing the rule makes can stay in the box. Counting the
    // box's lines as each arrives finds them; appending just those, in one piece, keeps a
    // burst of thousands of lines from holding this thread for seconds.
    int count = shownLineCount();
    bool cleared = false;
    std::string kept;
    bool keptAny = false;
    for (std::string& line : lines) {
        if (count >= kMaxLines) {
            count = 0;
            cleared = true;
            kept.clear();
            keptAny = false;
        }
        std::string text = shownText(std::move(line));
        if (count == 0 && text.empty()) {
            continue;  // an empty line in an empty box leaves it empty
        }
        count += 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
        if (keptAny) {
            kept += '\n';
        }
        kept += text;
        keptAny = true;
    }
    if (cleared) {
        m_ui->LogMemo->clear();
    }
    if (keptAny) {
        m_ui->LogMemo->appendPlainText(QString::fromUtf8(platform::cp1251ToUtf8(kept)));
    }
}

int TExchangeLogForm::shownLineCount() const {
    const QTextDocument* document = m_ui->LogMemo->document();
    // An empty box still has one empty block, but holds no line.
    return document->isEmpty() ? 0 : document->blockCount();
}
