// The setup wizard's Finish: every answer written into the configuration.
#include "model/PinTable.h"
#include "setup/DedicatedFunctions.h"
#include "setup/InputsTriggering.h"
#include "setup/NamedSettings.h"
#include "setup/SetupWizard.h"
#include "setup/WizardLists.h"

#include <cmath>

namespace zolmar {

namespace {

namespace L = WizardLists;

// Inputs-and-triggering block (element 0, constant address = offset).
constexpr int kSerial1 = 0;
constexpr int kSerial2 = 8;
constexpr int kDigital = 17;
constexpr int kManufacturer = 18;
constexpr int kEngine = 19;
constexpr int kMode = 23;
constexpr int kKnockStep = 42;
constexpr int kFiringOrder = DedicatedAddress::kGeneral + 16;

class Finisher {
public:
    Finisher(tECU& ecu, const WizardAnswers& answers)
        : ecu_(ecu), a_(answers), named_(ecu), dedicated_(NamedSettings::dedicatedLayout(ecu)) {}

    WizardResult run() {
        if (!dedicated_)
            named_.addLine("\n\r\"Dedicated elements 0 to 5\" (not in this configuration)");
        inputsBlock();
        triggerPreset();
        basicSettings();
        oxygenSensor();
        vehicleSpeed();
        static const char* const kAxes[4] = {"Load Axis for VE map 1", "Load Axis for VE map 2",
                                             "Ignition Map Load Axis", "Target Lambda Load Axis"};
        const int axes[4] = {a_.veMode, a_.secondMap, a_.ignMode, a_.targetAfr};
        for (int k = 0; k < 4; ++k)
            named_.byte(kAxes[k], static_cast<uint8_t>(axes[k]));
        injectorOutputs();
        for (int k = 1; k <= 8; ++k)
            named_.byte(L::auxFunctionName(k),
                        static_cast<uint8_t>(a_.auxFunc[static_cast<size_t>(k - 1)]));
        if (a_.driveByWire != 0)
            driveByWire();
        else
            idleActuator();
        baseIdle();
        named_.word("Extra ElecLoad1 RPM /100", rpm100(a_.extraElec1));
        named_.word("Extra ElecLoad2 RPM /100", rpm100(a_.extraElec2));
        named_.word("Extra PSP RPM /100", rpm100(a_.extraPsp));
        named_.word("Extra Air-Con. RPM /100", rpm100(a_.extraAc));
        thresholds();
        named_.word("Trigger Offset (Crank\xB0)", word(a_.trigOffset * 50));
        named_.word("Dwell Time (ms)", word(a_.dwell * 50 / 1000));
        assign();
        return {true, named_.missing()};
    }

private:
    static uint16_t word(long value) { return static_cast<uint16_t>(value); }
    static uint16_t rpm100(int rpm) { return word(rpm * 50L / 100); }

    // Dedicated fields: plain read-modify-write keeping every other bit, and only when
    // the dedicated elements stand where their fixed addresses assume.
    void setBits(int constAddr, uint8_t mask, uint8_t value) {
        if (dedicated_)
            writeBits(constAddr, mask, value);
    }
    void writeBits(int constAddr, uint8_t mask, uint8_t value) {
        uint8_t old = ecu_.ReadConstByte(constAddr);
        ecu_.WriteConstByte(constAddr, static_cast<uint8_t>((old & ~mask) | (value & mask)));
    }
    void setByte(int constAddr, int value) {
        setBits(constAddr, 0xFF, static_cast<uint8_t>(value));
    }

    void inputsBlock() {
        setByte(kSerial1, a_.wideband1);
        setByte(kSerial2, a_.wideband2);
        setByte(kManufacturer, a_.manufacturer);
        setByte(kEngine, a_.engine < 0 ? 0 : a_.engine);
        const int n = a_.cylinders < 1 ? 1 : a_.cylinders;
        if (dedicated_)
            ecu_.WriteConstWord(kKnockStep, word((65536L + n / 2) / n));
    }

