#pragma once

#include "setup/SetupWizard.h"

#include <QDialog>
#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace zolmar::gui {

class TIASciEdit;

// "Startup ECU Configuration": the setup wizard's four tabs. The window only copies
// controls to and from the core's answers; the rules and Finish are the core's.
class TSetupWizard : public QDialog {
    Q_OBJECT

public:
    static constexpr int kTabs = 4;

    TSetupWizard(tECU& ecu, Messages& messages, QWidget* parent = nullptr);

    // Reads the configuration into the controls and shows the wizard modally on the
    // tab (0..3); returns QDialog::Accepted when Finish wrote the answers.
    int Execute(int tab = 0);
    // Another configuration was loaded: the answers start afresh from it, and an open
    // wizard shows them.
    void configurationReplaced();

    SetupWizard& wizard() { return wizard_; }
    // The control of a wizard control (a combo box, spin box or check box).
    QWidget* control(WizardControl c) const { return controls_[static_cast<size_t>(c)]; }
    TIASciEdit* thresholdEdit(int field) const { return thresholds_[static_cast<size_t>(field)]; }
    QLabel* thresholdUnit(int field) const { return units_[static_cast<size_t>(field)]; }
    QLabel* ignitionWiring(int output) const { return ignWire_[static_cast<size_t>(output - 1)]; }
    QLabel* injectorWiring(int output) const { return injWire_[static_cast<size_t>(output - 1)]; }

    void FinishButtonClick();
    void CancelButtonClick();
    void SetDefaultsButtonClick();

    // Called after Finish wrote the answers, and after Cancel.
    std::function<void()> onFinished;
    // Called just before Finish writes the answers into the configuration.
    std::function<void()> beforeFinish;
    std::function<void()> onCancelled;

    QTabWidget* Tabs = nullptr;
    QPushButton* FinishButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* NextButton = nullptr;
    QPushButton* PrevButton = nullptr;
    QPushButton* SetDefaultsButton = nullptr;
    QLabel* CapacityHint = nullptr;
    QLabel* BoostHint = nullptr;
    QLabel* InjectorHint = nullptr;
    QLabel* InjectorHint2 = nullptr;
    QLabel* PWMprdHint = nullptr;
    QLabel* OddFireLabel = nullptr;
    QLabel* ImportantInfoLabel = nullptr;

protected:
    void reject() override;

private:
    QWidget* buildBasic();
    QWidget* buildTuning();
    QWidget* buildIgnition();
    QWidget* buildOutputs();
    // A control in the grid's row: its caption, the control and an optional label.
    void addRow(QGridLayout* grid, int row, const QString& caption, WizardControl c,
                QLabel* after = nullptr, int column = 0);
    struct Row {
        const char* caption; // UTF-8
        WizardControl control;
        QLabel* after = nullptr;
    };
    void addRows(QGridLayout* grid, int first, std::initializer_list<Row> rows);
    QWidget* makeControl(WizardControl c, QWidget* parent);
    QLabel* hint(QWidget* parent, const QString& name);
    void changed(WizardControl c, int value);
    void thresholdTyped(int field);
    // The controls as the answers and the view now stand, without change signals.
    void fill();
    void showTabButtons();

    tECU& ecu_;
    Messages& messages_;
    SetupWizard wizard_;
    std::array<QWidget*, static_cast<size_t>(WizardControl::Count)> controls_{};
    std::array<TIASciEdit*, WizardAnswers::kThresholds> thresholds_{};
    std::array<QLabel*, WizardAnswers::kThresholds> units_{};
    std::array<QLabel*, 8> ignWire_{};
    std::array<QLabel*, 12> injWire_{};
    bool filling_ = false;
};

} // namespace zolmar::gui
