#pragma once

#include "Design.h"

#include <string>
#include <vector>

namespace zolmar::defaults {

// Outputs of the two dedicated input elements (elements 0 and 1).
namespace Dedicated {
inline Out serial1(int k) {
    return {0, k - 1};
}
inline Out vss(int k) {
    return {0, 16 + k - 1};
}
inline Out knockInPhase(int window) {
    return {0, 24 + 2 * (window - 1)};
}
inline Out knockBackground(int window) {
    return {0, 25 + 2 * (window - 1)};
}
inline Out vvt(int k) {
    return {0, 40 + k - 1};
}
inline Out rpm() {
    return {0, 44};
}
inline Out dig(int k) {
    return {0, 45 + k - 1};
}
inline Out ana(int channel) {
    return {1, channel - 1};
}
inline Out battery() {
    return {1, 42};
}
} // namespace Dedicated

// Where the sensors and switches of the default wiring are connected.
namespace Wiring {
inline constexpr int kTps = 1; // also "TPS 1" of drive-by-wire
inline constexpr int kTps2 = 2;
inline constexpr int kPedal2 = 3;
inline constexpr int kMap = 5;
inline constexpr int kOxygen = 6;
inline constexpr int kPedal1 = 8;
inline constexpr int kCoolant = 9; // inputs 9-12 can be biased for temperature sensors
inline constexpr int kAirTemp = 10;
inline constexpr int kAirConRequest = 1; // digital inputs
inline constexpr int kPowerSteering = 2;
inline constexpr int kElecLoad1 = 3;
inline constexpr int kElecLoad2 = 4;
} // namespace Wiring

// The page numbers (0-based) of the default diagram.
namespace Pages {
inline constexpr int kGauges = 0;
inline constexpr int kInputs = 1;
inline constexpr int kAnalogue = 2;
inline constexpr int kAuxOutputs = 3;
inline constexpr int kInjectorOutputs = 4;
inline constexpr int kIgnitionOutputs = 5;
inline constexpr int kGeneral = 6;
inline constexpr int kMapTps = 7;
inline constexpr int kTemperatures = 8;
inline constexpr int kLambda = 9;
inline constexpr int kSpeedLoad = 10;
inline constexpr int kFuelBase = 11;
inline constexpr int kFuelEnrichment = 12;
inline constexpr int kClosedLoop = 13;
inline constexpr int kFuelPulse = 14;
inline constexpr int kInjectionAngles = 15;
inline constexpr int kIgnitionTiming = 16;
inline constexpr int kIgnitionAngles = 17;
inline constexpr int kKnock = 18;
inline constexpr int kKnockCylinders = 19;
inline constexpr int kLimits = 20;
inline constexpr int kIdle = 21;
inline constexpr int kBoost = 22;
inline constexpr int kVvt = 23;
inline constexpr int kDriveByWire = 24;
inline constexpr int kAuxFunctions = 25;
inline constexpr int kAuxChannels1 = 26; // four pages of four channels
} // namespace Pages

// The page builders, one file per area of the engine.
void declareSensors(Design& d);
void declareFuel(Design& d);
void declareIgnition(Design& d);
void declareIdleAndActuators(Design& d);
void declareAuxOutputs(Design& d);
void declareOutputs(Design& d);
void declareGauges(Design& d);

// The whole default diagram.
void declareDefaultDiagram(Design& d);

} // namespace zolmar::defaults
