#include "setup/SetupWizard.h"

#include "setup/DedicatedFunctions.h"
#include "setup/InputsTriggering.h"
#include "setup/NamedSettings.h"
#include "setup/WizardLists.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace zolmar {

namespace {

using C = WizardControl;
using Info = WizardControlInfo;
namespace L = WizardLists;

constexpr int kControls = static_cast<int>(C::Count);

const std::array<Info, kControls>& controlTable() {
    static const std::array<Info, kControls> table = [] {
        std::array<Info, kControls> t{};
        auto set = [&t](C c, const char* name, Info::Type type, int lo = 0, int hi = 0) {
            t[static_cast<size_t>(c)] = {name, type, lo, hi};
        };
        set(C::Manufacturer, "Manufacturer", Info::List);
        set(C::EngineType, "EngineType", Info::List);
        set(C::EngineCap, "EngineCap", Info::Number, 20, 20000);
        set(C::InjSize, "InjSize", Info::Number, 20, 3000);
        set(C::InjSize2, "InjSize2", Info::Number, 0, 3000);
        set(C::MaxBoost, "MaxBoost", Info::Number, 0, 300);
        set(C::MaxRPM, "MaxRPM", Info::Number, 4000, 16000);
        set(C::MAPsensorType, "MAPsensorType", Info::List);
        set(C::CoolantTemp, "CoolantTemp", Info::List);
        set(C::AirTemp, "AirTemp", Info::List);
        set(C::O2Sensor, "O2Sensor", Info::List);
        set(C::WidebandSensor, "WidebandSensor", Info::List);
        set(C::WidebandSensor2, "WidebandSensor2", Info::List);
        set(C::VSSSelect, "VSSSelect", Info::List);
        set(C::VEMode, "VEMode", Info::List);
        set(C::SecondMap, "SecondMap", Info::List);
        set(C::IgnMode, "IgnMode", Info::List);
        set(C::TargetAFR, "TargetAFR", Info::List);
        set(C::IdleController, "IdleController", Info::List);
        set(C::HotIdle, "HotIdle", Info::Number, 0, 4000);
        set(C::ExtraCold, "ExtraCold", Info::Number, 0, 4000);
        set(C::ExtraElec1, "ExtraElec1", Info::Number, 0, 4000);
        set(C::ExtraElec2, "ExtraElec2", Info::Number, 0, 4000);
        set(C::ExtraPSPrpm, "ExtraPSPrpm", Info::Number, 0, 4000);
        set(C::ExtraACrpm, "ExtraACrpm", Info::Number, 0, 4000);
        set(C::PWMperiodms, "PWMperiodms", Info::Number, 1, 200);
        set(C::IdleStepCount, "IdleStepCount", Info::Number, 50, 300);
        set(C::DBWtickbox, "DBWtickbox", Info::Check, 0, 1);
        set(C::PistonOrRotary, "PistonOrRotary", Info::List);
        set(C::NumCylinders, "NumCylinders", Info::Number, 1, 12);
        set(C::NumRotors, "NumRotors", Info::Number, 1, 3);
        set(C::IgnArrangement, "IgnArrangement", Info::List);
        set(C::FiringOrder, "FiringOrder", Info::List);
        set(C::DwellTime, "DwellTime", Info::Number, 0, 10000);
        set(C::TrigOffset, "TrigOffset", Info::Number, -360, 360);
        set(C::OddfireAngle, "OddfireAngle", Info::Number, 0, 720);
        static const char* const kAux[8] = {"Aux1Func", "Aux2Func", "Aux3Func", "Aux4Func",
                                            "Aux5Func", "Aux6Func", "Aux7Func", "Aux8Func"};
        static const char* const kInj[8] = {"Inj5Func", "Inj6Func",  "Inj7Func",  "Inj8Func",
                                            "Inj9Func", "Inj10Func", "Inj11Func", "Inj12Func"};
        for (int k = 0; k < 8; ++k) {
            set(auxFunc(k + 1), kAux[k], Info::List);
            set(injFunc(k + 5), kInj[k], Info::List);
        }
        return t;
    }();
    return table;
}

int clampTo(long value, int low, int high) {
    return static_cast<int>(std::clamp<long>(value, low, high));
}

int clampControl(C control, long value) {
    const Info& info = controlInfo(control);
    return clampTo(value, info.minimum, info.maximum);
}

std::string oneDecimal(double value, const char* unit) {
    char text[48];
    std::snprintf(text, sizeof text, "(%.1f%s", value, unit);
    return text;
}

// The threshold field's presentation for an aux function index.
WizardView::Threshold thresholdFor(int f) {
    WizardView::Threshold t;
    static const char* const kUnits[] = {"\xB0"
                                         "C",
                                         "\xB0"
                                         "C",
                                         "kPa",
                                         "%",
                                         "A/F",
                                         "km/h",
                                         "V"};
    if (f == 20) {
        t = {true, "RPM", 0, 0, 65500};
    } else if (f >= 21 && f <= 27) {
        t = {true, kUnits[f - 21], 2, -655, 655};
    }
    return t;
}

} // namespace

