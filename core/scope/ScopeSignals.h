#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zolmar::scope {

// What a scope source is and how it is drawn.
enum class SourceKind { Value, Raw, BitSet, Angle };

// One item of the "Input source" lists.
struct Source {
    const char* caption;
    uint16_t code; // stored code; item 0 stores the live address / 2 instead
    SourceKind kind;
    uint16_t bits; // the bits drawn of a bit set
};

inline constexpr int kSourceItems = 19;
inline constexpr uint16_t kNoLiveValue = 0xFFFF;
inline constexpr uint16_t kFirstSpecialCode = 4096;

const std::array<Source, kSourceItems>& Sources();
// The list item of a stored code: 0 for a live value (below 4096, or 0xFFFF), -1 for
// a code that is in no list.
int ItemOfCode(uint16_t code);
SourceKind KindOfItem(int item);
// Items 7 and above except the engine angle are sets of bits.
bool IsBitSet(int item);
// The 16 names of the bits of a bit-set item (bit 0 first; blanks are empty), full or short.
std::array<std::string, 16> BitNames(int item, bool shortForm);
// The fixed label of a raw signal or the angle ("Knk1Raw", "CurAng"), empty otherwise.
std::string FixedLabel(int item);

// Time bases: captions and the time per division in microseconds.
inline constexpr int kTimebases = 16;
inline constexpr int kDefaultTimebase = 6;
const std::array<const char*, kTimebases>& TimebaseCaptions();
int64_t MicrosPerDivision(int timebase);
// A cursor position (1/24 division per step) as time: "0.042 ms", "1.000 s".
std::string CursorTime(int steps, int timebase);

// Scale index 0-9: "0.1 / div" .. "100 / div"; factors multiply for 0-3, divide above.
inline constexpr int kScales = 10;
const std::array<const char*, kScales>& ScaleCaptions();
int ScaleFactor(int index);

} // namespace zolmar::scope
