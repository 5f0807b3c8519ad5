#pragma once

#include "setup/DedicatedForm.h"
#include "setup/InputsTriggering.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QVBoxLayout;
class QWidget;

namespace zolmar::gui {

// "Inputs": the inputs-and-triggering element's settings. Check boxes, lists and
// spin edits write at once; the angle edits are written by OK.
class TInputsForm : public TDedicatedForm {
    Q_OBJECT

public:
    TInputsForm(tECU& ecu, DialogServices services, QWidget* parent = nullptr);

    bool load(int element) override;
    InputsTriggering& inputs() { return inputs_; }

    void OKButtonClick();

    QComboBox* Serial1Type = nullptr;
    QComboBox* Serial2Type = nullptr;
    std::array<QCheckBox*, 8> PullUp{};
    std::array<QCheckBox*, 8> PullDown{};
    std::array<QLabel*, 8> PinNames{};
    std::array<QCheckBox*, 3> TrigDig{}; // Trig1Dig, Trig23Dig, Trig45Dig
    std::array<QCheckBox*, 3> TrigRel{};
    std::array<QCheckBox*, 3> VSSDig{}; // VSS1Dig, VSS2Dig, VSS34Dig
    std::array<QCheckBox*, 3> VSSRel{};
    std::array<QCheckBox*, 5> FallingEdge{};
    std::array<QCheckBox*, 5> RisingEdge{};
    QComboBox* SpecialTrigMode = nullptr;
    QCheckBox* SwapCAS1and2 = nullptr;
    QCheckBox* TwoMissingTeeth = nullptr;
    QLineEdit* AngIncrement = nullptr;
    std::array<QComboBox*, 3> Reset{};
    std::array<QSpinBox*, 4> VssPeriod{};
    QPushButton* LearnButton = nullptr;
    QLineEdit* KnockStart = nullptr;
    QLineEdit* KnockEnd = nullptr;
    QLineEdit* KnockStep = nullptr;

private:
    QWidget* buildSerialAndDigital();
    QWidget* buildTriggers();
    QWidget* buildSpeedAndKnock();
    // Ticking either box of a pair writes the bit; the partner shows the opposite.
    void pair(QCheckBox* on, QCheckBox* off, std::function<void(bool)> write);
    void refresh();

    InputsTriggering inputs_;
};

// "Period Angle Offset Calculator": an engine angle within the cycle as the period
// angle offset; it changes nothing in the configuration.
class TPeriodAngleForm : public QDialog {
    Q_OBJECT

public:
    explicit TPeriodAngleForm(QWidget* parent = nullptr);

    QSpinBox* EngineAngle = nullptr;
    QLabel* ResultLabel = nullptr;
};

} // namespace zolmar::gui