const WizardControlInfo& controlInfo(WizardControl control) {
    static const Info kNone = {"", Info::Number, 0, 0};
    int i = static_cast<int>(control);
    return i >= 0 && i < kControls ? controlTable()[static_cast<size_t>(i)] : kNone;
}

std::optional<WizardControl> controlByName(const std::string& name) {
    if (name == "Engine")
        return C::EngineType;
    for (int i = 0; i < kControls; ++i)
        if (name == controlTable()[static_cast<size_t>(i)].name)
            return static_cast<C>(i);
    return std::nullopt;
}

int& WizardAnswers::field(WizardControl control) {
    int i = static_cast<int>(control);
    if (i >= static_cast<int>(C::Aux1Func) && i <= static_cast<int>(C::Aux8Func))
        return auxFunc[static_cast<size_t>(i - static_cast<int>(C::Aux1Func))];
    if (i >= static_cast<int>(C::Inj5Func) && i <= static_cast<int>(C::Inj12Func))
        return injFunc[static_cast<size_t>(i - static_cast<int>(C::Inj5Func))];
    int* const fields[] = {
        &manufacturer,   &engine,      &engineCap,   &injSize,     &injSize2,   &maxBoost,
        &maxRpm,         &mapSensor,   &coolantTemp, &airTemp,     &o2Sensor,   &wideband1,
        &wideband2,      &vss,         &veMode,      &secondMap,   &ignMode,    &targetAfr,
        &idleController, &hotIdle,     &extraCold,   &extraElec1,  &extraElec2, &extraPsp,
        &extraAc,        &pwmPeriod,   &idleSteps,   &driveByWire, &rotary,     &cylinders,
        &rotors,         &arrangement, &firingOrder, &dwell,       &trigOffset, &oddFireAngle};
    static_assert(std::size(fields) == static_cast<size_t>(C::Aux1Func));
    static int nothing;
    nothing = 0;
    return i >= 0 && i < static_cast<int>(std::size(fields)) ? *fields[i] : nothing;
}

int WizardAnswers::field(WizardControl control) const {
    return const_cast<WizardAnswers*>(this)->field(control);
}

int WizardAnswers::auxFunction(int t) const {
    if (t < 0 || t >= kThresholds)
        return -1;
    if (t < 8)
        return auxFunc[static_cast<size_t>(t)];
    return L::injectorAuxFunction(t - 3, injFunc[static_cast<size_t>(t - 8)]);
}

EngineLayout WizardAnswers::layout() const {
    EngineLayout l;
    l.rotary = rotary != 0;
    l.count = l.rotary ? rotors : cylinders;
    l.firingOrder = firingOrder;
    l.arrangement = arrangement;
    l.oddFireAngle = oddFireAngle;
    l.nissanRb = manufacturer == L::kNissan && (engine == 0 || engine == 1);
    return l;
}

bool WizardView::enabled(WizardControl control) const {
    switch (control) {
    case C::EngineType:
        return engineEnabled;
    case C::NumCylinders:
        return cylindersEnabled;
    case C::NumRotors:
        return rotorsEnabled;
    case C::OddfireAngle:
        return oddFireEnabled;
    case C::IdleController:
        return idleControllerEnabled;
    case C::PWMperiodms:
        return pwmEnabled;
    case C::IdleStepCount:
        return stepsEnabled;
    default:
        return true;
    }
}

