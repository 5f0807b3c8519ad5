#pragma once

#include "model/ECU.h"

#include <QDialog>
#include <functional>

class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace zolmar::gui {

// "Search for Element": finds an element by index, one of its addresses or its name,
// and hands it on at once; the dialog keeps no element.
class TSearchForm : public QDialog {
    Q_OBJECT

public:
    TSearchForm(const tECU& ecu, Messages& messages, QWidget* parent = nullptr);
    // Shows the dialog non-modally, as it was left ("Name" the first time).
    void open();
    // "Search": the element found goes to found, otherwise the error is shown. Nothing
    // while the button is disabled.
    void SearchClick();

    // Receives the element at the moment it is found.
    std::function<void(int element)> found;

    QComboBox* SearchBy = nullptr;
    QSpinBox* SearchNumber = nullptr;
    QLineEdit* SearchName = nullptr;
    QPushButton* SearchButton = nullptr;

private:
    void modeChosen(int mode);

    const tECU& ecu_;
    Messages& messages_;
};

} // namespace zolmar::gui
