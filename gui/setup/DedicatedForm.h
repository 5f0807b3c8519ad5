#pragma once

#include "dialogs/ElementForm.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QVBoxLayout;
class QWidget;

namespace zolmar::gui {

// The frame every dedicated function dialog shares: the element's name, the
// dialog's own controls, "Cosmetic Properties" (advanced view only), OK and
// Cancel, and the element's addresses and sizes.
class TDedicatedForm : public QDialog {
    Q_OBJECT

public:
    TDedicatedForm(tECU& ecu, DialogServices services, const QString& caption,
                   QWidget* parent = nullptr);

    // Fills every control for the element; false for an element of another type.
    virtual bool load(int element) = 0;
    // Fills for the element and shows the dialog without making it modal.
    void Open(int element);
    // False once the element it shows has gone (another configuration loaded).
    bool stillOpen() const { return props_.stillOpen(); }

    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* CosPropsButton = nullptr;
    QWidget* AdvancedSection = nullptr;
    QLabel* NameLabel = nullptr;

protected:
    // Where the dialog's own controls go; finishFrame() adds the rest below them.
    QVBoxLayout* body() const { return column_; }
    void finishFrame();
    // Fills the frame for the element.
    void loadFrame(int element);
    void renderPage() const;

    tECU& ecu_;
    DialogServices services_;
    ElementProperties props_;
    bool loading_ = false;

private:
    QVBoxLayout* column_ = nullptr;
    QList<QLabel*> advancedValues_;
};

} // namespace zolmar::gui
