#include "setup/InputsTriggering.h"

#include "dialogs/ElementDialogs.h"
#include "model/PinTable.h"

#include <cmath>
#include <cstdio>

namespace zolmar {

namespace {

// Constant block offsets.
constexpr int kSerial1 = 0;
constexpr int kSerial2 = 8;
constexpr int kPullUps = 16;
constexpr int kDigital = 17;
constexpr int kEdges = 22;
constexpr int kMode = 23;
constexpr int kAngleIncrement = 24;
constexpr int kReset1 = 26;
constexpr int kVssPeriods = 30;
constexpr int kKnockStart = 38;
constexpr int kKnockEnd = 40;
constexpr int kKnockStep = 42;
// Live outputs ": VSSPeriod1".. ": VSSPeriod4".
constexpr int kVssPeriodOutput = 20;

constexpr uint8_t kModeBits = 0x3F;
constexpr uint8_t kSwapBit = 0x40;
constexpr uint8_t kTwoTeethBit = 0x80;

// Per trigger group: the bits of address 17, the bit of address 22 and the mask bit.
constexpr uint8_t kTriggerBits17[3] = {0x01, 0x06, 0x18};
constexpr uint8_t kTriggerBits22[3] = {0x20, 0x40, 0x80};
constexpr uint8_t kTriggerMaskBit[3] = {0x01, 0x02, 0x08};
const char* const kTriggerNames[3] = {"Trigger 1", "Triggers 2 and 3", "Triggers 4 and 5"};
const char* const kVssNames[3] = {"VSS 1", "VSS 2", "VSS 3 and VSS 4"};

constexpr double kCycleUnits = 65536.0;

const SpecialTriggerMode kModes[InputsTriggering::kModeCount] = {
    {"Generic Multitooth (evenly spaced)", 0x1F, 0x1F},
    {"Hall Effect (2-mode timing)  (still to be implemented)", 0x1C, 0x1F},
    {"Suzuki GTi", 0x1E, 0x00},
    {"Subaru 99-00 (6 on crank / 7 on cam)", 0x1C, 0x00},
    {"Mazda RX8 (36-2-2-2 crank)", 0x1C, 0x00},
    {"Subaru Impreza VVT (36-2-2-2 crank, 4-1 on each cam)", 0x1C, 0x00},
    {"Subaru Impreza 01-03 (36-2-2-2 crank, 2 on cam)", 0x1C, 0x00},
    {"Holden LS1  (still to be implemented)", 0x1C, 0x1F},
    {"Mazda NA MX5 (89-95 year models)", 0x1C, 0x1F},
    {"Mazda NB MX5  (with or without VVT, 99-05 year models)", 0x1C, 0x1F},
    {"Ford (8 teeth, including 1 narrow)  (still to be implemented)", 0x1E, 0x1F},
    {"Honda S2000  (still to be implemented)", 0x1C, 0x1F},
    {"Honda DC5  (still to be implemented)", 0x1C, 0x1F},
    {"Honda Aquatrax  (still to be implemented)", 0x1E, 0x00},
    {"Mitsubishi 4G15  (still to be implemented)", 0x1E, 0x1F},
    {"Mitsubishi 4G61  (still to be implemented)", 0x1C, 0x1F},
    {"Nissan 4 cylinder 16/12/8/4", 0x1C, 0x1F},
    {"Nissan 6 cylinder 24/20/16/12/8/4", 0x1C, 0x1F},
    {"Nissan 8 cylinder 32/4/24/4/16/4/12/4", 0x1C, 0x1F},
    {"Audi V8 FSI 4xVVT", 0x00, 0x1E},
    {"x", 0, 0},
    {"x", 0, 0},
    {"x", 0, 0},
    {"x", 0, 0},
    {"x", 0, 0},
    {"x", 0, 0},
    {"x", 0, 0},
    {"x", 0, 0},
    {"x", 0, 0},
    {"x", 0, 0},
    {"x", 0, 0},
    {"x", 0, 0},
    {"Suzuki Baleno  (still to be implemented)", 0x1C, 0x1F},
    {"Volvo 6 cyl Diesel Crank + Cam", 0x1C, 0x00},
};
// A stored index outside the list: nothing may be chosen, nothing is made digital.
const SpecialTriggerMode kNoMode = {"", 0, 0};

int entryOf(int stored, const std::vector<std::string>& list) {
    return stored < static_cast<int>(list.size()) ? stored : -1;
}

std::string twoDecimals(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// Cycle units (65536 = 720 crank degrees) of an angle in crank degrees, rounded.
long cycleUnits(double degrees) {
    return std::lround(degrees * kCycleUnits / 720.0);
}

std::string degreesText(int16_t units) {
    return twoDecimals(units * 720.0 / kCycleUnits);
}

} // namespace

const std::vector<std::string>& InputsTriggering::serialTypes() {
    static const std::vector<std::string> list = {"None",
                                                  "Innovate LC-1/LM-1/TC-4",
                                                  "Innovate LM-1 (old)",
                                                  "M&W UEGO",
                                                  "Techedge 2C0",
                                                  "Techedge 2J1",
                                                  "FJO",
                                                  "AEM UEGO"};
    return list;
}

const std::vector<std::string>& InputsTriggering::reset1Modes() {
    static const std::vector<std::string> list = {
        "None", "Extra tooth = crank reset", "Missing tooth = crank reset",
        "Missing tooth = cam reset", "Missing tooth = first half only reset"};
    return list;
}

const std::vector<std::string>& InputsTriggering::reset23Modes() {
    static const std::vector<std::string> list = {
        "None",
        "Cam (inc phasing) on next crank trig",
        "Cam (inc phasing, 360 out of phase) on next crank trig",
        "Crank",
        "First half only",
        "Missing tooth (on cam) = first half only",
        "Period only"};
    return list;
}

const SpecialTriggerMode& InputsTriggering::mode(int index) {
    return index >= 0 && index < kModeCount ? kModes[index] : kNoMode;
}

std::vector<std::string> InputsTriggering::modeTexts() {
    std::vector<std::string> texts;
    for (const auto& m : kModes)
        texts.emplace_back(m.text);
    return texts;
}

bool InputsTriggering::open(int element) {
    if (element < 0 || element >= ecu_.NumElements || ecu_.TypeOf(element) != ElementType::Inputs)
        return false;
    element_ = ElementRef(ecu_, element);
    base_ = ecu_.ElementConstOffset[element];
    return true;
}

int InputsTriggering::computeTriggerOffset() const {
    int found = ecu_.FindElementByName("Trigger Offset (Crank\xB0)", false);
    if (found < 0)
        return 0;
    int constAddr = ecu_.ElementConstOffset[found];
    // An element without a constant word has no offset to give.
    if (ecu_.ConstSize(ecu_.TypeOf(found), constAddr) < 2)
        return 0;
    auto v = static_cast<int16_t>(ecu_.ReadConstWord(constAddr));
    return static_cast<int>(std::lround(v * kCycleUnits / 36000.0));
}

int InputsTriggering::serialType(int input) const {
    return entryOf(byteAt(input == 2 ? kSerial2 : kSerial1), serialTypes());
}

bool InputsTriggering::pullUp(int input) const {
    return input >= 1 && input <= 8 && (byteAt(kPullUps) >> (input - 1) & 1) != 0;
}

std::string InputsTriggering::digitalPinName(int input) const {
    int record = PinTable::DigitalInputRecord(input);
    return record < 0 ? std::string() : "'" + PinTable::PinName(ecu_, record) + "'";
}

bool InputsTriggering::triggerDigital(int group) const {
    return group >= 0 && group < kTriggerGroups && (byteAt(kEdges) & kTriggerBits22[group]) != 0;
}

bool InputsTriggering::vssDigital(int group) const {
    return group >= 0 && group < kVssGroups && (byteAt(kDigital) >> (5 + group) & 1) != 0;
}

bool InputsTriggering::fallingEdge(int trigger) const {
    return trigger >= 1 && trigger <= 5 && (byteAt(kEdges) >> (trigger - 1) & 1) != 0;
}

int InputsTriggering::specialMode() const {
    return byteAt(kMode) & kModeBits;
}

int InputsTriggering::specialModeEntry() const {
    int m = specialMode();
    return m < kModeCount ? m : -1;
}

bool InputsTriggering::swapCas() const {
    return (byteAt(kMode) & kSwapBit) != 0;
}

bool InputsTriggering::twoMissingTeeth() const {
    return (byteAt(kMode) & kTwoTeethBit) != 0;
}

int InputsTriggering::reset(int mode) const {
    if (mode < 1 || mode > 3)
        return -1;
    return entryOf(byteAt(kReset1 + mode - 1), mode == 1 ? reset1Modes() : reset23Modes());
}

int InputsTriggering::vssPeriod(int vss) const {
    if (vss < 1 || vss > 4)
        return 0;
    return ecu_.ReadConstWord(addr(kVssPeriods + 2 * (vss - 1)));
}

std::array<std::string, 4> InputsTriggering::editTexts() const {
    // The knock window's stored angles include the trigger offset; the difference wraps
    // as the ECU's 16-bit arithmetic does.
    const int trigger = triggerOffset();
    auto withoutOffset = [this, trigger](int offset) {
        return static_cast<int16_t>(static_cast<uint16_t>(ecu_.ReadConstWord(addr(offset)) -
                                                          static_cast<unsigned>(trigger)));
    };
    return {twoDecimals(signedWordAt(kAngleIncrement) / 50.0),
            degreesText(withoutOffset(kKnockStart)), degreesText(withoutOffset(kKnockEnd)),
            degreesText(signedWordAt(kKnockStep))};
}

InputsTriggering::Enables InputsTriggering::enables() const {
    Enables e;
    int m = specialMode();
    if (m != 0) {
        e.twoMissingTeeth = e.angleIncrement = e.resets = e.edges = false;
        for (int g = 0; g < kTriggerGroups; ++g)
            e.triggerPairs[static_cast<size_t>(g)] = (mode(m).selectable & kTriggerMaskBit[g]) != 0;
    } else {
        e.twoMissingTeeth = byteAt(kReset1) != 0;
    }
    return e;
}

void InputsTriggering::log(const std::string& line) {
    if (stillOpen())
        ecu_.LogChange(line);
}

bool InputsTriggering::stillOpen() const {
    // The very element opened: another configuration's Inputs element is another one.
    return element_.index(ecu_) >= 0;
}

int InputsTriggering::base() const {
    int i = element_.index(ecu_);
    return i >= 0 ? ecu_.ElementConstOffset[i] : base_;
}

void InputsTriggering::writeByte(int offset, uint8_t value) {
    if (stillOpen())
        ecu_.WriteConstByte(addr(offset), value);
}

void InputsTriggering::writeWord(int offset, uint16_t value) {
    if (stillOpen())
        ecu_.WriteConstWord(addr(offset), value);
}

void InputsTriggering::writeBits(int offset, uint8_t mask, bool on) {
    uint8_t value = byteAt(offset);
    writeByte(offset, static_cast<uint8_t>(on ? value | mask : value & ~mask));
}

void InputsTriggering::setPullUp(int input, bool on) {
    if (input < 1 || input > 8)
        return;
    writeBits(kPullUps, static_cast<uint8_t>(1u << (input - 1)), on);
    log((on ? "Enabled" : "Disabled") + std::string(" Pull Up for Digital Input ") +
        std::to_string(input));
}

void InputsTriggering::setTriggerDigital(int group, bool digital) {
    if (group < 0 || group >= kTriggerGroups)
        return;
    writeBits(kDigital, kTriggerBits17[group], digital);
    writeBits(kEdges, kTriggerBits22[group], digital);
    log(std::string("Selected ") + (digital ? "Digital" : "Reluctor") + " mode for " +
        kTriggerNames[group]);
}

void InputsTriggering::setVssDigital(int group, bool digital) {
    if (group < 0 || group >= kVssGroups)
        return;
    writeBits(kDigital, static_cast<uint8_t>(0x20u << group), digital);
    log(std::string("Selected ") + (digital ? "Digital" : "Reluctor") + " mode for " +
        kVssNames[group]);
}

void InputsTriggering::setFallingEdge(int trigger, bool falling) {
    if (trigger < 1 || trigger > 5)
        return;
    writeBits(kEdges, static_cast<uint8_t>(1u << (trigger - 1)), falling);
    log(std::string("Selected ") + (falling ? "Falling" : "Rising") + " Edge mode for Trigger " +
        std::to_string(trigger));
}

void InputsTriggering::setSwapCas(bool swapped) {
    writeBits(kMode, kSwapBit, swapped);
    log(swapped ? "CAS 1 and CAS 2 set to be SWAPPED"
                : "CAS 1 and CAS 2 set to normal (NOT swapped)");
}

void InputsTriggering::setTwoMissingTeeth(bool two) {
    writeBits(kMode, kTwoTeethBit, two);
    log(two ? "Specified 2 missing teeth on crank" : "Specified 1 missing tooth on crank");
}

void InputsTriggering::setSerialType(int input, int index) {
    if ((input != 1 && input != 2) || index < 0 || index >= static_cast<int>(serialTypes().size()))
        return;
    writeByte(input == 2 ? kSerial2 : kSerial1, static_cast<uint8_t>(index));
    log("Serial Input " + std::to_string(input) + " Type changed to " + std::to_string(index));
}

void InputsTriggering::setReset(int mode, int index) {
    static const char* const kReset1Log[] = {
        "None", "Extra Tooth Equals Crank Reset", "Missing Tooth Equals Crank Reset",
        "Missing Tooth Equals Cam Reset", "Missing Tooth Equals First Half Only Reset"};
    static const char* const kReset23Log[] = {"None",
                                              "Cam Inc Phasing on Next Crank Trig",
                                              "Cam Inc Phasing 360 Out of Phase on Next Crank Trig",
                                              "Crank",
                                              "First Half Only",
                                              "Missing Tooth On Cam Equals First Half Only"};
    if (mode < 1 || mode > 3)
        return;
    const auto& list = mode == 1 ? reset1Modes() : reset23Modes();
    if (index < 0 || index >= static_cast<int>(list.size()))
        return;
    writeByte(kReset1 + mode - 1, static_cast<uint8_t>(index));
    const std::string start = "Reset Mode " + std::to_string(mode) + " was changed to ";
    if (mode == 1)
        log(start + kReset1Log[index]);
    else if (index < static_cast<int>(std::size(kReset23Log))) // "Period only" logs nothing
        log(start + kReset23Log[index]);
}

void InputsTriggering::setVssPeriod(int vss, int value) {
    if (vss < 1 || vss > 4)
        return;
    value = value < 0 ? 0 : value > kVssPeriodMax ? kVssPeriodMax : value;
    writeWord(kVssPeriods + 2 * (vss - 1), static_cast<uint16_t>(value));
    log("Changed VSS " + std::to_string(vss) + " Period to " + std::to_string(value));
}

void InputsTriggering::setSpecialMode(int index) {
    if (index < 0 || index >= kModeCount)
        return;
    writeByte(kMode, static_cast<uint8_t>((byteAt(kMode) & ~kModeBits) | index));
    log(std::string("Special Trigger Mode was changed to ") + kModes[index].text);
    for (int g = 0; g < kTriggerGroups; ++g) {
        bool digital =
            index != 0 ? (kModes[index].digital & kTriggerMaskBit[g]) != 0 : triggerDigital(g);
        setTriggerDigital(g, digital);
    }
}

void InputsTriggering::setAngleIncrement(int raw, double shown) {
    writeWord(kAngleIncrement, static_cast<uint16_t>(raw));
    log("Angle Increment was changed to " + twoDecimals(shown));
}

void InputsTriggering::setAngleIncrement(int raw) {
    setAngleIncrement(raw, raw / 50.0);
}

bool InputsTriggering::learnVehicleSpeed() {
    if (!stillOpen() || !ecu_.LiveValuesAvailable())
        return false;
    for (int vss = 1; vss <= 4; ++vss) {
        long live = Layout::kLiveBase + ecu_.ElementLiveOffset[element_.index(ecu_)] +
                    2 * (kVssPeriodOutput + vss - 1);
        setVssPeriod(vss, ecu_.ImageWord(live) * 40 / 50);
    }
    return true;
}

bool InputsTriggering::ok(const std::array<std::string, 4>& texts) {
    if (!stillOpen())
        return false;
    double x = 0;
    if (!parseTypedValue(ecu_.messages(), texts[0], x))
        return false;
    setAngleIncrement(static_cast<int>(std::lround(x * 50)), x);

    struct Knock {
        int offset;
        bool withTriggerOffset;
        const char* log;
    };
    static const Knock kKnock[3] = {{kKnockStart, true, "Knock start angle was changed to "},
                                    {kKnockEnd, true, "Knock End Angle was changed to "},
                                    {kKnockStep, false, "Knock step angle was changed to "}};
    for (int k = 0; k < 3; ++k) {
        if (!parseTypedValue(ecu_.messages(), texts[static_cast<size_t>(k + 1)], x))
            return false;
        // The offset as it is at OK: the knock window is entered relative to TDC.
        long units = cycleUnits(x) + (kKnock[k].withTriggerOffset ? triggerOffset() : 0);
        // The stored word wraps as the ECU's 16-bit angles do.
        writeWord(kKnock[k].offset, static_cast<uint16_t>(static_cast<unsigned long>(units)));
        log(kKnock[k].log + twoDecimals(x));
    }
    return true;
}

int InputsTriggering::periodAngleOffset(int angle) {
    return angle <= 360 ? angle : angle - 720;
}

std::string InputsTriggering::periodAngleText(int angle) {
    return "Resulting Period Angle Offset (from -360 to +360)  =  " +
           std::to_string(periodAngleOffset(angle));
}

} // namespace zolmar
