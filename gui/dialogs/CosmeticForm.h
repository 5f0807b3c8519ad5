#pragma once

#include "dialogs/PartDialogs.h"

#include <QDialog>
#include <functional>

class QSpinBox;

namespace zolmar::gui {

// "Cosmetic Properties": an element's cell and page.
class TCosmeticForm : public QDialog {
    Q_OBJECT

public:
    TCosmeticForm(tECU& ecu, std::function<void(int oldPage, int newPage)> moved,
                  QWidget* parent = nullptr);
    void load(int configAddress);
    void Execute(int configAddress);
    void OKButtonClick();
    QSpinBox* XPosition = nullptr;
    QSpinBox* YPosition = nullptr;
    QSpinBox* ScreenPage = nullptr;

private:
    CosmeticEditor editor_;
    std::function<void(int, int)> moved_;
};

} // namespace zolmar::gui