std::vector<std::string> SetupWizard::entries(WizardControl control) const {
    const WizardAnswers& a = answers_;
    int i = static_cast<int>(control);
    if (i >= static_cast<int>(C::Aux1Func) && i <= static_cast<int>(C::Aux8Func))
        return L::auxFunctions();
    if (i >= static_cast<int>(C::Inj5Func) && i <= static_cast<int>(C::Inj12Func))
        return L::injectorFunctions(i - static_cast<int>(C::Inj5Func) + 5);
    switch (control) {
    case C::Manufacturer:
        return L::manufacturers();
    case C::EngineType:
        return L::engines(a.manufacturer);
    case C::MAPsensorType:
        return L::mapSensors();
    case C::CoolantTemp:
    case C::AirTemp:
        return L::temperatureSensors();
    case C::O2Sensor:
        return L::oxygenSensors();
    case C::WidebandSensor:
    case C::WidebandSensor2:
        return InputsTriggering::serialTypes();
    case C::VSSSelect:
        return L::vehicleSpeedSensors();
    case C::VEMode:
    case C::SecondMap:
    case C::IgnMode:
    case C::TargetAFR:
        return L::loadAxes();
    case C::IdleController:
        return L::idleControllers();
    case C::PistonOrRotary:
        return L::pistonOrRotary();
    case C::IgnArrangement:
        return CylinderAssignment::arrangements(a.rotary != 0, a.layout().count);
    case C::FiringOrder:
        return CylinderAssignment::firingOrders(a.rotary != 0, a.layout().count);
    default:
        return {};
    }
}

WizardView SetupWizard::view() const {
    const WizardAnswers& a = answers_;
    WizardView v;
    v.engineEnabled = a.manufacturer != L::kCustom;
    const bool rotary = a.rotary != 0;
    v.cylindersEnabled = !rotary;
    v.oddFireEnabled = !rotary;
    v.rotorsEnabled = rotary;
    v.oddFireLabelVisible = !rotary && 720 / std::max(a.cylinders, 1) != a.oddFireAngle;
    // Drive-by-wire takes aux outputs 1 and 6, so no idle actuator is configured then.
    const bool dbw = a.driveByWire != 0;
    v.idleControllerEnabled = !dbw;
    v.pwmEnabled =
        !dbw && (a.idleController == L::kIdleTwoWire || a.idleController == L::kIdleThreeWire);
    v.pwmHintVisible = v.pwmEnabled;
    v.stepsEnabled = !dbw && a.idleController == L::kIdleStepper;

    v.capacityHint = oneDecimal(a.engineCap / 16.387, " in\xB3)");
    v.boostHint = oneDecimal(a.maxBoost / 6.9, " psi)");
    v.injectorHint = oneDecimal(a.injSize / 10.5, " lb / hr)");
    v.injectorHint2 = oneDecimal(a.injSize2 / 10.5, " lb / hr)");
    v.pwmHint = oneDecimal(1000.0 / std::max(a.pwmPeriod, 1), " Hz)");

    if (a.manufacturer == L::kToyota) {
        const auto& list = L::engines(a.manufacturer);
        if (a.engine >= 0 && a.engine < static_cast<int>(list.size())) {
            const std::string& e = list[static_cast<size_t>(a.engine)];
            if (e == "4AGZE" || e == "7MGE" || e == "7MGTE")
                v.importantInfo = "NOTE: Can't use standard 'Addressing' Igniter!";
        }
    }

    const EngineLayout layout = a.layout();
    const Assignment assignment = CylinderAssignment::assign(layout);
    v.wiringVisible = !assignment.wiringHidden;
    for (size_t k = 0; k < v.ignitionWiring.size(); ++k)
        v.ignitionWiring[k] = CylinderAssignment::wiringLabel(assignment.ignitionPins[k],
                                                              layout.rotary, layout.count);
    for (size_t k = 0; k < v.injectorWiring.size(); ++k)
        v.injectorWiring[k] = CylinderAssignment::wiringLabel(assignment.injectorPins[k],
                                                              layout.rotary, layout.count);

    for (int t = 0; t < WizardAnswers::kThresholds; ++t)
        if (thresholdFound_[static_cast<size_t>(t)])
            v.thresholds[static_cast<size_t>(t)] = thresholdFor(a.auxFunction(t));
    return v;
}

