#pragma once

#include "setup/DedicatedForm.h"
#include "setup/DedicatedFunctions.h"

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;

namespace zolmar::gui {

// "Ignition Element": one output at a time; every control writes at once.
class TIgnitionForm : public TDedicatedForm {
    Q_OBJECT

public:
    TIgnitionForm(tECU& ecu, DialogServices services, QWidget* parent = nullptr);
    bool load(int element) override;

    QSpinBox* OutputNumber = nullptr;
    QComboBox* Pattern = nullptr;
    QCheckBox* Invert = nullptr;
    QCheckBox* OrWithNext = nullptr;

private:
    void refresh();
    int output() const;
    IgnitionSettings settings_;
};

// "Injectors": per-output settings for the selected output and those of all outputs.
class TInjectorsForm : public TDedicatedForm {
    Q_OBJECT

public:
    TInjectorsForm(tECU& ecu, DialogServices services, QWidget* parent = nullptr);
    bool load(int element) override;

    QSpinBox* OutputNumber = nullptr;
    QComboBox* Pattern = nullptr;
    QCheckBox* DivideBy10 = nullptr;
    QCheckBox* UseAsAux = nullptr;
    QComboBox* Current = nullptr;
    QComboBox* Mode = nullptr;
    std::array<QSpinBox*, 2> PeakTime{};

private:
    void refresh();
    int output() const;
    InjectorSettings settings_;
};

// "Analogue Inputs": the temperature bias of analogue inputs 9-12.
class TAnalogueForm : public TDedicatedForm {
    Q_OBJECT

public:
    TAnalogueForm(tECU& ecu, DialogServices services, QWidget* parent = nullptr);
    bool load(int element) override;

    QCheckBox* TemperatureBias = nullptr;

private:
    AnalogueInputsSettings settings_;
};

// "Aux Outputs" for the aux outputs element, "Aux Outputs on Spare Injector Outputs"
// for an Aux on Inj element.
class TAuxOutputsForm : public TDedicatedForm {
    Q_OBJECT

public:
    TAuxOutputsForm(tECU& ecu, DialogServices services, QWidget* parent = nullptr);
    bool load(int element) override;

    QComboBox* OutputNumber = nullptr;
    QComboBox* CopyOf = nullptr;
    QCheckBox* Invert = nullptr;
    QCheckBox* DriveHigh = nullptr;
    QCheckBox* UseAsAux = nullptr;
    QLabel* PinName = nullptr;

private:
    void refresh();
    int output() const;
    AuxOutputsSettings settings_;
};

// "General Functions": logging, headphones, ignition power and the internal logging
// channels. Modal.
class TGeneralForm : public TDedicatedForm {
    Q_OBJECT

public:
    TGeneralForm(tECU& ecu, DialogServices services, QWidget* parent = nullptr);
    // Fills for the element and runs the dialog modally.
    void Execute(int element);
    bool load(int element) override;

    QComboBox* LoggingPeriod = nullptr;
    QCheckBox* ForceLogging = nullptr;
    QCheckBox* LogToFlash = nullptr;
    QCheckBox* LogToUsb = nullptr;
    std::array<QComboBox*, 2> Knock{};
    QCheckBox* PlayTones = nullptr;
    QComboBox* IgnitionPower = nullptr;
    std::array<QComboBox*, 15> Channels{};

private:
    void refresh();
    GeneralSettings settings_;
};

} // namespace zolmar::gui
