#pragma once

// Small helpers the windows share: combo boxes, grid rows, panels, numbers typed as text and
// files beside the program. Texts are system text (1251).

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "common/msg_strings.h"

class QComboBox;
class QFrame;
class QTableView;

namespace ui {

// Replaces the items by count consecutive numbers from first, each item carrying its number.
void fillComboNumbers(QComboBox& combo, int first, int count);
// Replaces the items by numbers in order, each item carrying its number.
void fillComboNumbers(QComboBox& combo, std::span<const int> numbers);
// Replaces the items by names (file names, UTF-8) and selects the first one. Each item shows
// its name as system text, "?" for a character 1251 lacks, and carries the name itself.
void fillComboNames(QComboBox& combo, const Msg::Strings& names);
// The name the selected item carries; empty when none is selected.
std::string comboSelectedName(const QComboBox& combo);

// Selects body row row (0 = the first under the header); a row outside the visible ones is
// scrolled to the middle. Rows that do not exist are ignored.
void selectGridRow(QTableView& grid, int row);
// Scrolls so that the last row is visible.
void scrollGridToLastRow(QTableView& grid);

// Removes the panel's inner and outer bevels.
void removeBevels(QFrame& panel);

// The integer text holds (blanks may precede it); defaultValue when text is empty, holds
// anything else or a number beyond the 32-bit range.
int intFromText(std::string_view text, int defaultValue);

// A file beside the program: the application folder joined with name (1251, "\" or "/"
// separated).
std::filesystem::path applicationFilePath(std::string_view name);

}  // namespace ui
