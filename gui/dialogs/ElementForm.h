#pragma once

#include "dialogs/ElementDialogs.h"

#include <QDialog>
#include <QList>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QWidget;

namespace zolmar::gui {

// What the element dialogs ask of the main window.
struct DialogServices {
    std::function<void()> renderPage;      // full redraw of the current page
    std::function<void(int page)> reroute; // routes of the page (0-based) invalid
    std::function<bool()> advancedView;    // the main window's view
    std::function<bool()> advancedProps;   // "Show advanced properties ..." option
    std::function<void(int configAddress)> cosmetic;
};

// One element type's property dialog: the shared layout (name, the type's own
// controls, description, "Visible only in advanced view", "Cosmetic Properties",

// OK and Cancel, the advanced section) over the core's decisions.
class TElementForm : public QDialog {
    Q_OBJECT

public:
    TElementForm(int type, tECU& ecu, DialogServices services, QWidget* parent = nullptr);
    int type() const { return type_; }
    // Fills the dialog for the element and shows it modally.
    void Execute(int element);
    // Fills the dialog without showing it (tests and Execute).
    void load(int element);
    ElementProperties& properties() { return props_; }
    void applyAdvancedOption(bool shown);

    // Controls by role, for tests.
    QLineEdit* valueEdit(int k = 0) const { return edits_.value(k); }
    QComboBox* choice() const { return choice_; }
    QCheckBox* check(int k) const { return checks_.value(k); }
    QCheckBox* VisAdv = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* CosPropsButton = nullptr;
    QSpinBox* GaugeNumber = nullptr;
    QPushButton* UpArrow = nullptr;
    QPushButton* DownArrow = nullptr;
    QWidget* AdvancedSection = nullptr;
    QLabel* NameLabel = nullptr;

    // "OK": validates where the type does, then closes on success.
    void OKButtonClick();

private:
    void buildControls(QWidget* area);
    void arrowClick(bool up);
    void refreshSummer();

    int type_;
    DialogServices services_;
    ElementProperties props_;
    bool loading_ = false;
    QList<QLineEdit*> edits_;
    QList<QCheckBox*> checks_;
    QComboBox* choice_ = nullptr;
    QList<QLabel*> advancedValues_;
};

} // namespace zolmar::gui
