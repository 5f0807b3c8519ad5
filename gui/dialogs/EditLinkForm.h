#pragma once

#include "dialogs/PartDialogs.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace zolmar::gui {

// "Edit Link": one input linked to an output, or given a literal.
class TEditLinkForm : public QDialog {
    Q_OBJECT

public:
    TEditLinkForm(tECU& ecu, QWidget* parent = nullptr);
    // Fills the dialog; false for an input that does not exist.
    bool load(int element, int input, int shownPage);
    bool Execute(int element, int input, int shownPage);
    void OKButtonClick();

    QRadioButton* LinkRadio = nullptr;
    QRadioButton* LiteralRadio = nullptr;
    QComboBox* PageList = nullptr;
    QComboBox* OutputList = nullptr;
    QLineEdit* LiteralEdit = nullptr;

private:
    void fillOutputs();
    void modeChanged();

    LinkEditor editor_;
};

} // namespace zolmar::gui