// ---------------------------------------------------------------- opening

void SetupWizard::open() {
    WizardAnswers& a = answers_;
    const bool dedicated = NamedSettings::dedicatedLayout(ecu_);
    if (dedicated) {
        // Indices beyond their lists leave the control as it was.
        int m = ecu_.ReadConstByte(18);
        if (m < static_cast<int>(L::manufacturers().size())) {
            a.manufacturer = m;
            int e = ecu_.ReadConstByte(19);
            int engines = static_cast<int>(L::engines(m).size());
            a.engine = engines == 0 ? -1 : e < engines ? e : 0;
        }
        for (int input : {1, 2}) {
            int type = ecu_.ReadConstByte(input == 1 ? 0 : 8);
            if (type < static_cast<int>(InputsTriggering::serialTypes().size()))
                (input == 1 ? a.wideband1 : a.wideband2) = type;
        }
    }
    readBasicAndTuning();
    readOutputs(dedicated);

    pistonOrRotaryRule();
    readOddFireAngle();
    if (dedicated) {
        const EngineLayout layout = a.layout();
        int order = ecu_.ReadConstByte(DedicatedAddress::kGeneral + 16);
        if (order <
            static_cast<int>(CylinderAssignment::firingOrders(layout.rotary, layout.count).size()))
            a.firingOrder = order;
        int arrangement =
            CylinderAssignment::readBackArrangement(ecu_, layout.rotary, layout.count);
        if (arrangement >= 0)
            a.arrangement = arrangement;
    }
    // The idle actuator's outputs first, so that drive-by-wire keeps aux 1 and 6.
    idleControllerRule();
    driveByWireRule();
    refreshThresholds(true);
    openedOn_ = fingerprint();
    opened_ = true;
}

