#pragma once

#include <array>
#include <string>
#include <vector>

namespace zolmar {

// The setup wizard's fixed lists, its engine presets and its trigger presets. Texts
// are image text (Windows-1252).
namespace WizardLists {

inline constexpr int kCustom = 0;
inline constexpr int kNissan = 9;
inline constexpr int kToyota = 13;

const std::vector<std::string>& manufacturers();
// The engines of a manufacturer; empty for "Custom" and outside the list.
const std::vector<std::string>& engines(int manufacturer);

const std::vector<std::string>& mapSensors();
const std::vector<std::string>& temperatureSensors();
const std::vector<std::string>& oxygenSensors();
const std::vector<std::string>& vehicleSpeedSensors();
const std::vector<std::string>& loadAxes();
const std::vector<std::string>& idleControllers();
const std::vector<std::string>& pistonOrRotary();
// The aux function list, index = aux function index 0..31.
const std::vector<std::string>& auxFunctions();
// The function list of injector output 5..12: "None", its injector entry, for outputs
// 5..8 its secondary-injector entry, then the aux functions from "Fuel Pump" on.
std::vector<std::string> injectorFunctions(int output);

// Idle controller entries.
inline constexpr int kIdleNone = 0;
inline constexpr int kIdleTwoWire = 1;
inline constexpr int kIdleThreeWire = 2;
inline constexpr int kIdleStepper = 3;

// Entries of the injector function lists.
inline constexpr int kInjectorEntry = 1;
inline constexpr int kSecondaryEntry = 2;
// The aux function index of an injector output's list entry; -1 for its injector and
// secondary-injector entries.
int injectorAuxFunction(int output, int entry);

// Names of the elements behind the outputs: threshold field or output t = 0..7 for
// aux outputs 1..8 and 8..15 for injector outputs 5..12.
std::string thresholdName(int t);
std::string periodName(int t);
std::string auxFunctionName(int output);      // aux output 1..8
std::string injectorFunctionName(int output); // injector output 5..12
std::string secondaryName(int output);        // injector output 5..8

// Values Set Defaults gives the controls for an engine that has a preset; list
// controls as list indices.
struct EnginePreset {
    int manufacturer;
    const char* engine;
    int engineCap, injSize, injSize2, maxBoost, maxRpm;
    int mapSensor, airTemp, coolantTemp, o2Sensor;
    int idleController, pwmPeriod, idleSteps, hotIdle, extraCold;
    std::array<int, 8> auxFunc;
    std::array<int, 8> injFunc;
    bool rotary;
    int count, firingOrder, arrangement, dwell, trigOffset, oddFireAngle;
};
// The preset of the engine, or null.
const EnginePreset* enginePreset(int manufacturer, int engine);

// What Finish writes into the inputs-and-triggering block for a known engine; -1
// where the preset writes nothing.
struct TriggerPreset {
    int angleIncrement; // raw word 24 (1/50 crank degree)
    std::array<int, 3> resets;
    int mode;
    bool swapCas;
    bool reluctor; // triggers 1, 2/3 and 4/5 set to reluctor
};
// The trigger preset of the engine, or null.
const TriggerPreset* triggerPreset(int manufacturer, int engine);

} // namespace WizardLists
} // namespace zolmar
