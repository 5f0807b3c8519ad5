#pragma once

#include "dialogs/PartDialogs.h"

#include <QDialog>

class QLineEdit;

namespace zolmar::gui {

// "Edit Element Name" for an element or a page.
class TEditNameForm : public QDialog {
    Q_OBJECT

public:
    TEditNameForm(tECU& ecu, QWidget* parent = nullptr);
    void load(int slot);
    void Execute(int slot);
    QLineEdit* NameEdit = nullptr;

private:
    NameEditor editor_;
};

} // namespace zolmar::gui
