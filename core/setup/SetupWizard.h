#pragma once

#include "model/ECU.h"
#include "setup/CylinderAssignment.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zolmar {

// The setup wizard's controls, by the names the dialog gives them.
enum class WizardControl {
    Manufacturer,
    EngineType,
    EngineCap,
    InjSize,
    InjSize2,
    MaxBoost,
    MaxRPM,
    MAPsensorType,
    CoolantTemp,
    AirTemp,
    O2Sensor,
    WidebandSensor,
    WidebandSensor2,
    VSSSelect,
    VEMode,
    SecondMap,
    IgnMode,
    TargetAFR,
    IdleController,
    HotIdle,
    ExtraCold,
    ExtraElec1,
    ExtraElec2,
    ExtraPSPrpm,
    ExtraACrpm,
    PWMperiodms,
    IdleStepCount,
    DBWtickbox,
    PistonOrRotary,
    NumCylinders,
    NumRotors,
    IgnArrangement,
    FiringOrder,
    DwellTime,
    TrigOffset,
    OddfireAngle,
    Aux1Func,
    Aux8Func = Aux1Func + 7,
    Inj5Func,
    Inj12Func = Inj5Func + 7,
    Count
};

struct WizardControlInfo {
    enum Type { List, Number, Check };
    const char* name;
    Type type;
    int minimum; // Number: the range
    int maximum;
};
const WizardControlInfo& controlInfo(WizardControl control);
// The control of a name ("Engine" stands for EngineType); none for an unknown name.
std::optional<WizardControl> controlByName(const std::string& name);
inline WizardControl auxFunc(int output) { // output 1..8
    return static_cast<WizardControl>(static_cast<int>(WizardControl::Aux1Func) + output - 1);
}
inline WizardControl injFunc(int output) { // output 5..12
    return static_cast<WizardControl>(static_cast<int>(WizardControl::Inj5Func) + output - 5);
}

// Every control's value: the wizard's answers. Lists hold their entry index (-1 for
// no selection), check boxes 0 or 1. These are the values a freshly started program
// shows before anything was read.
struct WizardAnswers {
    static constexpr int kThresholds = 16; // AuxEdit1..8, then InjEdit5..12

    int manufacturer = 0;
    int engine = -1;
    int engineCap = 1600;
    int injSize = 400;
    int injSize2 = 0;
    int maxBoost = 80;
    int maxRpm = 7000;
    int mapSensor = 1;
    int coolantTemp = 4;
    int airTemp = 4;
    int o2Sensor = 2;
    int wideband1 = 0;
    int wideband2 = 0;
    int vss = 0;
    int veMode = 1;
    int secondMap = 0;
    int ignMode = 0;
    int targetAfr = 0;
    int idleController = 1;
    int hotIdle = 800;
    int extraCold = 300;
    int extraElec1 = 150;
    int extraElec2 = 150;
    int extraPsp = 150;
    int extraAc = 150;
    int pwmPeriod = 10;
    int idleSteps = 120;
    int driveByWire = 0;
    int rotary = 0;
    int cylinders = 4;
    int rotors = 2;
    int arrangement = 0;
    int firingOrder = 0;
    int dwell = 3000;
    int trigOffset = 0;
    int oddFireAngle = 180;
    std::array<int, 8> auxFunc{};
    std::array<int, 8> injFunc{1, 1, 1, 1, 1, 1, 1, 1};
    std::array<double, kThresholds> threshold{};

    int& field(WizardControl control);
    int field(WizardControl control) const;
    // The aux function index of threshold output t (0..15), -1 for an injector entry.
    int auxFunction(int t) const;
    EngineLayout layout() const;
    bool operator==(const WizardAnswers&) const = default;
};

// What the dialog derives from the answers: lists, enables, hints and labels.
struct WizardView {
    struct Threshold {
        bool visible = false;
        std::string unit;
        int decimals = 0;
        double minimum = 0;
        double maximum = 0;
    };
    bool engineEnabled = false;
    bool cylindersEnabled = true;
    bool rotorsEnabled = false;
    bool oddFireEnabled = true;
    bool oddFireLabelVisible = false;
    bool idleControllerEnabled = true;
    bool pwmEnabled = true;
    bool pwmHintVisible = true;
    bool stepsEnabled = false;
    std::string capacityHint, boostHint, injectorHint, injectorHint2, pwmHint;
    std::string importantInfo;
    std::array<std::string, 8> ignitionWiring;
    std::array<std::string, 12> injectorWiring;
    bool wiringVisible = true;
    std::array<Threshold, WizardAnswers::kThresholds> thresholds;

    bool enabled(WizardControl control) const;
};

// What Finish did not write: the lines of the warning, in the order they arose.
struct WizardResult {
    bool applied = false;
    std::vector<std::string> missing;
    // The warning text, empty when nothing is missing.
    std::string warning() const;
};

// Finish: writes the answers into the configuration through the model's accessors,
// in one call, so that it is one step of the configuration's history. The dialog and
// zolmar-cli both use it.
WizardResult applySetupWizard(tECU& ecu, const WizardAnswers& answers);

// The setup wizard without its window: reads a configuration into the answers, runs
// the control rules and Set Defaults, and hands the answers to Finish. Named elements
// are looked up whenever they are read or written, never remembered.
class SetupWizard {
public:
    explicit SetupWizard(tECU& ecu) : ecu_(ecu) {}

    // Opening: reads what the configuration holds; the rest keeps its value.
    void open();
    // Another configuration was loaded: the answers start again from the starting
    // values and read the new one, so that nothing read from or typed for the old
    // configuration can reach the new one.
    void configurationReplaced();

    const WizardAnswers& answers() const { return answers_; }
    int value(WizardControl control) const { return answers_.field(control); }
    WizardView view() const;
    // The entries of a list control as they stand now.
    std::vector<std::string> entries(WizardControl control) const;

    // A control changed by the user, with its rule. False (nothing changed) for a
    // value outside the control's list or range, or for a disabled control.
    bool set(WizardControl control, int value);
    // A threshold field (0..15) typed by the user; false outside its range.
    bool setThreshold(int field, double value);
    // "Set Defaults for this Engine/Vehicle".
    void setDefaults();

    // "Finish": refused (nothing written) when the configuration's diagram is no longer
    // the one the answers were read from.
    WizardResult finish();

private:
    void readBasicAndTuning();
    void readOutputs(bool dedicated);
    void readOddFireAngle();
    void manufacturerRule();
    void pistonOrRotaryRule();
    void cylinderRule();
    void rotorRule();
    void idleControllerRule();
    void driveByWireRule();
    // Re-reads the threshold fields whose function changed (all of them when asked).
    void refreshThresholds(bool all);
    uint64_t fingerprint() const;

    tECU& ecu_;
    WizardAnswers answers_;
    // Per threshold field: the aux function it was last read for and whether its
    // element was found then.
    std::array<int, WizardAnswers::kThresholds> thresholdFunction_{};
    std::array<bool, WizardAnswers::kThresholds> thresholdFound_{};
    uint64_t openedOn_ = 0;
    bool opened_ = false;
};

} // namespace zolmar
