#include "emu/EngineProfile.h"

#include "model/PinTable.h"

#include <algorithm>
#include <cmath>

namespace zolmar::emu {

namespace {

using sim::InputKind;
using sim::SimulatedInputs;

bool contains(const std::string& upper, const char* word) {
    return upper.find(word) != std::string::npos;
}

std::string pinName(const EcuMemoryView& memory, int record) {
    std::string name;
    const long offset = PinTable::RecordOffset(record);
    for (int k = 0; offset >= 0 && k < PinTable::kNameLength; ++k) {
        const uint8_t b = memory.ConfigByte(offset + k);
        if (b != 0)
            name.push_back(static_cast<char>(b));
    }
    return name;
}

// Smooth step from 0 to 1 over [0, 1].
double ease(double x) {
    x = std::clamp(x, 0.0, 1.0);
    return x * x * (3 - 2 * x);
}

int volts(double v) {
    return static_cast<int>(std::lround(v * 10000));
}

} // namespace

EngineProfile::Sensor EngineProfile::SensorOf(const std::string& pinName) {
    std::string upper;
    for (char c : pinName)
        upper.push_back((c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c);
    if (contains(upper, "TPS") || contains(upper, "THROTTLE") || contains(upper, "PEDAL"))
        return Sensor::Throttle;
    if (contains(upper, "MAP") || contains(upper, "BOOST") || contains(upper, "PRESS"))
        return Sensor::Pressure;
    if (contains(upper, "COOL") || contains(upper, "CLT") || contains(upper, "ECT") ||
        contains(upper, "WATER"))
        return Sensor::Coolant;
    if (contains(upper, "AIR") || contains(upper, "IAT") || contains(upper, "MAT"))
        return Sensor::AirTemperature;
    if (contains(upper, "O2") || contains(upper, "OXYGEN") || contains(upper, "LAMBDA") ||
        contains(upper, "EGO") || contains(upper, "AFR"))
        return Sensor::Oxygen;
    return Sensor::None;
}

// Idle for 10 s, open the throttle over 4 s, cruise for 8 s, close it over 4 s, idle.
double EngineProfile::Throttle(uint64_t ms) {
    const double t = static_cast<double>(ms % kCycleMs) / 1000.0;
    if (t < 10)
        return 0.0;
    if (t < 14)
        return 0.45 * ease((t - 10) / 4);
    if (t < 22)
        return 0.45 - 0.05 * std::sin((t - 14) * 0.8); // a hand on the pedal is never still
    if (t < 26)
        return (0.45 - 0.05 * std::sin(8 * 0.8)) * (1 - ease((t - 22) / 4));
    return 0.0;
}

int EngineProfile::Rpm(uint64_t ms) {
    // Speed lags the throttle a little; the idle hunts by a few RPM.
    const uint64_t lag = 600;
    const double throttle = Throttle(ms >= lag ? ms - lag : 0);
    const double t = static_cast<double>(ms) / 1000.0;
    return static_cast<int>(std::lround(850 + 12 * std::sin(t * 2.1) + 2700 * throttle / 0.45));
}

int EngineProfile::Signal(Sensor sensor, uint64_t ms) {
    const double throttle = Throttle(ms);
    const double t = static_cast<double>(ms) / 1000.0;
    switch (sensor) {
    case Sensor::Throttle:
        return volts(0.55 + 3.9 * throttle);
    case Sensor::Pressure: {
        const double kPa = 33 + 130 * throttle + 0.6 * std::sin(t * 3.7);
        return volts(0.2 + 0.045 * kPa);
    }
    case Sensor::Coolant: // warm, about 80 C: a thermistor's biased signal near 0.6 V
        return volts(0.62 + 0.02 * std::sin(t * 0.05));
    case Sensor::AirTemperature: // about 30 C
        return volts(2.3 - 0.1 * throttle);
    case Sensor::Oxygen: // a narrowband sensor switching about stoichiometric
        return volts(std::sin(t * 4.0) > 0 ? 0.78 : 0.12);
    case Sensor::None:
        break;
    }
    return 0;
}

void EngineProfile::Apply(EcuDiagram& diagram, const EcuMemoryView& memory, uint64_t ms) {
    SimulatedInputs& inputs = diagram.inputs;
    const double throttle = Throttle(ms);
    int vss = 0;
    int channel = 0;
    for (int control = 0; control < SimulatedInputs::kControls; ++control) {
        switch (SimulatedInputs::Kind(control)) {
        case InputKind::Rpm: // the raw value of RPM / 100
            inputs.SetPosition(control, (Rpm(ms) + 1) / 2);
            break;
        case InputKind::Battery: // 13.9 V, charging
            inputs.SetPosition(control, 695);
            break;
        case InputKind::Vss: // the first sensor: the car's speed, km/h
            if (vss++ == 0)
                inputs.SetPosition(control, static_cast<int>(std::lround(180 * throttle)));
            break;
        case InputKind::Analogue: {
            Sensor sensor = SensorOf(pinName(memory, PinTable::AnalogueInputRecord(++channel)));
            if (sensor != Sensor::None)
                inputs.SetPosition(control, Signal(sensor, ms));
            break;
        }
        default:
            break;
        }
    }
}

} // namespace zolmar::emu