void SetupWizard::readBasicAndTuning() {
    WizardAnswers& a = answers_;
    uint16_t w = 0;
    uint8_t b = 0;
    if (NamedSettings::readWord(ecu_, "Engine Capacity (Litres)", w))
        a.engineCap = clampControl(C::EngineCap, w * 20L);
    if (NamedSettings::readWord(ecu_, "Inj. Size (x100 L/min)", w))
        a.injSize = clampControl(C::InjSize, w / 5);
    if (NamedSettings::readWord(ecu_, "Sec Inj Size(x100 L/min)", w))
        a.injSize2 = clampControl(C::InjSize2, w / 5);
    if (NamedSettings::readWord(ecu_, "Inst. Overboost Cut, kPa", w))
        a.maxBoost = clampControl(C::MaxBoost, w / 50 - 120);
    if (NamedSettings::readWord(ecu_, "Hard Rev-Limit (/100)", w))
        a.maxRpm = clampControl(C::MaxRPM, w * 2L - 200);
    auto listByte = [this, &b](const char* name, int offset, size_t size, int& control) {
        if (NamedSettings::readByte(ecu_, name, b) && b + offset >= 0 &&
            static_cast<size_t>(b + offset) < size)
            control = b + offset;
    };
    listByte("MAP Sensor Raw", 0, L::mapSensors().size(), a.mapSensor);
    listByte("Coolant Temperature Raw", 1, L::temperatureSensors().size(), a.coolantTemp);
    listByte("Air Temperature Raw", 1, L::temperatureSensors().size(), a.airTemp);
    if (NamedSettings::readByte(ecu_, "Oxygen Sensor Type", b)) {
        uint8_t wide = 0;
        if (b == 0 || b == 1)
            a.o2Sensor = b;
        else if (b == 2 && NamedSettings::readByte(ecu_, "Analogue Wideband Select", wide) &&
                 wide <= 3)
            a.o2Sensor = wide + 2;
    }
    listByte("VSS arrangement", 0, L::vehicleSpeedSensors().size(), a.vss);
    listByte("Load Axis for VE map 1", 0, 2, a.veMode);
    listByte("Load Axis for VE map 2", 0, 2, a.secondMap);
    listByte("Ignition Map Load Axis", 0, 2, a.ignMode);
    listByte("Target Lambda Load Axis", 0, 2, a.targetAfr);

    auto base =
        NamedSettings::find(ecu_, "Base Target RPM / 100", NamedSettings::Kind::Table2D, true);
    if (base.lookup == NamedSettings::Lookup::Found && ecu_.ReadConstByte(base.constAddr) == 2) {
        a.hotIdle =
            clampControl(C::HotIdle, (ecu_.ReadConstWord(base.constAddr + 7) & 0xFFFE) * 2L);
        a.extraCold = clampControl(
            C::ExtraCold, (ecu_.ReadConstWord(base.constAddr + 5) & 0xFFFE) * 2L - a.hotIdle);
    }
    struct Extra {
        const char* name;
        C control;
        int* field;
    };
    const Extra extras[] = {{"Extra ElecLoad1 RPM /100", C::ExtraElec1, &a.extraElec1},
                            {"Extra ElecLoad2 RPM /100", C::ExtraElec2, &a.extraElec2},
                            {"Extra PSP RPM /100", C::ExtraPSPrpm, &a.extraPsp},
                            {"Extra Air-Con. RPM /100", C::ExtraACrpm, &a.extraAc}};
    for (const Extra& e : extras)
        if (NamedSettings::readWord(ecu_, e.name, w))
            *e.field = clampControl(e.control, w * 2L);
    if (NamedSettings::readWord(ecu_, "Steps of Motor", w))
        a.idleSteps = clampControl(C::IdleStepCount, w / 50);
    if (NamedSettings::readByte(ecu_, "Idle Controller Type", b) && b <= 3) {
        static constexpr int kEntry[4] = {L::kIdleTwoWire, L::kIdleThreeWire, L::kIdleStepper,
                                          L::kIdleNone};
        a.idleController = kEntry[b];
    }
}

void SetupWizard::readOutputs(bool dedicated) {
    WizardAnswers& a = answers_;
    uint8_t v = 0;
    if (dedicated) {
        for (int n = 5; n <= 12; ++n) {
            int& entry = a.injFunc[static_cast<size_t>(n - 5)];
            const bool asAux =
                (ecu_.ReadConstByte(DedicatedAddress::kInjectors + 9 + 2 * (n - 5)) & 0x80) != 0;
            const int base = n <= 8 ? 2 : 1;
            if (asAux) {
                if (NamedSettings::readByte(ecu_, L::injectorFunctionName(n), v))
                    entry = (v & 0x1F) == 0 ? 0 : (v & 0x1F) + base;
            } else if (n > 8) {
                entry = L::kInjectorEntry;
            } else if (NamedSettings::readByte(ecu_, L::secondaryName(n), v)) {
                entry = v == 1 ? L::kSecondaryEntry : L::kInjectorEntry;
            }
        }
    }
    for (int k = 1; k <= 8; ++k)
        if (NamedSettings::readByte(ecu_, L::auxFunctionName(k), v))
            a.auxFunc[static_cast<size_t>(k - 1)] = v & 0x1F;
    // The idle valve's period, from the first output that drives it.
    for (int t = 0; t < WizardAnswers::kThresholds; ++t) {
        int f = a.auxFunction(t);
        if (f != 3 && f != 4)
            continue;
        uint16_t w = 0;
        if (NamedSettings::readWord(ecu_, L::periodName(t), w))
            a.pwmPeriod = clampControl(C::PWMperiodms, w / 50);
        break;
    }
    uint16_t w = 0;
    if (NamedSettings::readByte(ecu_, "Use Drive-By-Wire", v))
        a.driveByWire = v == 1 ? 1 : 0;
    if (NamedSettings::readWord(ecu_, "Trigger Offset (Crank\xB0)", w))
        a.trigOffset = clampControl(C::TrigOffset, static_cast<int16_t>(w) / 50);
    if (NamedSettings::readWord(ecu_, "Dwell Time (ms)", w))
        a.dwell = clampControl(C::DwellTime, w * 20L);
    if (NamedSettings::readByte(ecu_, "Engine is Wankel/Rotary", v) && v <= 1)
        a.rotary = v;
    if (NamedSettings::readByte(ecu_, "Number of Rotors", v))
        a.rotors = clampControl(C::NumRotors, v + 1L);
    if (NamedSettings::readWord(ecu_, "Number of Cylinders", w))
        a.cylinders = clampControl(C::NumCylinders, w / 50);
}

