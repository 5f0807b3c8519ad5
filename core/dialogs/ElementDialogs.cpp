#include "dialogs/ElementDialogs.h"

#include "model/Tables.h"

#include <cmath>
#include <map>

namespace zolmar {

using namespace Layout;

namespace {

constexpr const char* kOutOfRange = "Number out of range. Allowable range is -655 to +655";
constexpr const char* kDelayRange = "Delay must be between 10 and 40000 (when not zero).";

std::map<int, DialogLayout> makeLayouts() {
    std::map<int, DialogLayout> m;
    auto add = [&m](int type, const char* caption, std::vector<std::string> lines) -> auto& {
        DialogLayout& l = m[type];
        l.caption = caption;
        l.description = std::move(lines);
        return l;
    };
    DialogLayout& label = add(ElementType::Label, "Label", {});
    label.hasDescription = false;
    label.showsDepth = false;
    DialogLayout& constant = add(ElementType::Constant, "'Constant' Properties", {});
    constant.hasDescription = false;
    constant.offersVisAdv = true;
    constant.hasCancel = true;
    add(ElementType::Display, "'Display' element",
        {"This element simply displays the value on its input."});
    add(ElementType::Summer, "Summer",
        {"When in 'arithmetic sum' mode, this elements outputs the sum",
         "of the two input values. A subtraction can be achieved by", "inverting the inputs.",
         "When one of the 'logical' modes is selected, the output will be",
         "the result of the chosen logical operation on the two inputs.",
         "An input value of 0 or less is considered to be a logic 0, and",
         "an input value > 0 is considered to be a logic 1."});
    add(ElementType::Multiplier, "Multiplier properties",
        {"This element multiplies its first two inputs, then divides",
         "the result by its third input, and outputs that result."});
    add(ElementType::PID, "PID Element Properties",
        {"PID (Proportional - Integral - Differential) controllers are used",
         "for performing closed-loop corrections.",
         "The difference between the setpoint (target value) and the",
         "feedback (measured value) is calculated to obtain what is",
         "known as an 'error' value. ",
         "The error is multiplied by the Proportional gain to give a",
         "Proportional component.",
         "Every 'timeslice' period, the error is multiplied by the Integral",
         "gain, and the timeslice value, and the result is added to a",
         "cumulative sum, which becomes the Integral component.",
         "The rate-of-change of the feedback input (over the",
         "'timeslice' period) is multiplied by the Differential gain to give",
         "a Differential Component.",
         "The Proportional, Integral and Differential components are",
         "finally added together to give a final 'control effort' (the",
         "output from the PID controller).",
         "It can be useful to prevent the Integral from accumulating",
         "if the control device (eg. an idle stepper motor) has reached",
         "its physical limits (known as saturation). This is done using",
         "the 'stop integral up' or 'stop integral down' inputs.",
         "The 'Integral' output value represents the upper 16 bits of",
         "the accumulated Integral value."});
    add(ElementType::Clipper, "Clipper properties",
        {"This element 'clips' the input within the range of the",
         "max and min inputs, and outputs the clipped value.",
         "If clipping occurs, the overflow or underflow outputs",
         "will indicate the amount that the input was clipped by."});
    add(ElementType::Comparator, "Comparator",
        {"This element compares the two inputs using the test",
         "chosen above, and outputs a value of 1 if the result",
         "is true, or a value of 0 if the result is false.",
         "The syntax is as follows (shown with a '<' operation):", "if (input1 < input2) then",
         "    result = true;", "else", "    result = false;"});
    add(ElementType::Switch, "Switch Properties",
        {"The 'sel' input determines which of the first two inputs",
         "will be seen on the output."});
    add(ElementType::Tickbox, "Tickbox properties",
        {"This element will output the value on one of its inputs,",
         "depending on whether it is 'ticked' or 'crossed'."})
        .offersVisAdv = true;
    DialogLayout& mux4 =
        add(ElementType::Mux4, "4-way Mux Properties",
            {"This multiplexer element allows the user to manually",
             "choose one of the four inputs to be seen on the output.",
             "This can be achieved using the drop-down box below,",
             "or by clicking on the string for the desired input on the", "element itself."});
    mux4.offersVisAdv = true;
    mux4.hasCancel = true;
    DialogLayout& mux32 = add(ElementType::Mux32, "32-way Mux Properties",
                              {"This multiplexer element allows the user to manually choose one "
                               "of the 32 inputs to be seen on the output.",
                               "This can be achieved using the drop-down box below, or by "
                               "clicking on the string for the desired input on the",
                               "element itself."});
    mux32.offersVisAdv = true;
    mux32.hasCancel = true;
    add(ElementType::Timer, "Timer properties",
        {"The 'interval' value will be loaded when 'reload' is high.",
         "When 'reload' goes low, the timer (and the value of the",
         "'remaining' output) will start counting down. The 'elapsed'",
         "output will go high at the end of the interval period."});
    add(ElementType::Latch, "Latch Properties",
        {"This element is used to 'store' values. If it is set as 'level-",
         "triggered', the output will be updated with the input 'value'",
         "whenever the 'store' input is high. When the latch is set to",
         "'edge triggered', the output will be updated with the input",
         "'value' whenever there is a rising edge on the 'store' input."});
    DialogLayout& delay = add(ElementType::Delay, "Delay Element Properties",
                              {"The delay element continually stores the value on its",
                               "input, and outputs the value after the delay period.",
                               "Therefore, if the delay period was set to 150ms, the",
                               "output at any point in time would reflect the value that",
                               "was on the input 150ms ago."});
    delay.offersVisAdv = true;
    delay.hasCancel = true;
    DialogLayout& gauge = add(ElementType::Gauge, "Gauge Properties", {});
    gauge.hasDescription = false;
    gauge.hasCancel = true;
    add(ElementType::Stepper, "Stepper Motor Block",
        {"This element can be used to generate the necessary signals",
         "for the Aux Outputs for a stepper motor. It takes an input for",
         "the stepper position needed at any instant, and generates ",
         "the required step sequence on its first two outputs.",
         "The 'Position Wanted' input should be the position that the",
         "motor needs to step to right now.",
         "The 'Stepper 1' and 'Stepper 2' outputs should be connected",
         "to the relevant inputs on the Aux Outputs page.",
         "The 3rd and 4th Stepper signals can be obtained by inverting",
         "the 'Stepper 2' and 'Stepper 1' signals respectively."})
        .offersVisAdv = true;
    add(ElementType::Wrapper, "Wrapper Properties",
        {"This element takes an 'input' value and ensures that",
         " the output will be within the range of the min and",
         " max inputs, by taking the 'modulo' of the difference",
         " between the min and max inputs."});
    return m;
}

// Comparator codes of the drop-down entries, in entry order.
constexpr int kComparatorCodes[6] = {4, 3, 1, 2, 5, 6};
constexpr const char* kComparatorLog[6] = {" was changed to Equals",
                                           " was changed to Not Equal To",
                                           " was changed to Greater Than",
                                           " was changed to Less Than",
                                           " was changed to Greater Than Or Equal",
                                           " was changed to Less Than Or Equal"};
constexpr const char* kSummerLog[4] = {" was changed to SUM", " was changed to OR",
                                       " was changed to AND", " was changed to XOR"};

bool parseNumber(Messages& messages, const std::string& text, double& value, const char* failure) {
    if (!Tables::ParseReal(text, value)) {
        messages.error("\"" + text + "\"" + failure);
        return false;
    }
    return true;
}

} // namespace

DialogKind dialogKindFor(int type) {
    if (type == ElementType::Table2D || type == ElementType::Table3D)
        return DialogKind::TableEditor;
    if (isDedicatedType(type) || type == ElementType::AuxOnInj)
        return DialogKind::Dedicated;
    if (!dialogLayout(type).caption.empty())
        return DialogKind::Properties;
    return DialogKind::None;
}

const DialogLayout& dialogLayout(int type) {
    static const std::map<int, DialogLayout> layouts = makeLayouts();
    static const DialogLayout none;
    auto it = layouts.find(type);
    return it == layouts.end() ? none : it->second;
}

bool parseTypedValue(Messages& messages, const std::string& text, double& value) {
    if (!parseNumber(messages, text, value, " not a valid real number"))
        return false;
    if (!(value >= -655.0 && value <= 655.0)) {
        messages.error(kOutOfRange);
        return false;
    }
    return true;
}

bool ElementProperties::open(int element) {
    if (element < 0 || element >= ecu_.NumElements)
        return false;
    ctx_ = {};
    ref_ = ElementRef(ecu_, element);
    ctx_.element = element;
    ctx_.type = ecu_.TypeOf(element);
    ctx_.liveAddress = ecu_.ElementLiveOffset[element];
    ctx_.constAddress = ecu_.ElementConstOffset[element];
    ctx_.configAddress = ecu_.ElementLogicOffset[element];
    ctx_.name = ecu_.NameOf(kNumPages + element);
    ctx_.depth = ecu_.ElementDepth[element];
    ctx_.liveSize = tECU::LiveSize(ctx_.type);
    ctx_.constSize = ecu_.ConstSize(ctx_.type, ctx_.constAddress);
    ctx_.configSize = tECU::LogicSize(ctx_.type);
    ctx_.page = ecu_.PageOf(element) + 1;
    return true;
}

std::vector<AdvancedRow> ElementProperties::advancedRows() const {
    std::vector<AdvancedRow> rows = {
        {"Live Address", std::to_string(ctx_.liveAddress)},
        {"Constant Address", std::to_string(ctx_.constAddress)},
        {"Config Address", std::to_string(ctx_.configAddress)},
        {"Index", std::to_string(ctx_.element)},
        {"Calc. Depth", std::to_string(ctx_.depth)},
        {"Live Size", std::to_string(ctx_.liveSize)},
        {"Constant Size", std::to_string(ctx_.constSize)},
        {"Config Size", std::to_string(ctx_.configSize)},
    };
    if (!dialogLayout(ctx_.type).showsDepth)
        rows.erase(rows.begin() + 4);
    return rows;
}

std::string ElementProperties::namedOnPage() const {
    return ctx_.name + " on page " + std::to_string(ctx_.page);
}

void ElementProperties::log(const std::string& start, const std::string& suffix) {
    ecu_.LogChange(start + namedOnPage() + suffix);
}

int ElementProperties::constAddr(int b) const {
    int i = ref_.index(ecu_);
    return (i >= 0 ? ecu_.ElementConstOffset[i] : ctx_.constAddress) + b;
}

int ElementProperties::configAddr(int b) const {
    int i = ref_.index(ecu_);
    return (i >= 0 ? ecu_.ElementLogicOffset[i] : ctx_.configAddress) + b;
}

void ElementProperties::writeConstByte(int b, uint8_t value) {
    if (!stillOpen())
        return;
    ecu_.WriteConstByte(constAddr(b), value);
    ecu_.ConstantsChanged = true;
}

void ElementProperties::writeConstWord(int b, uint16_t value) {
    if (stillOpen())
        ecu_.WriteConstWord(constAddr(b), value);
}

void ElementProperties::writeLogicByte(int b, uint8_t value, bool cosmetic) {
    if (stillOpen())
        ecu_.WriteLogicByte(configAddr(b), value, cosmetic);
}

bool ElementProperties::visibleOnlyInAdvanced() const {
    return (ecu_.ReadLogicByte(configAddr(3)) & 0x80) != 0;
}

void ElementProperties::setVisibleOnlyInAdvanced(bool on) {
    uint8_t b = ecu_.ReadLogicByte(configAddr(3));
    b = on ? static_cast<uint8_t>(b | 0x80) : static_cast<uint8_t>(b & 0x7F);
    writeLogicByte(3, b, true);
}

// ---------------------------------------------------------------- Constant

std::string ElementProperties::constantText() const {
    return Tables::TwoDecimals(static_cast<int16_t>(ecu_.ReadConstWord(constAddr(0))));
}

bool ElementProperties::constantOk(const std::string& text) {
    if (!stillOpen())
        return false;
    double value;
    if (!parseTypedValue(ecu_.messages(), text, value))
        return false;
    long raw = Tables::RawFromValue(value);
    writeConstWord(0, static_cast<uint16_t>(raw));
    ecu_.ConstantsChanged = true;
    log("The constant value of the constant called ",
        " was changed to " + Tables::TwoDecimals(static_cast<int>(raw)));
    return true;
}

bool ElementProperties::constantArrow(std::string& text, bool up) {
    if (!stillOpen())
        return false;
    double value;
    if (!parseTypedValue(ecu_.messages(), text, value))
        return false;
    // The value is tested before the step, so 654.5 stays where it is.
    if (up ? value > 654.0 : value < -654.0)
        return false;
    value += up ? 1.0 : -1.0;
    long raw = Tables::RawFromValue(value);
    writeConstWord(0, static_cast<uint16_t>(raw));
    text = Tables::TwoDecimals(static_cast<int>(raw));
    return true;
}

// ---------------------------------------------------------------- Delay

std::string ElementProperties::delayText() const {
    return std::to_string(ecu_.ReadConstWord(constAddr(0)));
}

bool ElementProperties::delayOk(const std::string& text) {
    if (!stillOpen())
        return false;
    double value;
    if (!parseNumber(ecu_.messages(), text, value, " not a valid integer number"))
        return false;
    double rounded = std::nearbyint(value);
    if (!(rounded == 0.0 || (rounded >= 10.0 && rounded <= 40000.0))) {
        ecu_.messages().error(kDelayRange);
        return false;
    }
    auto ms = static_cast<uint16_t>(rounded);
    writeConstWord(0, ms);
    ecu_.ConstantsChanged = true;
    log("The Delay value of the Delay called ", " was changed to " + std::to_string(ms));
    return true;
}

// ---------------------------------------------------------------- Gauge

std::array<std::string, 4> ElementProperties::gaugeTexts() const {
    std::array<std::string, 4> texts;
    for (int k = 0; k < 4; ++k)
        texts[static_cast<size_t>(k)] =
            Tables::TwoDecimals(static_cast<int16_t>(ecu_.ReadConstWord(constAddr(2 * k))));
    return texts;
}

bool ElementProperties::gaugeOk(const std::array<std::string, 4>& texts) {
    if (!stillOpen())
        return false;
    static const char* const kStarts[4] = {
        "The minimum gauge value of the Gauge called ",
        "The maximum gauge value of the Gauge called ",
        "The soft alarm threshold of the Gauge called ",
        "The hard alarm threshold of the Gauge called ",
    };
    for (int k = 0; k < 4; ++k) {
        double value;
        // Fields before an invalid one stay written.
        if (!parseTypedValue(ecu_.messages(), texts[static_cast<size_t>(k)], value))
            return false;
        long raw = Tables::RawFromValue(value);
        writeConstWord(2 * k, static_cast<uint16_t>(raw));
        ecu_.ConstantsChanged = true;
        log(kStarts[k], " was changed to " + Tables::TwoDecimals(static_cast<int>(raw)));
    }
    return true;
}

bool ElementProperties::gaugeFlag(int bit) const {
    return (constByte(8) >> bit) & 1;
}

bool ElementProperties::setGaugeFlag(int bit, bool on) {
    if (!stillOpen())
        return false;
    if (bit < 0 || bit > 2)
        return false;
    uint8_t b = constByte(8);
    b = on ? static_cast<uint8_t>(b | (1 << bit)) : static_cast<uint8_t>(b & ~(1 << bit));
    writeConstByte(8, b);
    static const char* const kOn[3] = {" was changed to a Boolean Gauge",
                                       " was changed to a Large Gauge",
                                       " was set to not be shown on the F2 Gauges window"};
    static const char* const kOff[3] = {" was changed to a Standard Gauge",
                                        " was changed to a Small Gauge",
                                        " was set to be shown on the F2 Gauges window"};
    log("The Gauge called ", on ? kOn[bit] : kOff[bit]);
    return bit < 2;
}

int ElementProperties::gaugeNumber() const {
    return (constByte(8) >> 3) & 7;
}

void ElementProperties::setGaugeNumber(int number) {
    if (number < 0 || number > 5)
        return;
    // Each number 1..5 belongs to one Gauge at most.
    if (!stillOpen())
        return;
    if (number != 0) {
        for (int j = 0; j < ecu_.NumElements; ++j) {
            if (j == ref_.index(ecu_) || ecu_.TypeOf(j) != ElementType::Gauge)
                continue;
            int c = ecu_.ElementConstOffset[j] + 8;
            uint8_t b = ecu_.ReadConstByte(c);
            if (((b >> 3) & 7) == number)
                ecu_.WriteConstByte(c, static_cast<uint8_t>(b & ~0x38));
        }
    }
    writeConstByte(8, static_cast<uint8_t>((constByte(8) & ~0x38) | (number << 3)));
}

// ---------------------------------------------------------------- Summer, PID, Comparator

int ElementProperties::summerOperation() const {
    return (constByte(0) >> 3) & 3;
}

void ElementProperties::setSummerOperation(int operation) {
    if (operation < 0 || operation > 3)
        return;
    uint8_t b = static_cast<uint8_t>((constByte(0) & ~0x18) | (operation << 3));
    if (operation == 0)
        b = static_cast<uint8_t>(b & ~0x04);
    writeConstByte(0, b);
    log("The operation of the Summer called ", kSummerLog[operation]);
}

bool ElementProperties::summerInvert(int bit) const {
    return (constByte(0) >> bit) & 1;
}

void ElementProperties::setSummerInvert(int bit, bool on) {
    if (bit < 0 || bit > 2)
        return;
    uint8_t b = constByte(0);
    b = on ? static_cast<uint8_t>(b | (1 << bit)) : static_cast<uint8_t>(b & ~(1 << bit));
    writeConstByte(0, b);
    static const char* const kStarts[3] = {"Input 1 of the Summer called ",
                                           "Input 2 of the Summer called ",
                                           "The output of the Summer called "};
    log(kStarts[bit], on ? " was Inverted" : " was Uninverted");
}

bool ElementProperties::pidDivided() const {
    return constByte(0) & 1;
}

void ElementProperties::setPidDivided(bool on) {
    writeConstByte(0, static_cast<uint8_t>(on ? constByte(0) | 1 : constByte(0) & ~1));
    log("The D gain of the PID controller called ",
        on ? " was set to be divided by 64" : " was set to be normal (ie. NOT divided by 64)");
}

int ElementProperties::comparatorEntry() const {
    int code = constByte(0);
    for (int k = 0; k < 6; ++k)
        if (kComparatorCodes[k] == code)
            return k;
    return -1;
}

void ElementProperties::setComparatorEntry(int entry) {
    if (entry < 0 || entry > 5)
        return;
    writeConstByte(0, static_cast<uint8_t>(kComparatorCodes[entry]));
    log("The operation of the Comparator called ", kComparatorLog[entry]);
}

// ---------------------------------------------------------------- Tickbox, muxes, latch, stepper

bool ElementProperties::ticked() const {
    return constByte(0) == 1;
}

void ElementProperties::setTicked(bool on) {
    writeConstByte(0, on ? 1 : 0);
    log("The tickbox called ", on ? " was ticked" : " was un-ticked");
}

int ElementProperties::muxInputs() const {
    return ctx_.type == ElementType::Mux32 ? 32 : ctx_.type == ElementType::Mux4 ? 4 : 0;
}

int ElementProperties::muxFirstByte() const {
    return ctx_.type == ElementType::Mux32 ? 68 : 12;
}

std::string ElementProperties::muxDescription(int input) const {
    std::string text;
    if (input < 0 || input >= muxInputs())
        return text;
    int at = configAddr(muxFirstByte() + 16 * input);
    for (int k = 0; k < 16; ++k) {
        uint8_t b = ecu_.ReadLogicByte(at + k);
        if (b == 0)
            break;
        text.push_back(static_cast<char>(b));
    }
    return text;
}

void ElementProperties::setMuxDescription(int input, const std::string& text) {
    if (input < 0 || input >= muxInputs())
        return;
    int at = muxFirstByte() + 16 * input;
    for (int k = 0; k < 16; ++k) {
        uint8_t b = k < static_cast<int>(text.size()) ? static_cast<uint8_t>(text[k]) : 0;
        writeLogicByte(at + k, b, true);
    }
}

int ElementProperties::muxSelected() const {
    return constByte(0);
}

void ElementProperties::selectMuxInput(int input) {
    if (input < 0 || input >= muxInputs())
        return;
    writeConstByte(0, static_cast<uint8_t>(input));
    const char* start =
        ctx_.type == ElementType::Mux32 ? "The 32-way mux called " : "The 4-way mux called ";
    log(start, " had input number " + std::to_string(input + 1) + " selected");
}

bool ElementProperties::latchEdge() const {
    return constByte(0) & 1;
}

void ElementProperties::setLatchEdge(bool edge) {
    writeConstByte(0, edge ? 1 : 0);
    log("The operation of the Latch called ",
        edge ? " was changed to Edge Triggered" : " was changed to Level Triggered");
}

int ElementProperties::stepperPeriod() const {
    return constByte(0) & 7;
}

void ElementProperties::setStepperPeriod(int entry) {
    if (entry < 0 || entry > 7)
        return;
    writeConstByte(0, static_cast<uint8_t>((constByte(0) & ~7) | entry));
    log("The Step Period of the Stepper Block called ",
        " was changed to " + std::to_string(5 << entry));
}

const std::vector<std::string>& ElementProperties::summerOperations() {
    static const std::vector<std::string> v = {"Arithmetic SUM", "Logical OR", "Logical AND",
                                               "Logical XOR"};
    return v;
}

const std::vector<std::string>& ElementProperties::comparatorOperations() {
    static const std::vector<std::string> v = {"Equal to",
                                               "Not Equal to",
                                               "Greater than",
                                               "Less than",
                                               "Greater than or Equal to",
                                               "Less than or Equal to"};
    return v;
}

const std::vector<std::string>& ElementProperties::stepperPeriods() {
    static const std::vector<std::string> v = {"5 ms",  "10 ms",  "20 ms",  "40 ms",
                                               "80 ms", "160 ms", "320 ms", "640 ms"};
    return v;
}

const std::vector<std::string>& ElementProperties::latchTriggers() {
    static const std::vector<std::string> v = {"Edge triggered", "Level triggered"};
    return v;
}

} // namespace zolmar
