#pragma once

#include "ports/Preferences.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QSpinBox;

namespace zolmar::gui {

// The three remembered display options; each change is stored and applied at once.
class TOptionForm : public QDialog {
    Q_OBJECT

public:
    enum class Option { AdvancedProperties, ShowAllOutputs, ColumnSize };
    TOptionForm(Option option, Preferences& prefs, std::function<void()> applied,
                QWidget* parent = nullptr);
    // Reads the stored value into the control, as each opening from the menu does.
    void load();
    QCheckBox* Check = nullptr;
    QSpinBox* NumRows = nullptr;

private:
    Option option_;
    Preferences& prefs_;
    std::function<void()> applied_;
    bool loading_ = false;
};

} // namespace zolmar::gui