    // As if the installer had made the same choices in the inputs dialog, with its
    // change-log lines.
    void triggerPreset() {
        const L::TriggerPreset* p = L::triggerPreset(a_.manufacturer, a_.engine);
        InputsTriggering inputs(ecu_);
        if (p == nullptr || !dedicated_ || !inputs.open(0))
            return;
        if (p->angleIncrement >= 0)
            inputs.setAngleIncrement(p->angleIncrement);
        for (int m = 1; m <= 3; ++m)
            if (p->resets[static_cast<size_t>(m - 1)] >= 0)
                inputs.setReset(m, p->resets[static_cast<size_t>(m - 1)]);
        setByte(kMode, p->mode);
        inputs.setSpecialMode(p->mode);
        inputs.setSwapCas(p->swapCas);
        if (p->reluctor)
            for (int g = 0; g < InputsTriggering::kTriggerGroups; ++g)
                inputs.setTriggerDigital(g, false);
    }

    void basicSettings() {
        named_.word("Engine Capacity (Litres)", word(a_.engineCap * 50L / 1000));
        named_.word("Inj. Size (x100 L/min)", word(a_.injSize * 5L));
        named_.word("Sec Inj Size(x100 L/min)", word(a_.injSize2 * 5L));
        named_.byte("Engine is Wankel/Rotary", static_cast<uint8_t>(a_.rotary));
        if (a_.rotary != 0)
            named_.byte("Number of Rotors", static_cast<uint8_t>(a_.rotors - 1));
        else
            named_.word("Number of Cylinders", word(a_.cylinders * 50L));
        named_.word("Inst. Overboost Cut, kPa", word((a_.maxBoost + 120L) * 50));
        named_.word("1 Sec Overboost Cut, kPa", word((a_.maxBoost + 110L) * 50));
        named_.word("Hard Rev-Limit (/100)", word((a_.maxRpm + 200L) * 50 / 100));
        named_.word("Soft Rev-Limit (/100)", word(a_.maxRpm * 50L / 100));
        named_.byte("MAP Sensor Raw", static_cast<uint8_t>(a_.mapSensor));
        if (a_.coolantTemp > 0)
            named_.byte("Coolant Temperature Raw", static_cast<uint8_t>(a_.coolantTemp - 1));
        if (a_.airTemp > 0)
            named_.byte("Air Temperature Raw", static_cast<uint8_t>(a_.airTemp - 1));
    }

    void oxygenSensor() {
        if (a_.wideband1 != 0 || a_.wideband2 != 0) {
            named_.byte("Oxygen Sensor Type", 3);
        } else if (a_.o2Sensor <= 1) {
            named_.byte("Oxygen Sensor Type", static_cast<uint8_t>(a_.o2Sensor));
        } else {
            named_.byte("Oxygen Sensor Type", 2);
            named_.byte("Analogue Wideband Select", static_cast<uint8_t>(a_.o2Sensor - 2));
        }
    }

    void vehicleSpeed() {
        named_.byte("VSS arrangement", static_cast<uint8_t>(a_.vss));
        // A gearbox Hall sensor makes VSS 1 digital; the other inputs are reluctors.
        setBits(kDigital, 0xE0, a_.vss == 1 || a_.vss == 2 ? 0x20 : 0x00);
    }

    static int injectorByte(int output) { // 1..12
        return DedicatedAddress::kInjectors + 2 * (output - 1) + 1;
    }

    void injectorOutputs() {
        for (int n = 5; n <= 12; ++n) {
            const int entry = a_.injFunc[static_cast<size_t>(n - 5)];
            const bool injector =
                entry == L::kInjectorEntry || (n <= 8 && entry == L::kSecondaryEntry);
            setBits(injectorByte(n), 0x80, injector ? 0x00 : 0x80);
            if (injector) {
                if (n <= 8)
                    named_.byte(L::secondaryName(n), entry == L::kSecondaryEntry ? 1 : 0);
            } else {
                named_.byte(L::injectorFunctionName(n),
                            static_cast<uint8_t>(L::injectorAuxFunction(n, entry)));
            }
        }
    }

    void driveByWire() {
        setBits(DedicatedAddress::kAuxOutputs + 0, 0x20, 0x20);
        setBits(DedicatedAddress::kAuxOutputs + 5, 0x20, 0x20);
        static constexpr struct {
            int record;
            const char* name;
        } kPins[4] = {{32, "TPS 1"}, {37, "TPS 2"}, {46, "Pedal 2"}, {53, "Pedal 1"}};
        for (const auto& pin : kPins)
            PinTable::SetPinName(ecu_, pin.record, pin.name);
        named_.byte("Use Drive-By-Wire", 1);
    }

