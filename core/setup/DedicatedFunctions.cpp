#include "setup/DedicatedFunctions.h"

#include "model/PinTable.h"
#include "setup/LoggingChannels.h"

#include <algorithm>

namespace zolmar {

namespace {

// Connector pins driven by aux outputs 1..8 and by injector outputs 5..12.
constexpr int kAuxPins[8] = {19, 22, 24, 31, 33, 36, 47, 40};
constexpr int kSpareInjectorPins[8] = {4, 5, 9, 10, 11, 12, 13, 14};

// Byte of injector output k (0..11) in the injector block.
int injectorByte(int output) {
    return 2 * output + 1;
}

int listEntry(int stored, const std::vector<std::string>& list) {
    return stored < static_cast<int>(list.size()) ? stored : -1;
}

bool inList(int index, const std::vector<std::string>& list) {
    return index >= 0 && index < static_cast<int>(list.size());
}

std::string patternLog(int pattern) {
    return pattern == 0 ? " to Only at Specified Angle"
                        : " to Specified Angle and Specified Angle plus 360";
}

} // namespace

const std::vector<std::string>& firingPatterns() {
    static const std::vector<std::string> list = {"Only at specified angle",
                                                  "At angle, and angle + 360"};
    return list;
}

bool DedicatedBlock::openAs(int element, std::initializer_list<int> types) {
    if (element < 0 || element >= ecu_.NumElements)
        return false;
    int type = ecu_.TypeOf(element);
    if (std::find(types.begin(), types.end(), type) == types.end())
        return false;
    element_ = ElementRef(ecu_, element);
    base_ = ecu_.ElementConstOffset[element];
    type_ = type;
    return true;
}

bool DedicatedBlock::stillOpen() const {
    return element_.index(ecu_) >= 0;
}

int DedicatedBlock::base() const {
    int i = element_.index(ecu_);
    return i >= 0 ? ecu_.ElementConstOffset[i] : base_;
}

void DedicatedBlock::writeField(int constAddr, uint8_t mask, uint8_t value) {
    if (!stillOpen())
        return;
    uint8_t old = ecu_.ReadConstByte(constAddr);
    ecu_.WriteConstByte(constAddr, static_cast<uint8_t>((old & ~mask) | (value & mask)));
    if (marksConstants_)
        ecu_.ConstantsChanged = true;
}

// ---------------------------------------------------------------- analogue inputs

void AnalogueInputsSettings::setTemperatureBias(bool on) {
    if (!stillOpen())
        return;
    writeBits(0, 0x01, on ? 0x01 : 0);
    ecu_.LogChange(std::string(on ? "Enabled" : "Disabled") +
                   " Temperature Bias with the Analogue Dedicated Element");
}

// ---------------------------------------------------------------- aux outputs

bool AuxOutputsSettings::open(int element) {
    if (!openAs(element, {ElementType::AuxOutputs, ElementType::AuxOnInj}))
        return false;
    spare_ = ecu_.TypeOf(element) != ElementType::AuxOutputs;
    marksConstants_ = true;
    return true;
}

std::string AuxOutputsSettings::caption() const {
    return spare_ ? "Aux Outputs on Spare Injector Outputs" : "Aux Outputs";
}

std::vector<std::string> AuxOutputsSettings::outputNames() const {
    std::vector<std::string> names;
    for (int n = 0; n < kOutputs; ++n)
        names.push_back(spare_ ? "Aux on Inj " + std::to_string(n + 5)
                               : "Aux " + std::to_string(n + 1));
    return names;
}

std::vector<std::string> AuxOutputsSettings::copyEntries() const {
    std::vector<std::string> entries = outputNames();
    entries.insert(entries.begin(), "None");
    return entries;
}

std::string AuxOutputsSettings::pinName(int output) const {
    if (output < 0 || output >= kOutputs)
        return std::string();
    int pin = (spare_ ? kSpareInjectorPins : kAuxPins)[output];
    return "'" + PinTable::PinName(ecu_, pin) + "'";
}

bool AuxOutputsSettings::invert(int output) const {
    return output >= 0 && output < kOutputs && (byteAt(output) & 0x80) != 0;
}

bool AuxOutputsSettings::driveHigh(int output) const {
    return output >= 0 && output < kOutputs && (byteAt(output) & 0x20) != 0;
}

int AuxOutputsSettings::copyEntry(int output) const {
    if (output < 0 || output >= kOutputs)
        return 0;
    uint8_t b = byteAt(output);
    return (b & 0x08) ? (b & 0x07) + 1 : 0;
}

bool AuxOutputsSettings::useAsAux(int output) const {
    return output >= 0 && output < kOutputs &&
           (ecu_.ReadConstByte(DedicatedAddress::kInjectors + injectorByte(output + 4)) & 0x80) !=
               0;
}

void AuxOutputsSettings::setInvert(int output, bool on) {
    if (!stillOpen() || output < 0 || output >= kOutputs)
        return;
    writeBits(output, 0x80, on ? 0x80 : 0);
    ecu_.LogChange((on ? "Inverted Output " : "Uninverted Output ") + std::to_string(output + 1));
}

void AuxOutputsSettings::setDriveHigh(int output, bool on) {
    if (!stillOpen() || spare_ || output < 0 || output >= kOutputs)
        return;
    writeBits(output, 0x20, on ? 0x20 : 0);
    ecu_.LogChange(
        (on ? "Enabled Drive High for Aux Output " : "Disabled Drive High for Aux Output ") +
        std::to_string(output + 1));
}

void AuxOutputsSettings::setCopyEntry(int output, int entry) {
    if (!stillOpen() || output < 0 || output >= kOutputs || entry < 0 || entry > kOutputs)
        return;
    writeBits(output, 0x0F, entry == 0 ? 0 : static_cast<uint8_t>(8 + entry - 1));
    const std::string start = "Set Output " + std::to_string(output + 1);
    ecu_.LogChange(entry == 0
                       ? start + " to not copy any other output"
                       : start + " to copy the behaviour of Output " + std::to_string(entry));
}

void AuxOutputsSettings::setUseAsAux(int output, bool on) {
    if (!stillOpen() || !spare_ || output < 0 || output >= kOutputs)
        return;
    writeField(DedicatedAddress::kInjectors + injectorByte(output + 4), 0x80, on ? 0x80 : 0);
    ecu_.LogChange(
        (on ? "Selected to use Injector output " : "Selected to NOT use Injector output ") +
        std::to_string(output + 5) + " as an Aux Output");
}

// ---------------------------------------------------------------- injectors

bool InjectorSettings::open(int element) {
    marksConstants_ = true;
    return openAs(element, {ElementType::Injectors});
}

const std::vector<std::string>& InjectorSettings::currents() {
    static const std::vector<std::string> list = {"0.5 Amps", "0.9 Amps", "1.5 Amps", "1.9 Amps"};
    return list;
}

const std::vector<std::string>& InjectorSettings::modes() {
    static const std::vector<std::string> list = {"Single burst & Asynchronous (Conventional)",
                                                  "Multiburst (Diesel engines) (Advanced mode)"};
    return list;
}

int InjectorSettings::pattern(int output) const {
    if (output < 0 || output >= kOutputs)
        return -1;
    return listEntry(byteAt(injectorByte(output)) >> 4 & 7, firingPatterns());
}

bool InjectorSettings::divideBy10(int output) const {
    return output >= 0 && output < kOutputs && (byteAt(injectorByte(output)) & 0x04) != 0;
}

bool InjectorSettings::useAsAux(int output) const {
    return auxAllowed(output) && (byteAt(injectorByte(output)) & 0x80) != 0;
}

int InjectorSettings::current() const {
    return byteAt(25) >> 6;
}

int InjectorSettings::mode() const {
    return byteAt(25) & 1;
}

int InjectorSettings::peakTime(int group) const {
    int addr = group == 0 ? DedicatedAddress::kPeakTime1to6 : DedicatedAddress::kPeakTime7to12;
    return (ecu_.ReadConstByte(addr) ^ 0xFF) * 4;
}

void InjectorSettings::setPattern(int output, int pattern) {
    if (!stillOpen() || output < 0 || output >= kOutputs || !inList(pattern, firingPatterns()))
        return;
    writeBits(injectorByte(output), 0x70, static_cast<uint8_t>(pattern << 4));
    ecu_.LogChange("Changed the firing pattern of Injector Output " + std::to_string(output + 1) +
                   patternLog(pattern));
}

void InjectorSettings::setDivideBy10(int output, bool on) {
    if (!stillOpen() || output < 0 || output >= kOutputs)
        return;
    writeBits(injectorByte(output), 0x04, on ? 0x04 : 0);
    ecu_.LogChange(std::string(on ? "Chose to Divide Injection Duration by 10 for Injector Output "
                                  : "Chose NOT to Divide Injection Duration by 10 for Injector "
                                    "Output ") +
                   std::to_string(output + 1));
}

void InjectorSettings::setUseAsAux(int output, bool on) {
    if (!stillOpen() || !auxAllowed(output))
        return;
    writeBits(injectorByte(output), 0x80, on ? 0x80 : 0);
    ecu_.LogChange(
        (on ? "Selected to use Injector output " : "Selected to NOT use Injector output ") +
        std::to_string(output + 1) + " as an Aux Output");
}

void InjectorSettings::setCurrent(int current) {
    if (!stillOpen() || !inList(current, currents()))
        return;
    writeBits(25, 0xC0, static_cast<uint8_t>(current << 6));
    ecu_.LogChange("The Injector Current was changed to " +
                   currents()[static_cast<size_t>(current)]);
}

void InjectorSettings::setMode(int mode) {
    if (!stillOpen() || !inList(mode, modes()))
        return;
    writeBits(25, 0x01, static_cast<uint8_t>(mode));
    ecu_.LogChange(mode == 0 ? "The Injection mode was changed to normal (single burst + async)"
                             : "The Injection mode was changed to multiburst");
}

void InjectorSettings::setPeakTime(int group, int microseconds) {
    if (!stillOpen() || (group != 0 && group != 1))
        return;
    microseconds = std::clamp(microseconds, 0, kPeakMax) / 4 * 4;
    int addr = group == 0 ? DedicatedAddress::kPeakTime1to6 : DedicatedAddress::kPeakTime7to12;
    writeField(addr, 0xFF, static_cast<uint8_t>((microseconds / 4) ^ 0xFF));
    ecu_.LogChange(std::string(group == 0
                                   ? "The Peak Time for Injector Outputs 1-6 was changed to "
                                   : "The Peak Time for Injector Outputs 7-12 was changed to ") +
                   std::to_string(microseconds) + "\xB5s");
}

// ---------------------------------------------------------------- ignition

bool IgnitionSettings::open(int element) {
    marksConstants_ = true;
    return openAs(element, {ElementType::Ignition});
}

int IgnitionSettings::pattern(int output) const {
    if (output < 0 || output >= kOutputs)
        return -1;
    return listEntry(byteAt(output) & 7, firingPatterns());
}

bool IgnitionSettings::invert(int output) const {
    return output >= 0 && output < kOutputs && (byteAt(output) & 0x08) != 0;
}

bool IgnitionSettings::orWithNext(int output) const {
    return orAllowed(output) &&
           (ecu_.ReadConstByte(DedicatedAddress::kIgnitionOr) >> output & 1) != 0;
}

void IgnitionSettings::setPattern(int output, int pattern) {
    if (!stillOpen() || output < 0 || output >= kOutputs || !inList(pattern, firingPatterns()))
        return;
    writeBits(output, 0x07, static_cast<uint8_t>(pattern));
    ecu_.LogChange("Changed the firing pattern of Ignition Output " + std::to_string(output + 1) +
                   patternLog(pattern));
}

void IgnitionSettings::setInvert(int output, bool on) {
    if (!stillOpen() || output < 0 || output >= kOutputs)
        return;
    writeBits(output, 0x08, on ? 0x08 : 0);
    ecu_.LogChange((on ? "Inverted Ignition Output " : "Uninverted Ignition Output ") +
                   std::to_string(output + 1));
}

void IgnitionSettings::setOrWithNext(int output, bool on) {
    if (!stillOpen() || !orAllowed(output))
        return;
    auto bit = static_cast<uint8_t>(1u << output);
    writeField(DedicatedAddress::kIgnitionOr, bit, on ? bit : 0);
    ecu_.LogChange(
        "Ignition Output " + std::to_string(output + 1) +
        (on ? " was ORed with Ignition Output " : " is no longer ORed with Ignition Output ") +
        std::to_string(output + 2));
}

// ---------------------------------------------------------------- general

bool GeneralSettings::open(int element) {
    if (!openAs(element, {ElementType::General}))
        return false;
    gauges_.clear();
    for (int i = 0; i < ecu_.NumElements; ++i)
        if (ecu_.TypeOf(i) == ElementType::Gauge && ecu_.PageOf(i) == 0)
            gauges_.push_back(i);
    for (int c = 0; c < LoggingChannels::kCount; ++c)
        if (channelEntry(c) < 0)
            ecu_.SetImageWord(LoggingChannels::ValidAddressOffset(c), LoggingChannels::kNone, true);
    return true;
}

const std::vector<std::string>& GeneralSettings::loggingPeriods() {
    static const std::vector<std::string> list = {
        "10ms (2 minutes to fill internal logging memory)",
        "20ms (4 minutes to fill internal logging memory)",
        "50ms (10 minutes to fill internal logging memory)",
        "100ms (20 minutes to fill internal logging memory)",
        "200ms (40 minutes to fill internal logging memory)",
        "500ms (1:42 hours to fill internal logging memory)",
        "1 second (3:25 hours to fill internal logging memory)",
        "2 seconds (6:50 hours to fill internal logging memory)"};
    return list;
}

const std::vector<std::string>& GeneralSettings::headphoneOutputs() {
    static const std::vector<std::string> list = {"Not used", "Raw signal", "Filtered stage 1",
                                                  "Filtered stage 2"};
    return list;
}

const std::vector<std::string>& GeneralSettings::ignitionPowerSetups() {
    static const std::vector<std::string> list = {
        "Ignition-switched relay into 12V Ignition input",
        "ECU-switched relay, ignition switch into Ana 15",
        "ECU-switched relay, ignition switch into Ana 16"};
    return list;
}

int GeneralSettings::knock(int k) const {
    return k == 2 ? byteAt(1) >> 2 & 3 : byteAt(1) & 3;
}

int GeneralSettings::ignitionPower() const {
    return listEntry(byteAt(34) & 3, ignitionPowerSetups());
}

void GeneralSettings::setLoggingPeriod(int index) {
    if (stillOpen() && inList(index, loggingPeriods()))
        writeBits(0, 0x07, static_cast<uint8_t>(index));
}

void GeneralSettings::setForceLogging(bool on) {
    if (stillOpen())
        writeBits(0, 0x20, on ? 0x20 : 0);
}

void GeneralSettings::setHeadphones(int knock1, int knock2, bool tones) {
    if (!stillOpen() || !inList(knock1, headphoneOutputs()) || !inList(knock2, headphoneOutputs()))
        return;
    writeBits(1, 0x1F, static_cast<uint8_t>(knock1 | knock2 << 2 | (tones ? 0x10 : 0)));
}

void GeneralSettings::setIgnitionPower(int index) {
    if (stillOpen() && inList(index, ignitionPowerSetups()))
        writeBits(34, 0x03, static_cast<uint8_t>(index));
}

std::vector<std::string> GeneralSettings::gaugeNames() const {
    std::vector<std::string> names;
    for (int g : gauges_)
        names.push_back(ecu_.NameOf(Layout::kNumPages + g));
    return names;
}

int GeneralSettings::channelEntry(int channel) const {
    int gauge = LoggingChannels::GaugeOf(ecu_, channel);
    auto at = std::find(gauges_.begin(), gauges_.end(), gauge);
    return gauge < 0 || at == gauges_.end() ? -1 : static_cast<int>(at - gauges_.begin());
}

void GeneralSettings::setChannelEntry(int channel, int entry) {
    if (!stillOpen() || entry < 0 || entry >= static_cast<int>(gauges_.size()))
        return;
    LoggingChannels::Assign(ecu_, channel, gauges_[static_cast<size_t>(entry)]);
}

} // namespace zolmar
