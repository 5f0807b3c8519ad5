#pragma once

#include "model/ECU.h"

#include <array>
#include <map>
#include <string>
#include <vector>

namespace zolmar {

// The simple view's settings sheets: one sheet per page that holds settings, laid
// out as columns of labelled controls, and what a change of each control writes
// into the configuration. The window only shows what is decided here.
namespace SimpleSheets {

inline constexpr int kDefaultPerColumn = 13;

enum class ControlKind {
    Numeric,      // Constant: numeric edit
    CheckBox,     // Tickbox
    Mux32List,    // 32-way mux: drop-down of its 32 descriptions
    Mux4List,     // 4-way mux: drop-down, other 4-way muxes folded in
    SpinEdit,     // Delay
    TableButton,  // opens the table editor
    DialogButton, // Stepper, Aux on Inj, dedicated: opens the element's dialog
};

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
};

// One control of a sheet, preset from the configuration.
struct Control {
    ControlKind kind = ControlKind::Numeric;
    int element = -1;
    int slot = 0;
    bool hasLabel = false;
    std::string label; // the element name (image bytes)
    Rect labelBox;
    Rect box;
    std::string caption;              // check boxes and buttons
    double value = 0;                 // numeric edit: constant word 0 / 50
    bool checked = false;             // check box
    int spinValue = 0;                // spin edit: constant word 0
    std::vector<std::string> entries; // drop-downs
    int selected = 0;
};

struct Sheet {
    int page = 0;
    std::string caption; // the page name
    std::vector<Control> controls;
};

// For each 4-way mux with a control: per input, the 4-way mux folded into it or -1.
using FoldTable = std::map<int, std::array<int, 4>>;

struct Sheets {
    std::vector<Sheet> sheets;
    FoldTable folds;
};

// Builds every sheet from the configuration; perColumn is "MaxPerColumn" (1..).
Sheets Build(const tECU& ecu, int perColumn);

// "MaxPerColumn" as stored: a number 1..20, otherwise the default.
int PerColumnSetting(const std::string& stored);

// --- what changes write, each with its change-log line
// Constant word 0 := round(value x 50), halves to even, limited to the word.
void ConstantChanged(tECU& ecu, int element, double value);
void TickboxClicked(tECU& ecu, int element);
void Mux32Changed(tECU& ecu, int element, int entry);
// The entry of a 4-way mux's list: writes the folded mux first when the entry is one of its.
void Mux4Changed(tECU& ecu, const FoldTable& folds, int element, int entry);
void DelayChanged(tECU& ecu, int element, int value);

// What a button opens.
enum class ButtonTarget {
    InputsAndTriggering,
    AnalogueInputs,
    AuxOutputs,
    Injectors,
    Ignition,
    OnboardLogging,
    AuxOnInj,
    Stepper,
    TableEditor,
};
ButtonTarget TargetOf(const tECU& ecu, int element);

// The hint memo's text for an element: the quoted name, a line " ", then the hint
// (lines end "\r\n"). hints holds the hints file; without it only the first two lines.
std::string HintText(const tECU& ecu, int element, const std::string* hints);

// The 16-byte description at a logic address, zero bytes skipped, " " when empty.
std::string Description(const tECU& ecu, int logicAddr);

} // namespace SimpleSheets
} // namespace zolmar
