#pragma once

#include "model/ECU.h"
#include "setup/NamedSettings.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zolmar {

// The five answers (and the engine) from which the cylinder or rotor assignment
// derives which output serves which cylinder and how each output fires.
struct EngineLayout {
    bool rotary = false;
    int count = 4;          // cylinders 1..12, or rotors 1..3
    int firingOrder = 0;    // index into firingOrders(); -1 none chosen
    int arrangement = 0;    // index into arrangements(); -1 none chosen
    int oddFireAngle = 180; // crank degrees between the first two cylinders fired
    bool nissanRb = false;  // Nissan RB20DET or RB25DET: their own injector wiring
};

// What the assignment writes for a layout: pure data, so that the wizard's labels,
// its Finish and the tests all see the same decisions.
struct Assignment {
    static constexpr int kInjectors = 12;
    static constexpr int kIgnitions = 8;

    // False for counts without firing orders (7, 9, 11 cylinders): only the wrappers,
    // patterns, chaining and pin names are written then.
    bool positionsKnown = false;
    std::array<std::string, kInjectors> injectorPins; // " " for an unnamed pin
    std::array<std::string, kIgnitions> ignitionPins;
    std::array<uint8_t, kInjectors> injectorPattern{};
    std::array<uint8_t, kIgnitions> ignitionPattern{};
    uint8_t chaining = 0;          // bits 0-6 of constant 318
    int firingOrder = -1;          // constant 317; -1 leaves it alone
    std::vector<NamedValue> named; // in the order they are written
    bool wiringHidden = false;     // the Nissan RB engines show no wiring labels
};

namespace CylinderAssignment {

// Piston arrangements (list indices).
inline constexpr int kDirectFire = 0;
inline constexpr int kWastedSpark = 1;
inline constexpr int kSingleDistributor = 2;
inline constexpr int kTwinDistributors = 3;
// Rotary arrangements.
inline constexpr int kRotaryDirectFire = 0;
inline constexpr int kWastedLeading = 1;
inline constexpr int kAddressing = 2;

// Pin records of injector outputs 1..12 and ignition outputs 1..8.
int injectorRecord(int output);
int ignitionRecord(int output);

// The firing-order list for the count (empty for 7, 9 and 11 cylinders).
const std::vector<std::string>& firingOrders(bool rotary, int count);
// The arrangement list: four piston or three rotary entries, " " where an entry does
// not apply; empty for counts without firing orders.
std::vector<std::string> arrangements(bool rotary, int count);
bool arrangementApplies(bool rotary, int count, int index);
// The arrangement the cylinder or rotor rule selects; -1 when there is none.
int defaultArrangement(bool rotary, int count);
// Firing position (0-based) of cylinder or rotor i = 1..count at index i - 1; empty
// when the order is not one of the count's.
std::vector<int> positions(bool rotary, int count, int firingOrder);

// The period angle offset of the cylinder at firing position s: the even or odd-fire
// angle, folded into -18000..18000 (crank degrees x 50).
int16_t pistonOffset(int position, int period, int oddFire);

Assignment assign(const EngineLayout& layout);

// The long form of a pin name, as the wiring labels show it.
std::string wiringLabel(const std::string& pin, bool rotary, int count);

// The arrangement a configuration's chaining bits and ignition patterns stand for;
// -1 when the count has no arrangement list.
int readBackArrangement(const tECU& ecu, bool rotary, int count);

} // namespace CylinderAssignment
} // namespace zolmar
