#include "diagnostics/Checklist.h"

#include "model/Tables.h"

#include <algorithm>
#include <cstdlib>

namespace zolmar::diagnostics {

using namespace Layout;

namespace {

enum class Kind { LiveWord, TickboxByte, ConstantWord, Table, Table3D };

struct NamedElement {
    const char* name;
    Kind kind;
};

// In the order of Checklist::Named. The degree sign is the Windows-1252 byte.
constexpr NamedElement kNamed[Checklist::kNamedCount] = {
    {"MAP Sensor Raw", Kind::LiveWord},
    {"Coolant Temperature Raw", Kind::LiveWord},
    {"Air Temperature Raw", Kind::LiveWord},
    {"TPS Clipped", Kind::LiveWord},
    {"Closed Loop Idle", Kind::LiveWord},
    {"All Elec Loads Disabled", Kind::LiveWord},
    {"Closed-Loop Fuel", Kind::LiveWord},
    {"Learn TPS", Kind::TickboxByte},
    {"Enable Injectors", Kind::TickboxByte},
    {"Timing Lock", Kind::TickboxByte},
    {"Timing Lock Angle(\xB0"
     "BTDC)",
     Kind::ConstantWord},
    {"Trigger Offset (Crank\xB0)", Kind::ConstantWord},
    {"Base Idle Effort", Kind::Table},
    {"%Volumetric Efficiency 1", Kind::Table3D},
    {"Ignition Map 1 (\xB0"
     "BTDC)",
     Kind::Table3D},
    {"Predicted MAP (kPa)", Kind::Table},
};

const NamedElement& entry(Checklist::Named what) {
    return kNamed[static_cast<int>(what)];
}

bool ofKind(const tECU& ecu, int type, Kind kind) {
    switch (kind) {
    case Kind::LiveWord:
        return ecu.OutputCount(type) > 0;
    case Kind::TickboxByte:
        return type == ElementType::Tickbox;
    case Kind::ConstantWord:
        return type == ElementType::Constant;
    case Kind::Table:
        return Tables::IsTable(type);
    case Kind::Table3D:
        return type == ElementType::Table3D;
    }
    return false;
}

int16_t liveWord(const tECU& ecu, long liveAddr) {
    return static_cast<int16_t>(ecu.ImageWord(kLiveBase + liveAddr));
}

// The element's output word, when it exists.
std::optional<int16_t> namedLive(const tECU& ecu, Checklist::Named what) {
    int e = Checklist::Find(ecu, what);
    if (e < 0)
        return std::nullopt;
    return liveWord(ecu, ecu.ElementLiveOffset[e]);
}

long rpmNow(const tECU& ecu) {
    return 2L * ecu.ImageWord(kLiveBase + Checklist::kRpmLive);
}

std::string valueText(int raw) {
    return Tables::TwoDecimals(raw);
}

// "Closed-Loop Idle Control?  YES": the spacing lines the three answers up.
std::string question(const char* caption, std::optional<int16_t> value) {
    std::string text = caption;
    if (!value)
        return text + "  ???";
    return text + (*value < 1 ? "   NO" : "  YES");
}

Checklist::Mark within(int raw, int low, int high) {
    return raw >= low && raw <= high ? Checklist::Mark::Tick : Checklist::Mark::Cross;
}

// A switch on a named Tickbox: its byte and one step's bit, in one change.
int switchTickbox(tECU& ecu, Checklist::Named which, uint8_t value, int step) {
    int e = Checklist::Find(ecu, which);
    if (e < 0)
        return -1;
    ecu.WriteConstByte(ecu.ElementConstOffset[e], value);
    Checklist::ToggleStep(ecu, step);
    return e;
}

} // namespace

const char* Checklist::NameOf(Named what) {
    return entry(what).name;
}

int Checklist::Find(const tECU& ecu, Named what) {
    const NamedElement& n = entry(what);
    int e = ecu.FindElementByName(n.name, true);
    if (e < 0 || !ofKind(ecu, ecu.TypeOf(e), n.kind))
        return -1;
    return e;
}

std::vector<long> Checklist::LiveAddresses(const tECU& ecu) {
    std::vector<long> addresses{kBatteryLive, kRpmLive};
    for (int k = 0; k < kNamedCount; ++k) {
        if (kNamed[k].kind != Kind::LiveWord)
            continue;
        int e = Find(ecu, static_cast<Named>(k));
        if (e >= 0)
            addresses.push_back(ecu.ElementLiveOffset[e]);
    }
    return addresses;
}

// ---------------------------------------------------------------- progress

uint16_t Checklist::Progress(const tECU& ecu) {
    return ecu.ImageWord(kProgressOffset);
}

bool Checklist::Done(const tECU& ecu, int step) {
    return step >= 1 && step <= kSteps && (Progress(ecu) >> (step - 1)) & 1;
}

bool Checklist::SetDone(tECU& ecu, int step, bool done) {
    if (step < 1 || step > kSteps || Done(ecu, step) == done)
        return false;
    const uint16_t bit = static_cast<uint16_t>(1u << (step - 1));
    const uint16_t word = done ? (Progress(ecu) | bit) : (Progress(ecu) & ~bit);
    ecu.SetImageWord(kProgressOffset, word, true);
    // The high word is unchanged, but the ECU takes the progress as one value.
    ecu.SetImageWord(kProgressOffset + 2, ecu.ImageWord(kProgressOffset + 2), true);
    ecu.Modified = true;
    return true;
}

bool Checklist::HasManualMark(int step) {
    switch (step) {
    case 1:
    case 2:
    case 8:
    case 10:
    case 12:
    case 13:
    case 14:
    case 15:
        return true;
    default:
        return false;
    }
}

bool Checklist::HasOkButton(int step) {
    return HasManualMark(step) && step != 8;
}

int Checklist::FirstOpenStep(const tECU& ecu) {
    for (int step = 1; step <= kSteps; ++step)
        if (!Done(ecu, step))
            return step;
    return 0;
}

int Checklist::ArrowY(int step) {
    return 24 * (step - 1) + (step <= 10 ? 29 : 77);
}

bool Checklist::WizardLinkAvailable(int linkState) {
    switch (linkState) {
    case 4:  // online
    case 5:  // lost while online
    case 7:  // offline
    case 10: // lost during a write
    case 12: // a new configuration
        return true;
    default:
        return false;
    }
}

// ---------------------------------------------------------------- buttons

void Checklist::ToggleStep(tECU& ecu, int step) {
    SetDone(ecu, step, !Done(ecu, step));
}

int Checklist::EnableTpsLearning(tECU& ecu) {
    return switchTickbox(ecu, Named::LearnTps, 1, 7);
}

int Checklist::FinishTpsLearning(tECU& ecu) {
    return switchTickbox(ecu, Named::LearnTps, 0, 8);
}

int Checklist::DisableInjectors(tECU& ecu) {
    return switchTickbox(ecu, Named::EnableInjectors, 0, 9);
}

int Checklist::ReEnableInjectors(tECU& ecu) {
    return switchTickbox(ecu, Named::EnableInjectors, 1, 11);
}

int Checklist::SetTimingLock(tECU& ecu, bool on) {
    int e = Find(ecu, Named::TimingLock);
    if (e >= 0)
        ecu.WriteConstByte(ecu.ElementConstOffset[e], on ? 1 : 0);
    return e;
}

int Checklist::NudgeAngle(tECU& ecu, Named angle, int direction) {
    if (angle != Named::TimingLockAngle && angle != Named::TriggerOffset)
        return -1;
    int e = Find(ecu, angle);
    if (e < 0)
        return -1;
    const int address = ecu.ElementConstOffset[e];
    const int value = static_cast<int16_t>(ecu.ReadConstWord(address));
    // A value already beyond the range is never pushed further out.
    int next = value;
    if (direction > 0 && value < kAngleLimit)
        next = std::min(value + 50, kAngleLimit);
    else if (direction < 0 && value > -kAngleLimit)
        next = std::max(value - 50, -kAngleLimit);
    if (next != value)
        ecu.WriteConstWord(address, static_cast<uint16_t>(next));
    return e;
}

std::optional<bool> Checklist::TimingLockTicked(const tECU& ecu) {
    int e = Find(ecu, Named::TimingLock);
    if (e < 0)
        return std::nullopt;
    return ecu.ReadConstByte(ecu.ElementConstOffset[e]) == 1;
}

std::string Checklist::AngleText(const tECU& ecu, Named angle) {
    int e = Find(ecu, angle);
    if (e < 0 || (angle != Named::TimingLockAngle && angle != Named::TriggerOffset))
        return "???";
    return valueText(static_cast<int16_t>(ecu.ReadConstWord(ecu.ElementConstOffset[e])));
}

// ---------------------------------------------------------------- readings

void Checklist::Open(tECU& ecu) {
    ecu.ChecklistOpen = true;
    // The progress is part of the configuration, so it is offered for saving.
    ecu.Modified = true;
    previousRpm_.reset();
}

void Checklist::Close(tECU& ecu) {
    ecu.ChecklistOpen = false;
}

Checklist::Readings Checklist::PollCycle(tECU& ecu) {
    Readings r;
    r.live = ecu.OnlineCapable || ecu.Simulating;
    if (r.live) {
        const int battery = liveWord(ecu, kBatteryLive);
        r.battery = "Current Battery Voltage: " + valueText(battery);
        r.marks[0] = within(battery, 11 * 50, 16 * 50);
        const uint16_t rpmWord = ecu.ImageWord(kLiveBase + kRpmLive);
        r.rpm = "Current RPM: " + std::to_string(rpmNow(ecu));

        if (auto map = namedLive(ecu, Named::MapSensor)) {
            r.map = "Current MAP (kPa): " + valueText(*map);
            // Only a stopped engine shows the atmosphere.
            r.marks[1] = rpmWord != 0 ? Mark::Hidden : within(*map, 99 * 50, 102 * 50);
        } else {
            r.map = "Current MAP (kPa): ???";
        }
        if (auto coolant = namedLive(ecu, Named::Coolant)) {
            r.coolant = "Current ECT (degrees): " + valueText(*coolant);
            r.marks[2] = within(*coolant, 20 * 50, 90 * 50);
        } else {
            r.coolant = "Current ECT (degrees): ???";
        }
        if (auto air = namedLive(ecu, Named::AirTemperature)) {
            r.air = "Current Air Temp (degrees): " + valueText(*air);
            r.marks[3] = within(*air, 0, 50 * 50);
        } else {
            r.air = "Current Air Temp (degrees): ???";
        }
        for (int k = 0; k < 4; ++k)
            if (r.marks[static_cast<size_t>(k)] != Mark::Hidden)
                r.progressChanged |=
                    SetDone(ecu, 3 + k, r.marks[static_cast<size_t>(k)] == Mark::Tick);
    }
    // The angles follow edits made elsewhere, online or not.
    r.timingLockAngle = AngleText(ecu, Named::TimingLockAngle);
    r.triggerOffset = AngleText(ecu, Named::TriggerOffset);

    auto tps = namedLive(ecu, Named::Tps);
    r.tps = "Current TPS (%): " + (tps ? valueText(*tps) : std::string("???"));
    r.elecLoads = question("All Elec Loads Disabled?", namedLive(ecu, Named::ElecLoadsDisabled));
    r.closedLoopIdle = question("Closed-Loop Idle Control?", namedLive(ecu, Named::ClosedLoopIdle));
    r.closedLoopFuel = question("Closed-Loop Fuel Control?", namedLive(ecu, Named::ClosedLoopFuel));
    return r;
}

Checklist::Warnings Checklist::WarningsTick(const tECU& ecu) {
    Warnings w;
    auto byteOf = [&ecu](Named which) -> std::optional<uint8_t> {
        int e = Find(ecu, which);
        if (e < 0)
            return std::nullopt;
        return ecu.ReadConstByte(ecu.ElementConstOffset[e]);
    };
    if (auto injectors = byteOf(Named::EnableInjectors))
        w.injectors = *injectors != 0 ? "Injectors Enabled" : "Injectors Disabled";
    if (auto learn = byteOf(Named::LearnTps))
        w.tpsLearning = *learn != 0 ? "TPS Learning Enabled" : "TPS Learning Disabled";
    if (auto coolant = namedLive(ecu, Named::Coolant))
        w.coolantTooHigh = *coolant > 110 * 50;
    const long rpm = rpmNow(ecu);
    const long previous = previousRpm_.value_or(rpm);
    w.rpmUnstable = rpm < 1000 && std::labs(rpm - previous) > 250;
    previousRpm_ = rpm;
    return w;
}

Checklist::TableChecks Checklist::CheckTables(const tECU& ecu) {
    using Tables::Axis;
    TableChecks t;
    Tables::Shape shape;
    int ignition = Find(ecu, Named::IgnitionMap);
    if (ignition >= 0 && Tables::ShapeOf(ecu, ignition, shape)) {
        for (int i = 0; i < shape.columns && !t.ignitionExcessive; ++i) {
            // Below 15.00 (RPM / 100: idle and cranking) 20 degrees is already much.
            const bool lowSpeed =
                static_cast<uint16_t>(Tables::Reference(ecu, shape, Axis::Horizontal, i)) < 750;
            for (int j = 0; j < shape.rows; ++j) {
                const int cell = static_cast<int16_t>(Tables::Cell(ecu, shape, i, j));
                if (cell > 2250 || (lowSpeed && cell > 1000)) {
                    t.ignitionExcessive = true;
                    break;
                }
            }
        }
    }
    int ve = Find(ecu, Named::VeTable);
    if (ve >= 0 && Tables::ShapeOf(ecu, ve, shape)) {
        for (int i = 0; i < shape.columns && !t.veUnreasonable; ++i)
            for (int j = 0; j < shape.rows; ++j) {
                const int cell = static_cast<int16_t>(Tables::Cell(ecu, shape, i, j));
                if (cell < 2000 || cell > 15000) {
                    t.veUnreasonable = true;
                    break;
                }
            }
    }
    t.arrowStep = FirstOpenStep(ecu);
    return t;
}

} // namespace zolmar::diagnostics