    // The first Aux on Inj element's block, or -1 (also when it lies outside the constants).
    int auxOnInjBlock() const {
        for (int i = 0; i < ecu_.NumElements; ++i) {
            if (ecu_.TypeOf(i) != ElementType::AuxOnInj)
                continue;
            int addr = ecu_.ElementConstOffset[i];
            return addr + 8 <= ecu_.ConstEnd() && ecu_.ConstEnd() <= Layout::kConstSize ? addr : -1;
        }
        return -1;
    }

    void idleActuator() {
        named_.byte("Use Drive-By-Wire", 0);
        switch (a_.idleController) {
        case L::kIdleTwoWire:
        case L::kIdleThreeWire: {
            const bool threeWire = a_.idleController == L::kIdleThreeWire;
            named_.byte("Idle Controller Type", threeWire ? 1 : 0);
            const int spare = threeWire ? auxOnInjBlock() : -1;
            for (int t = 0; t < WizardAnswers::kThresholds; ++t) {
                const int f = a_.auxFunction(t);
                if (f != 3 && f != 4)
                    continue;
                named_.word(L::periodName(t), word(a_.pwmPeriod * 50L));
                // A 3-wire valve's second wire is driven inverted.
                const uint8_t invert = f == 4 ? 0x80 : 0x00;
                if (threeWire && t < 8)
                    setBits(DedicatedAddress::kAuxOutputs + t, 0x80, invert);
                else if (threeWire && spare >= 0)
                    writeBits(spare + t - 8, 0x80, invert);
            }
            break;
        }
        case L::kIdleStepper:
            named_.byte("Idle Controller Type", 2);
            named_.word("Steps of Motor", word(a_.idleSteps * 50L));
            break;
        default:
            named_.byte("Idle Controller Type", 3);
            break;
        }
    }

    void baseIdle() {
        const std::string name = "Base Target RPM / 100";
        auto table = NamedSettings::find(ecu_, name, NamedSettings::Kind::Table2D, true);
        if (table.lookup != NamedSettings::Lookup::Found) {
            named_.addLine(NamedSettings::missingLine(name, table.lookup));
        } else if (ecu_.ReadConstByte(table.constAddr) != 2) {
            named_.addLine("\n\r\"" + name + "\" (table has had more rows added to it)");
        } else {
            // The cold and the warm cell of the two-entry table, untuned (bit 0 clear).
            ecu_.WriteConstWord(table.constAddr + 5,
                                word((a_.hotIdle + a_.extraCold) * 50L / 100) & 0xFFFE);
            ecu_.WriteConstWord(table.constAddr + 7, word(a_.hotIdle * 50L / 100) & 0xFFFE);
        }
    }

    void thresholds() {
        for (int t = 0; t < WizardAnswers::kThresholds; ++t) {
            const int f = a_.auxFunction(t);
            if (f < 20)
                continue;
            const long raw = std::lround(a_.threshold[static_cast<size_t>(t)] * 50);
            named_.word(L::thresholdName(t), word(f == 20 ? raw / 100 : raw));
        }
    }

    void assign() {
        const Assignment s = CylinderAssignment::assign(a_.layout());
        for (int k = 1; k <= Assignment::kInjectors; ++k)
            PinTable::SetPinName(ecu_, CylinderAssignment::injectorRecord(k),
                                 s.injectorPins[static_cast<size_t>(k - 1)]);
        for (int k = 1; k <= Assignment::kIgnitions; ++k)
            PinTable::SetPinName(ecu_, CylinderAssignment::ignitionRecord(k),
                                 s.ignitionPins[static_cast<size_t>(k - 1)]);
        if (s.firingOrder >= 0)
            setByte(kFiringOrder, s.firingOrder);
        // Bit 7 of the chaining byte belongs to another setting.
        setBits(DedicatedAddress::kIgnitionOr, 0x7F, s.chaining);
        for (int k = 1; k <= Assignment::kIgnitions; ++k)
            setBits(DedicatedAddress::kIgnition + k - 1, 0x07,
                    s.ignitionPattern[static_cast<size_t>(k - 1)]);
        for (int k = 1; k <= Assignment::kInjectors; ++k)
            setBits(injectorByte(k), 0x70,
                    static_cast<uint8_t>(s.injectorPattern[static_cast<size_t>(k - 1)] << 4));
        for (const NamedValue& v : s.named)
            named_.write(v);
    }

    tECU& ecu_;
    const WizardAnswers& a_;
    NamedWriter named_;
    const bool dedicated_;
};

} // namespace

WizardResult applySetupWizard(tECU& ecu, const WizardAnswers& answers) {
    return Finisher(ecu, answers).run();
}

} // namespace zolmar
