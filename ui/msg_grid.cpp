#include "ui/msg_grid.h"

#include <QEvent>
#include <QHeaderView>
#include <QLayout>
#include <QObject>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/cp1251.h"

using namespace platform::literals;

namespace {

// Room left right of the last column, for the vertical scroll bar.
constexpr int kRightMargin = 20;
constexpr int kButtonRightMargin = 22;
constexpr int kButtonBottomMargin = 2;

}  // namespace

// An event filter rather than a replaced handler: whatever watched the panel's resizes
// before (its own handler, other filters) keeps running after the grid's layout.
class MsgGrid::PanelHook : public QObject {
public:
    explicit PanelHook(MsgGrid& owner) : m_owner(owner) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize && watched == m_owner.m_panel) {
            m_owner.layoutGrid();
        }
        return false;
    }

private:
    MsgGrid& m_owner;
};

MsgGrid::MsgGrid(QWidget* panel, bool standardColumns)
    : m_panelHook(std::make_unique<PanelHook>(*this)), m_grid(new StringGrid), m_panel(panel) {
    m_wrap = std::make_unique<TableViewWrap<Msg::MsgUnit>>(m_grid);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    if (m_panel != nullptr) {
        QLayout* layout = m_panel->layout();
        if (layout == nullptr) {
            layout = new QVBoxLayout(m_panel);
            layout->setContentsMargins(0, 0, 0, 0);
            layout->setSpacing(0);
        }
        layout->addWidget(m_grid);
    }
    if (standardColumns) {
        setColumns({std::string{"Время"_cp1251}, std::string{"Сообщение"_cp1251}});
        m_autoScroll = true;
        createClearButton();
        layoutGrid();
    }
}

MsgGrid::~MsgGrid() {
    delete m_grid.data();
}

void MsgGrid::configureGrid() {
    m_grid->setFrameShape(QFrame::NoFrame);
    m_grid->setDefaultRowHeight(kDefaultRowHeight);
    m_grid->setFixedRows(1);
    m_grid->setColumnCount(2);
    m_grid->setRowCount(2);
    m_grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_grid->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
}

void MsgGrid::setColumns(const Msg::Strings& captions) {
    configureGrid();
    layoutGrid();
    TableView<Msg::MsgUnits>& view = m_wrap->view();
    for (std::size_t i = 0; i < captions.size(); ++i) {
        view.addField(m_wrap->own(std::make_unique<msg_grid_table::CellField>(
            captions[i], static_cast<std::int32_t>(i))));
    }
    if (m_grid->columnCount() < static_cast<int>(captions.size())) {
        m_grid->setColumnCount(static_cast<int>(captions.size()));
    }
    // The table points its binder at its rows from the start.
    m_wrap->binder().attachViewer(&view);
    view.update();
    // Adding the columns one by one recreated their sections at the default width.
    layoutGrid();
}

void MsgGrid::layoutGrid() {
    if (m_panel == nullptr) {
        return;
    }
    if (!m_resizeHooked) {
        m_panel->installEventFilter(m_panelHook.get());
        m_resizeHooked = true;
    }
    // The grid fills the panel's contents, so the panel's size is the grid's even before
    // the panel's layout has caught up with a resize.
    const QRect area = m_panel->contentsRect();
    if (m_grid != nullptr) {
        m_grid->setColumnWidth(0, m_firstColumnWidth);
        m_grid->setColumnWidth(1, std::max(area.width() - m_firstColumnWidth - kRightMargin, 0));
    }
    if (m_clearButton != nullptr) {
        m_clearButton->move(
            area.left() + area.width() - m_clearButton->width() - kButtonRightMargin,
            area.top() + area.height() - m_clearButton->height() - kButtonBottomMargin);
    }
}

void MsgGrid::createClearButton() {
    if (m_panel == nullptr || m_clearButton != nullptr) {
        return;
    }
    m_clearButton = new QPushButton(gridText("Очистить"_cp1251), m_panel);
    m_clearButton->setObjectName(QStringLiteral("Btn_Clear"));
    m_clearButton->resize(kClearButtonWidth, kClearButtonHeight);
    m_clearButton->raise();
    m_clearButton->show();
    QObject::connect(m_clearButton, &QPushButton::clicked, m_panelHook.get(), [this] { clear(); });
}

void MsgGrid::addMessage(const std::string& text) {
    m_wrap->table().addMessage(text);
    if (m_autoScroll) {
        scrollToEnd();
    }
}

void MsgGrid::replaceLastMessage(const std::string& text) {
    if (rows().empty()) {
        addMessage(text);
        return;
    }
    m_wrap->table().replaceLastMessage(text);
}

void MsgGrid::addRow(const Msg::MsgUnit& row) {
    m_wrap->table().addRow(row);
    if (m_autoScroll) {
        scrollToEnd();
    }
}

void MsgGrid::clear() {
    m_wrap->table().clear();
}

void MsgGrid::show(const std::string& text, bool newLine) {
    if (newLine) {
        addMessage(text);
    } else {
        replaceLastMessage(text);
    }
}

void MsgGrid::scrollToEnd() {
    if (m_grid == nullptr) {
        return;
    }
    const int visible = m_grid->visibleRowCount();
    if (m_grid->rowCount() - m_grid->fixedRows() - visible > 0) {
        m_grid->setTopRow(m_grid->rowCount() - visible);
    }
}