void SetupWizard::readOddFireAngle() {
    WizardAnswers& a = answers_;
    int smallest = 0;
    for (int k = 2; k <= std::min(a.cylinders, 8); ++k) {
        uint16_t w = 0;
        if (!NamedSettings::readWord(ecu_, "Ign" + std::to_string(k) + " Period Angle Offset", w))
            break;
        if (w != 0 && (smallest == 0 || w < smallest))
            smallest = w;
    }
    // Without an offset to go by the even-fire angle of the cylinder rule stays: 720
    // degrees would time every other cylinder with the one before it.
    if (smallest != 0)
        a.oddFireAngle = clampControl(C::OddfireAngle, smallest / 50);
}

// ---------------------------------------------------------------- control rules

void SetupWizard::manufacturerRule() {
    answers_.engine = L::engines(answers_.manufacturer).empty() ? -1 : 0;
}

void SetupWizard::pistonOrRotaryRule() {
    if (answers_.rotary != 0)
        rotorRule();
    else
        cylinderRule();
}

void SetupWizard::cylinderRule() {
    WizardAnswers& a = answers_;
    const int n = a.cylinders;
    a.firingOrder = CylinderAssignment::firingOrders(false, n).empty() ? -1 : 0;
    a.arrangement = CylinderAssignment::defaultArrangement(false, n);
    a.oddFireAngle = 720 / std::max(n, 1);
    // Injector outputs beyond the fourth that the cylinders need become injectors.
    for (int out = 5; out <= n && out <= 12; ++out)
        a.injFunc[static_cast<size_t>(out - 5)] = L::kInjectorEntry;
    refreshThresholds(false);
}

void SetupWizard::rotorRule() {
    WizardAnswers& a = answers_;
    a.firingOrder = 0;
    a.arrangement = 0;
    // Each rotor's secondary injector sits on injector output 4 + its number.
    for (int out = 5; out <= 4 + a.rotors && out <= 7; ++out)
        a.injFunc[static_cast<size_t>(out - 5)] = L::kSecondaryEntry;
    refreshThresholds(false);
}

void SetupWizard::idleControllerRule() {
    auto& aux = answers_.auxFunc;
    switch (answers_.idleController) {
    case L::kIdleTwoWire:
        aux[0] = 3;
        break;
    case L::kIdleThreeWire:
        aux[0] = 3;
        aux[5] = 4;
        break;
    case L::kIdleStepper:
        aux[0] = 12;
        aux[1] = 13;
        aux[3] = 14;
        aux[5] = 15;
        break;
    default:
        break;
    }
    refreshThresholds(false);
}

void SetupWizard::driveByWireRule() {
    if (answers_.driveByWire != 0) {
        answers_.auxFunc[0] = 10;
        answers_.auxFunc[5] = 11;
    }
    refreshThresholds(false);
}

void SetupWizard::refreshThresholds(bool all) {
    for (int t = 0; t < WizardAnswers::kThresholds; ++t) {
        const auto i = static_cast<size_t>(t);
        const int f = answers_.auxFunction(t);
        if (!all && f == thresholdFunction_[i])
            continue; // keeps what the user typed for an unchanged function
        thresholdFunction_[i] = f;
        uint16_t w = 0;
        thresholdFound_[i] = NamedSettings::readWord(ecu_, L::thresholdName(t), w);
        if (!thresholdFound_[i])
            continue;
        if (f == 20)
            answers_.threshold[i] = std::min(w * 2.0, 65500.0);
        else if (f > 20)
            // Exhaust temperature and knock count hide the field, but Finish writes it:
            // it then holds the stored value so that the write keeps it.
            answers_.threshold[i] = std::clamp(static_cast<int16_t>(w) / 50.0, -655.0, 655.0);
    }
}

