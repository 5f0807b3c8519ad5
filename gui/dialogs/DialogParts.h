#pragma once

#include <QStringList>
#include <string>
#include <vector>

class QDialog;
class QHBoxLayout;
class QPushButton;

namespace zolmar::gui {

// Image texts as the entries of a list control.
QStringList listOf(const std::vector<std::string>& items);
// The button row of a dialog: OK (default) and, where cancel is given, Cancel.
QHBoxLayout* buttonRow(QDialog* dialog, QPushButton*& ok, QPushButton** cancel);

} // namespace zolmar::gui
