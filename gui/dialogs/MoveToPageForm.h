#pragma once

#include <QDialog>

class QSpinBox;

namespace zolmar::gui {

// "Move to Different Page": the target of moving a whole page.
class TMoveToPageForm : public QDialog {
    Q_OBJECT

public:
    explicit TMoveToPageForm(QWidget* parent = nullptr);
    // The 0-based target, or -1 when cancelled.
    int Execute(int page);
    QSpinBox* PageNumber = nullptr;
};

} // namespace zolmar::gui
