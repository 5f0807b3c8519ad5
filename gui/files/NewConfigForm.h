#pragma once

#include <QDialog>

class QPushButton;

namespace zolmar::gui {

// "New Configuration Option": a blank configuration, the complete default one, or
// nothing. The main window does the work; this dialog only offers the choice.
class TNewConfigForm : public QDialog {
    Q_OBJECT

public:
    explicit TNewConfigForm(QWidget* parent = nullptr);
    QPushButton* BlankButton = nullptr;
    QPushButton* CompleteButton = nullptr;
    QPushButton* CancelButton = nullptr;

signals:
    void blankClicked();
    void completeClicked();
};

} // namespace zolmar::gui
