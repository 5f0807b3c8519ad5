#pragma once

#include "model/ECU.h"

#include <string>
#include <vector>

namespace zolmar {

// What the dedicated function dialogs share: the element they edit, bounds-safe
// access to its constant block and bit writes that keep the rest of a byte.
class DedicatedBlock {
public:
    explicit DedicatedBlock(tECU& ecu) : ecu_(ecu) {}
    int element() const { return element_.index(ecu_); }
    // False once the opened element has gone (deleted, or another configuration
    // loaded): writes are then refused.
    bool stillOpen() const;

protected:
    // Opens on the element when its type is one of the given ones.
    bool openAs(int element, std::initializer_list<int> types);
    uint8_t byteAt(int offset) const { return ecu_.ReadConstByte(base() + offset); }
    // The block's constant address where the element is now.
    int base() const;
    // Read-modify-write of the bits in mask at an absolute constant address.
    void writeField(int constAddr, uint8_t mask, uint8_t value);
    void writeBits(int offset, uint8_t mask, uint8_t value) {
        writeField(base() + offset, mask, value);
    }

    tECU& ecu_;
    ElementRef element_;
    int base_ = 0;
    int type_ = 0;
    bool marksConstants_ = false; // writes set ConstantsChanged
};

// Absolute constant addresses of the dedicated blocks (always elements 0..5).
namespace DedicatedAddress {
inline constexpr int kAuxOutputs = 257;
inline constexpr int kInjectors = 265;
inline constexpr int kIgnition = 291;
inline constexpr int kGeneral = 301;
inline constexpr int kIgnitionOr = kGeneral + 17;
inline constexpr int kPeakTime1to6 = kGeneral + 36;
inline constexpr int kPeakTime7to12 = kGeneral + 37;
} // namespace DedicatedAddress

// The firing patterns of injector and ignition outputs.
const std::vector<std::string>& firingPatterns();

// "Analogue Inputs": the temperature bias of analogue inputs 9-12.
class AnalogueInputsSettings : public DedicatedBlock {
public:
    using DedicatedBlock::DedicatedBlock;
    bool open(int element) { return openAs(element, {ElementType::AnalogueInputs}); }
    bool temperatureBias() const { return (byteAt(0) & 1) != 0; }
    void setTemperatureBias(bool on);
};

// "Aux Outputs" and "Aux Outputs on Spare Injector Outputs": per output invert, high
// side drive and the channel it copies; the spare form also frees its injector output.
class AuxOutputsSettings : public DedicatedBlock {
public:
    static constexpr int kOutputs = 8;
    using DedicatedBlock::DedicatedBlock;
    bool open(int element);
    bool spareInjectors() const { return spare_; }
    std::string caption() const;
    // "Aux 1".. or "Aux on Inj 5"..; the copy list is "None" followed by them.
    std::vector<std::string> outputNames() const;
    std::vector<std::string> copyEntries() const;
    std::string pinName(int output) const; // output 0..7, in single quotes

    bool invert(int output) const;
    bool driveHigh(int output) const;
    int copyEntry(int output) const; // 0 "None", else the channel 1..8
    bool useAsAux(int output) const; // spare form: bit 7 of the injector output's byte

    void setInvert(int output, bool on);
    void setDriveHigh(int output, bool on);
    void setCopyEntry(int output, int entry);
    void setUseAsAux(int output, bool on);

private:
    bool spare_ = false;
};

// "Injectors": per output pattern, duration divider and aux use; for all outputs the
// current, the injection mode and the two peak times.
class InjectorSettings : public DedicatedBlock {
public:
    static constexpr int kOutputs = 12;
    static constexpr int kPeakMax = 1020;
    using DedicatedBlock::DedicatedBlock;
    bool open(int element);

    static const std::vector<std::string>& currents();
    static const std::vector<std::string>& modes();

    int pattern(int output) const; // output 0..11; -1 outside the list
    bool divideBy10(int output) const;
    bool auxAllowed(int output) const { return output >= 4 && output < kOutputs; }
    bool useAsAux(int output) const; // false for outputs 1..4 whatever the bit
    int current() const;
    int mode() const;
    int peakTime(int group) const; // group 0: outputs 1-6, 1: 7-12; microseconds

    void setPattern(int output, int pattern);
    void setDivideBy10(int output, bool on);
    void setUseAsAux(int output, bool on);
    void setCurrent(int current);
    void setMode(int mode);
    void setPeakTime(int group, int microseconds);
};

// "Ignition Element": per output pattern, invert and the OR with the next output.
class IgnitionSettings : public DedicatedBlock {
public:
    static constexpr int kOutputs = 8;
    using DedicatedBlock::DedicatedBlock;
    bool open(int element);

    int pattern(int output) const; // -1 outside the list
    bool invert(int output) const;
    bool orAllowed(int output) const { return output >= 0 && output < kOutputs - 1; }
    bool orWithNext(int output) const;

    void setPattern(int output, int pattern);
    void setInvert(int output, bool on);
    void setOrWithNext(int output, bool on);
};

// "General Functions": logging, headphone and ignition power settings and the fifteen
// internal logging channels.
class GeneralSettings : public DedicatedBlock {
public:
    using DedicatedBlock::DedicatedBlock;
    // Also collects the gauges of page 0 and clears the validity word of every channel
    // whose gauge is not among them.
    bool open(int element);

    static const std::vector<std::string>& loggingPeriods();
    static const std::vector<std::string>& headphoneOutputs();
    static const std::vector<std::string>& ignitionPowerSetups();

    int loggingPeriod() const { return byteAt(0) & 7; }
    bool forceLogging() const { return (byteAt(0) & 0x20) != 0; }
    bool logToFlash() const { return (byteAt(0) & 0x40) != 0; }
    bool logToUsb() const { return (byteAt(0) & 0x80) != 0; }
    int knock(int k) const; // k 1..2
    bool playTones() const { return (byteAt(1) & 0x10) != 0; }
    int ignitionPower() const; // -1 outside the list

    void setLoggingPeriod(int index);
    void setForceLogging(bool on);
    void setHeadphones(int knock1, int knock2, bool tones);
    void setIgnitionPower(int index);

    // The Gauge elements of page 0 in element order and their names.
    const std::vector<int>& gauges() const { return gauges_; }
    std::vector<std::string> gaugeNames() const;
    // Entry of channel c's gauge in gauges(), or -1.
    int channelEntry(int channel) const;
    void setChannelEntry(int channel, int entry);

private:
    std::vector<int> gauges_;
};

} // namespace zolmar
