#pragma once

#include "emu/EcuDiagram.h"

#include <cstdint>
#include <string>

namespace zolmar::emu {

// A running engine for the virtual ECU inside ZOLMAR: it idles, opens the throttle,
// cruises and comes back in a slow cycle, so that a diagram shows values that move
// as on a car. Engine speed, battery and vehicle speed always follow it; analogue
// channels follow it when their pin name says what they measure (TPS, pedal, MAP,
// coolant, air temperature, oxygen sensor); other channels stay as they are.
class EngineProfile {
public:
    static constexpr uint64_t kCycleMs = 30000;

    // What a channel measures, from its pin name.
    enum class Sensor { None, Throttle, Pressure, Coolant, AirTemperature, Oxygen };
    static Sensor SensorOf(const std::string& pinName);

    // The cycle at ECU time ms: throttle opening 0..1 and engine speed in RPM.
    static double Throttle(uint64_t ms);
    static int Rpm(uint64_t ms);
    // The sensor's signal in units of 0.1 mV at ECU time ms.
    static int Signal(Sensor sensor, uint64_t ms);

    // Sets the diagram's inputs for ECU time ms.
    static void Apply(EcuDiagram& diagram, const EcuMemoryView& memory, uint64_t ms);
};

} // namespace zolmar::emu
