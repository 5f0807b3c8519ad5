// Value naming: the names of inputs, outputs and live values, the sorted choice
// lists of live values, and the display text of raw values.
#include "model/ECU.h"
#include "model/PinTable.h"

#include <cstdio>
#include <cstdlib>

namespace zolmar {

using namespace Layout;

namespace {

const char* const kTable2DInputs[] = {".Input", ".LearnV", ".Learn", ".Tuned"};
const char* const kTable3DInputs[] = {".In1", ".In2", ".LearnV", ".Learn", ".Tuned"};
const char* const kTwoInputs[] = {".Input1", ".Input2"};
const char* const kMultiplierInputs[] = {".InputA", ".InputB", ".InputC"};
const char* const kPidInputs[] = {".Setpoint",           ".Feedback",         ".Integral",
                                  ".Proportional",       ".Differential",     ".Stop Integral Up",
                                  ".Stop Integral Down", ".Stop Prop Output", ".Stop Int Output",
                                  ".Stop Diff Output",   ".Reset Integral",   ".Timeslice"};
const char* const kClipperInputs[] = {".Input", ".Min", ".Max"};
const char* const kSwitchInputs[] = {".In1", ".In2", ".Sel"};
const char* const kTimerInputs[] = {".Interval(s)", ".Reload"};
const char* const kLatchInputs[] = {".Value", ".Store"};
const char* const kStepperInputs[] = {".Position Wanted"};
const char* const kGeneralInputs[] = {".KeepOn", ".RedLED", ".OrangeLED", ".LogEnable"};

const char* const kTable2DOutputs[] = {"", ".Close", ".Change", ".Tuned"};
const char* const kTable3DOutputs[] = {"", ".Close1", ".Close2", ".Change", ".Tuned"};
const char* const kPidOutputs[] = {"", ".Integral"};
const char* const kClipperOutputs[] = {"", ".Overflow", ".Underflow"};
const char* const kTimerOutputs[] = {".Elapsed", ".Remaining"};
const char* const kStepperOutputs[] = {".Stepper 1", ".Stepper 2", ".Current Position"};

template <size_t N> std::string pick(const char* const (&names)[N], int k) {
    if (k < 0 || k >= static_cast<int>(N))
        return {};
    return names[k];
}

std::string number(int n) {
    return std::to_string(n);
}

std::string inputSuffix(const tECU& ecu, int element, int type, int k) {
    switch (type) {
    case ElementType::Table2D:
        return pick(kTable2DInputs, k);
    case ElementType::Table3D:
        return pick(kTable3DInputs, k);
    case ElementType::Summer:
    case ElementType::Comparator:
    case ElementType::Tickbox:
        return pick(kTwoInputs, k);
    case ElementType::Multiplier:
        return pick(kMultiplierInputs, k);
    case ElementType::PID:
        return pick(kPidInputs, k);
    case ElementType::Clipper:
    case ElementType::Wrapper:
        return pick(kClipperInputs, k);
    case ElementType::Switch:
        return pick(kSwitchInputs, k);
    case ElementType::Timer:
        return pick(kTimerInputs, k);
    case ElementType::Latch:
        return pick(kLatchInputs, k);
    case ElementType::Stepper:
        return pick(kStepperInputs, k);
    case ElementType::General:
        return pick(kGeneralInputs, k);
    case ElementType::Injectors: {
        // The alternative form has unnamed inputs.
        if (ecu.ReadConstByte(ecu.ElementConstOffset[element] + 25) & 1)
            return {};
        if (k < 0 || k >= 48)
            return {};
        const char* const roles[] = {"Dur", "Angle", "Async", "Pulse"};
        return ".Inj" + number(k / 4 + 1) + roles[k % 4];
    }
    case ElementType::Ignition:
        if (k < 0 || k >= 16)
            return {};
        return ".Ign" + number(k / 2 + 1) + (k % 2 ? "Dwell" : "Angle");
    case ElementType::AuxOnInj:
        if (k < 0 || k >= 16)
            return {};
        return ".Inj" + number(k / 2 + 5) + (k % 2 ? "AuxPeriod" : "AuxDuty");
    case ElementType::AuxOutputs:
        if (k < 0 || k >= 16)
            return {};
        return ".Aux" + number(k / 2 + 1) + (k % 2 ? "Period" : "Duty");
    default:
        return {};
    }
}

std::string channelName(const tECU& ecu, int record) {
    return PinTable::PinName(ecu, record);
}

std::string analogueOutputSuffix(const tECU& ecu, int k) {
    if (k >= 0 && k < 16)
        return ": Ana " + number(k + 1) + " (" +
               channelName(ecu, PinTable::AnalogueInputRecord(k + 1)) + ")";
    if (k >= 16 && k < 40)
        return ": Inj " + number((k - 16) / 2 + 1) + ((k - 16) % 2 ? " I" : " V");
    switch (k) {
    case 40:
        return ": 3V3";
    case 41:
        return ": 5V";
    case 42:
        return ": Batt";
    case 43:
        return ": Temp";
    default:
        return {};
    }
}

std::string inputsOutputSuffix(const tECU& ecu, int k) {
    if (k >= 0 && k < 8)
        return ": Serial1." + number(k + 1);
    if (k >= 8 && k < 16)
        return ": Serial2." + number(k - 7);
    if (k >= 16 && k < 20)
        return ": VSS" + number(k - 15);
    if (k >= 20 && k < 24)
        return ": VSSPeriod" + number(k - 19);
    if (k >= 24 && k < 40)
        return ": Knock " + number((k - 24) / 2 + 1) + ((k - 24) % 2 ? " Background" : " In Phase");
    if (k >= 40 && k < 44)
        return ": VVT" + number(k - 39);
    if (k == 44)
        return ": RPM / 100";
    if (k >= 45 && k < 53)
        return ": Dig " + number(k - 44) + " (" +
               channelName(ecu, PinTable::DigitalInputRecord(k - 44)) + ")";
    return {};
}

std::string outputSuffix(const tECU& ecu, int type, int k) {
    switch (type) {
    case ElementType::Table2D:
        return pick(kTable2DOutputs, k);
    case ElementType::Table3D:
        return pick(kTable3DOutputs, k);
    case ElementType::PID:
        return pick(kPidOutputs, k);
    case ElementType::Clipper:
        return pick(kClipperOutputs, k);
    case ElementType::Timer:
        return pick(kTimerOutputs, k);
    case ElementType::Stepper:
        return pick(kStepperOutputs, k);
    case ElementType::AnalogueInputs:
        return analogueOutputSuffix(ecu, k);
    case ElementType::Inputs:
        return inputsOutputSuffix(ecu, k);
    default:
        return {};
    }
}

// True when the new name sorts before the entry (or equals it).
bool sortsBefore(const std::string& name, const std::string& entry) {
    if (name == entry)
        return true;
    for (size_t pos = 0; pos < static_cast<size_t>(kNameLength); ++pos) {
        if (pos >= name.size() || pos >= entry.size())
            return true;
        auto a = static_cast<unsigned char>(name[pos]);
        auto b = static_cast<unsigned char>(entry[pos]);
        if (a != b)
            return a < b;
    }
    return false;
}

} // namespace

std::string tECU::InputName(int element, int input) const {
    if (element < 0 || element >= NumElements)
        return {};
    return "Page" + number(PageOf(element) + 1) + "." + NameOf(kNumPages + element) +
           inputSuffix(*this, element, TypeOf(element), input);
}

std::string tECU::OutputName(int element, int output, bool withPage) const {
    if (element < 0 || element >= NumElements)
        return {};
    std::string name = withPage ? "Pg" + number(PageOf(element) + 1) + "." : std::string();
    return name + NameOf(kNumPages + element) + outputSuffix(*this, TypeOf(element), output);
}

bool tECU::NameOfLiveAddress(int liveAddr, std::string& name) const {
    // The running sum, not the index's live offsets: this also answers while the
    // index is being rebuilt.
    long v = 0;
    for (int i = 0; i < NumElements; ++i) {
        int type = TypeOf(i);
        int outputs = OutputCount(type);
        for (int k = 0; k < outputs; ++k) {
            if (v + 2 * k == liveAddr) {
                name = OutputName(i, k, true);
                return true;
            }
        }
        v += LiveSize(type);
    }
    return false;
}

void tECU::AddLiveChoiceSorted(LiveChoiceList& list, int element, int output,
                               LiveValueFormat format, int selectedElement,
                               int selectedOutput) const {
    if (element < 0 || element >= NumElements)
        return;
    std::string name = OutputName(element, output, false);
    if (name.empty())
        name.push_back(' ');
    size_t pos = 0;
    while (pos < list.items.size() && !sortsBefore(name, list.items[pos]))
        ++pos;
    uint16_t value = format == LiveValueFormat::ByteAddress
                         ? static_cast<uint16_t>(ElementLiveOffset[element] + 2 * output)
                         : static_cast<uint16_t>(ElementLiveOffset[element] / 2 + output);
    if (list.values.size() < list.items.size())
        list.values.resize(list.items.size(), 0);
    list.items.insert(list.items.begin() + static_cast<long>(pos), name);
    list.values.insert(list.values.begin() + static_cast<long>(pos), value);
    // The selected entry stays selected when an entry goes in before it.
    if (list.selected >= static_cast<int>(pos))
        ++list.selected;
    if (element == selectedElement && output == selectedOutput)
        list.selected = static_cast<int>(pos);
}

std::string tECU::ValueText50(int16_t value) {
    char digits[16];
    if (value >= 0) {
        std::snprintf(digits, sizeof digits, "%d.%02d", value / 50, 2 * (value % 50));
    } else {
        // One decimal; no exact halves can occur, as v / 5 never ends in .5.
        int tenths = (-static_cast<int>(value) + 2) / 5;
        std::snprintf(digits, sizeof digits, "-%d.%d", tenths / 10, tenths % 10);
    }
    char text[16];
    std::snprintf(text, sizeof text, "%6s", digits);
    return text;
}

std::string tECU::FormatValue50(int16_t value, bool isLive) const {
    if (isLive && !LiveValuesAvailable())
        return "  ----";
    return ValueText50(value);
}

} // namespace zolmar
