#pragma once

#include <cstdint>
#include <string>

namespace zolmar {

// Element type codes as they stand in byte 0 of an element record.
namespace ElementType {
inline constexpr int Label = 0;
inline constexpr int Constant = 1;
inline constexpr int Table2D = 2;
inline constexpr int Display = 3;
inline constexpr int Table3D = 4;
inline constexpr int Summer = 5;
inline constexpr int Multiplier = 6;
inline constexpr int PID = 7;
inline constexpr int Clipper = 8;
inline constexpr int Comparator = 9;
inline constexpr int Switch = 10;
inline constexpr int Tickbox = 11;
inline constexpr int Mux4 = 12;
inline constexpr int Timer = 13;
inline constexpr int Latch = 14;
inline constexpr int Delay = 15;
inline constexpr int Gauge = 16;
inline constexpr int Stepper = 17;
inline constexpr int Wrapper = 18;
inline constexpr int Mux32 = 19;
inline constexpr int Injectors = 31;
inline constexpr int Ignition = 63;
inline constexpr int AuxOnInj = 94;
inline constexpr int AuxOutputs = 95;
inline constexpr int AnalogueInputs = 127;
inline constexpr int Inputs = 159;
inline constexpr int General = 191;
inline constexpr int Finish = 255;
} // namespace ElementType

// The fixed, per-type part of the element catalogue. Sizes that depend on the
// element's constants (tables, gauges, the injector block) are resolved by tECU.
struct TypeInfo {
    bool valid;
    const char* typeName;
    int logicSize;
    int constSize; // -2 where the size is read from the constants (tables)
    int liveSize;
    int inputCount;
    int outputCount;
    int picture;
    const char* initialName;
};

const TypeInfo& typeInfo(int type);

// Constant block size of a table from its count bytes.
inline int table2DConstSize(int n) {
    return 4 * n + 1;
}
inline int table3DConstSize(int x, int y) {
    return 2 + 2 * x + 2 * y + 2 * x * y;
}

// True for the six elements that every configuration has once, at indices 0..5.
bool isDedicatedType(int type);

inline constexpr int kNumPictures = 41;
// The picture names the editor draws, by picture number.
const char* pictureName(int picture);

} // namespace zolmar
