#pragma once

#include "model/ECU.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zolmar {

// One special trigger mode: its text and, per trigger input (bit n = input n + 1),
// where the digital/reluctor choice may be changed and which inputs it makes digital.
struct SpecialTriggerMode {
    const char* text;
    uint8_t selectable;
    uint8_t digital;
};

// Decisions of the inputs-and-triggering dialog: what each control shows for the
// element's constant block and what changing it writes (through the model, with its
// change-log line). The edit fields are written only by ok().
class InputsTriggering {
public:
    // Trigger digital/reluctor pairs: trigger 1, triggers 2/3, triggers 4/5.
    static constexpr int kTriggerGroups = 3;
    // VSS digital/reluctor pairs: VSS 1, VSS 2, VSS 3/4.
    static constexpr int kVssGroups = 3;
    static constexpr int kVssPeriodMax = 10000;
    static constexpr int kModeCount = 34;

    explicit InputsTriggering(tECU& ecu) : ecu_(ecu) {}

    // Opens on the element; false when it is no inputs-and-triggering element.
    bool open(int element);
    int element() const { return element_.index(ecu_); }
    // False once the diagram no longer holds the opened element where it was: writes
    // are then refused.
    bool stillOpen() const;

    static const std::vector<std::string>& serialTypes();
    static const std::vector<std::string>& reset1Modes();
    static const std::vector<std::string>& reset23Modes();
    static const SpecialTriggerMode& mode(int index); // index outside 0..33: no mode
    static std::vector<std::string> modeTexts();

    // --- what the controls show; list entries are -1 for a stored value outside the list
    int serialType(int input) const; // input 1..2
    bool pullUp(int input) const;    // digital input 1..8
    std::string digitalPinName(int input) const;
    bool triggerDigital(int group) const;
    bool vssDigital(int group) const;
    bool fallingEdge(int trigger) const; // trigger 1..5
    int specialMode() const;             // the stored 6-bit index
    int specialModeEntry() const;
    bool swapCas() const;
    bool twoMissingTeeth() const;
    int reset(int mode) const; // reset mode 1..3
    int vssPeriod(int vss) const;
    // Cycle units of the "Trigger Offset (Crank°)" constant as it stands now.
    int triggerOffset() const { return computeTriggerOffset(); }
    // Angle increment, knock start, finish and step, as the edit fields show them.
    std::array<std::string, 4> editTexts() const;

    struct Enables {
        bool twoMissingTeeth = true;
        bool angleIncrement = true;
        bool resets = true;
        bool edges = true;
        std::array<bool, kTriggerGroups> triggerPairs{true, true, true};
    };
    Enables enables() const;

    // --- immediate writes: each keeps the other bits of its byte
    void setPullUp(int input, bool on);
    void setTriggerDigital(int group, bool digital);
    void setVssDigital(int group, bool digital);
    void setFallingEdge(int trigger, bool falling);
    void setSwapCas(bool swapped);
    void setTwoMissingTeeth(bool two);
    void setSerialType(int input, int index);
    void setReset(int mode, int index);
    void setVssPeriod(int vss, int value);
    // Stores the mode and, for a special mode, the trigger inputs its digital mask
    // gives; for the generic mode the stored choices are written again unchanged.
    void setSpecialMode(int index);
    // The angle increment as a raw word (1/50 crank degree), with its log line.
    void setAngleIncrement(int raw);
    // Takes the four VSS periods from the element's live periods as the vehicle runs at
    // 40 km/h. False (nothing written) without current live values.
    bool learnVehicleSpeed();

    // "OK": angle increment, knock start, finish, step, in that order. A field that
    // fails stops the run with its message; the fields before it stay written.
    bool ok(const std::array<std::string, 4>& texts);

    // The calculator: the period angle offset of an engine angle 0..720.
    static int periodAngleOffset(int angle);
    static std::string periodAngleText(int angle);

private:
    int addr(int offset) const { return base() + offset; }
    int base() const;
    uint8_t byteAt(int offset) const { return ecu_.ReadConstByte(addr(offset)); }
    int16_t signedWordAt(int offset) const {
        return static_cast<int16_t>(ecu_.ReadConstWord(addr(offset)));
    }
    void writeBits(int offset, uint8_t mask, bool on);
    void writeByte(int offset, uint8_t value);
    void writeWord(int offset, uint16_t value);
    void log(const std::string& line);
    void setAngleIncrement(int raw, double shown);
    int computeTriggerOffset() const;

    tECU& ecu_;
    ElementRef element_;
    int base_ = 0;
};

} // namespace zolmar
