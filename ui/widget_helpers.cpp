#include "ui/widget_helpers.h"

#include <QByteArray>
#include <QComboBox>
#include <QFrame>
#include <QTableView>
#include <charconv>
#include <cstdint>
#include <limits>

#include "platform/app_folder.h"
#include "platform/cp1251.h"
#include "ui/string_grid.h"

namespace ui {

void fillComboNumbers(QComboBox& combo, int first, int count) {
    combo.clear();
    for (int i = 0; i < count; ++i) {
        const int number = first + i;
        combo.addItem(QString::number(number), number);
    }
}

void fillComboNumbers(QComboBox& combo, std::span<const int> numbers) {
    combo.clear();
    for (const int number : numbers) {
        combo.addItem(QString::number(number), number);
    }
}

void fillComboNames(QComboBox& combo, const Msg::Strings& names) {
    combo.clear();
    for (const std::string& name : names) {
        // The bytes, not a QString: a file name need not be valid UTF-8.
        combo.addItem(gridText(platform::utf8ToCp1251(name)),
                      QByteArray(name.data(), static_cast<qsizetype>(name.size())));
    }
    if (combo.count() > 0) {
        combo.setCurrentIndex(0);
    }
}

std::string comboSelectedName(const QComboBox& combo) {
    const int index = combo.currentIndex();
    if (index < 0) {
        return {};
    }
    return combo.itemData(index).toByteArray().toStdString();
}

void selectGridRow(QTableView& grid, int row) {
    QAbstractItemModel* model = grid.model();
    if (model == nullptr || row < 0 || row >= model->rowCount()) {
        return;
    }
    const int top = grid.rowViewportPosition(row);
    const bool visible = top >= 0 && top + grid.rowHeight(row) <= grid.viewport()->height();
    grid.selectRow(row);
    if (!visible) {
        grid.scrollTo(model->index(row, 0), QAbstractItemView::PositionAtCenter);
    }
}

void scrollGridToLastRow(QTableView& grid) {
    grid.scrollToBottom();
}

void removeBevels(QFrame& panel) {
    panel.setFrameShadow(QFrame::Plain);
    panel.setFrameShape(QFrame::NoFrame);
}

int intFromText(std::string_view text, int defaultValue) {
    const std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
        return defaultValue;
    }
    text.remove_prefix(start);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') {
            return defaultValue;
        }
    }
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return defaultValue;
    }
    return value;
}

std::filesystem::path applicationFilePath(std::string_view name) {
    return platform::applicationPath(name);
}

}  // namespace ui
