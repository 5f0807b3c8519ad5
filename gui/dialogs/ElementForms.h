#pragma once

#include "dialogs/ElementDialogs.h"
#include "dialogs/PartDialogs.h"

#include <QDialog>
#include <QList>
#include <functional>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
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

// "Move to Different Page": the target of moving a whole page.
class TMoveToPageForm : public QDialog {
    Q_OBJECT

public:
    explicit TMoveToPageForm(QWidget* parent = nullptr);
    // The 0-based target, or -1 when cancelled.
    int Execute(int page);
    QSpinBox* PageNumber = nullptr;
};

// A caption and lines of text: the inputs an output feeds, page properties.
class TOutputLinksForm : public QDialog {
    Q_OBJECT

public:
    explicit TOutputLinksForm(QWidget* parent = nullptr);
    void showLines(const QString& caption, const QStringList& lines);
    QListWidget* Lines = nullptr;
};

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