bool SetupWizard::set(WizardControl control, int value) {
    const Info& info = controlInfo(control);
    if (info.name[0] == '\0' || !view().enabled(control))
        return false;
    if (info.type == Info::List) {
        if (value < 0 || value >= static_cast<int>(entries(control).size()))
            return false;
    } else if (value < info.minimum || value > info.maximum) {
        return false;
    }
    if (answers_.field(control) == value)
        return true; // no change, no rule
    answers_.field(control) = value;
    switch (control) {
    case C::Manufacturer:
        manufacturerRule();
        break;
    case C::IdleController:
        idleControllerRule();
        break;
    case C::DBWtickbox:
        driveByWireRule();
        break;
    case C::PistonOrRotary:
        pistonOrRotaryRule();
        break;
    case C::NumCylinders:
        cylinderRule();
        break;
    case C::NumRotors:
        rotorRule();
        break;
    default:
        refreshThresholds(false);
        break;
    }
    return true;
}

bool SetupWizard::setThreshold(int field, double value) {
    if (field < 0 || field >= WizardAnswers::kThresholds || !std::isfinite(value))
        return false;
    const WizardView::Threshold t = thresholdFor(answers_.auxFunction(field));
    if (t.visible && (value < t.minimum || value > t.maximum))
        return false;
    if (!t.visible && (value < -655 || value > 655))
        return false;
    answers_.threshold[static_cast<size_t>(field)] = value;
    return true;
}

void SetupWizard::setDefaults() {
    WizardAnswers& a = answers_;
    if (const L::EnginePreset* p = L::enginePreset(a.manufacturer, a.engine)) {
        a.engineCap = p->engineCap;
        a.injSize = p->injSize;
        a.maxBoost = p->maxBoost;
        a.mapSensor = p->mapSensor;
        a.maxRpm = p->maxRpm;
        a.airTemp = p->airTemp;
        a.coolantTemp = p->coolantTemp;
        a.o2Sensor = p->o2Sensor;
        a.idleController = p->idleController;
        a.pwmPeriod = p->pwmPeriod;
        a.idleSteps = p->idleSteps;
        a.hotIdle = p->hotIdle;
        a.extraCold = p->extraCold;
        a.injSize2 = p->injSize2;
        a.driveByWire = 0;
        a.auxFunc = p->auxFunc;
        a.injFunc = p->injFunc;
        (p->rotary ? a.rotors : a.cylinders) = p->count;
        a.rotary = p->rotary ? 1 : 0;
        pistonOrRotaryRule();
        a.firingOrder = p->firingOrder;
        a.arrangement = p->arrangement;
        a.dwell = p->dwell;
        a.trigOffset = p->trigOffset;
        if (!p->rotary)
            a.oddFireAngle = p->oddFireAngle;
    }
    idleControllerRule();
    driveByWireRule();
    refreshThresholds(false);
}

// ---------------------------------------------------------------- Finish

uint64_t SetupWizard::fingerprint() const {
    // The diagram's records: another configuration loaded over this one changes them.
    uint64_t h = 1469598103934665603ull ^ static_cast<uint64_t>(ecu_.NumElements);
    const int end = std::clamp(ecu_.LogicEnd() + 1, 0, Layout::kLogicSize);
    for (int addr = 0; addr < end; ++addr)
        h = (h ^ ecu_.ReadLogicByte(addr)) * 1099511628211ull;
    return h;
}

void SetupWizard::configurationReplaced() {
    answers_ = WizardAnswers{};
    open();
}

WizardResult SetupWizard::finish() {
    if (!opened_ || fingerprint() != openedOn_) {
        // The answers belong to a configuration that is no longer loaded.
        configurationReplaced();
        return {};
    }
    return applySetupWizard(ecu_, answers_);
}

std::string WizardResult::warning() const {
    if (missing.empty())
        return {};
    std::string text = "The following elements were NOT updated with values from this wizard:";
    for (const std::string& line : missing)
        text += line;
    return text;
}

} // namespace zolmar
