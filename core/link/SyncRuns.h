#pragma once

#include "model/ECU.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>

namespace zolmar::SyncRuns {

// How the poll cycle cuts the configuration into transactions.
inline constexpr long kConfigEnd = 0x2A000; // end of the synchronised configuration
inline constexpr long kRegionStarts[] = {0x08000, 0x13000, 0x1E000, 0x20000};
inline constexpr int kMaxWriteRun = 40;
inline constexpr int kMaxReadRun = 200;
inline constexpr int kRunsPerPass = 4;

inline bool startsRegion(long q) {
    return std::find(std::begin(kRegionStarts), std::end(kRegionStarts), q) !=
           std::end(kRegionStarts);
}

// Writes never cross an ECU storage block: 64 bytes in the constants, 256 in the logic
// and name areas.
inline bool stopsWriteRun(long q) {
    if (startsRegion(q))
        return true;
    if (q < 0x08000)
        return q % 64 == 0;
    if (q < 0x1E000 || (q >= 0x20000 && q < 0x2A000))
        return q % 256 == 0;
    return false;
}

// Reads never cross into another region or the other register bank.
inline bool stopsReadRun(long q) {
    return startsRegion(q) || q == 0x2A000;
}

// The run of bytes in the state from p (at most maxLength, ending before a stop byte or
// the limit), widened to whole words: its start and its number of words.
inline int alignedRun(const uint8_t* marks, long p, long limit, long maxLength, uint8_t state,
                      bool (*stops)(long), long& start) {
    long length = 1;
    for (long q = p + 1; q < limit && length < maxLength && marks[q] == state && !stops(q); ++q)
        ++length;
    start = p;
    if (start % 2 != 0) {
        --start;
        ++length;
    }
    if (length % 2 != 0)
        ++length;
    return static_cast<int>(length / 2);
}

inline long findState(const uint8_t* marks, long begin, long end, uint8_t state) {
    const void* hit = std::memchr(marks + begin, state, static_cast<size_t>(end - begin));
    return hit == nullptr ? -1 : static_cast<const uint8_t*>(hit) - marks;
}

// One transaction of a pass: words from an even byte address; 0 words when none is due.
struct Run {
    long start = 0;
    int words = 0;
};

// The write pass's next run over marks of the whole image: the logic area first, then
// the constants, then the names.
inline Run nextWriteRun(const uint8_t* marks, uint8_t state) {
    long p = findState(marks, 0x08000, 0x13000, state);
    if (p < 0)
        p = findState(marks, 0x00000, 0x08000, state);
    if (p < 0)
        p = findState(marks, 0x13000, kConfigEnd, state);
    Run run;
    if (p >= 0)
        run.words = alignedRun(marks, p, kConfigEnd, kMaxWriteRun, state, stopsWriteRun, run.start);
    return run;
}

// The read pass's next run: the lowest marked byte of the image first.
inline Run nextReadRun(const uint8_t* marks, uint8_t state) {
    const long p = findState(marks, 0, Layout::kImageSize, state);
    Run run;
    if (p >= 0)
        run.words =
            alignedRun(marks, p, Layout::kImageSize, kMaxReadRun, state, stopsReadRun, run.start);
    return run;
}

// Name slots 0 .. elements + 127 (24 bytes each) hold the configuration's names; past
// the first name region they go on at 0x13000. f(begin, end) per range in use.
inline constexpr long kElementsInRegion1 =
    Layout::kNameRegion1Positions / Layout::kNameLength - Layout::kNumPages; // 1577
template <class F> void forNameSlotsInUse(long elements, F f) {
    const long nameBytes = (elements + Layout::kNumPages) * Layout::kNameLength;
    if (nameBytes <= Layout::kNameRegion1Positions) {
        f(Layout::kNameRegion1, Layout::kNameRegion1 + nameBytes);
    } else {
        f(Layout::kNameRegion1, kConfigEnd);
        f(Layout::kNameRegion2, Layout::kNameRegion2 + nameBytes - Layout::kNameRegion1Positions);
    }
}

// Marks [begin, end) of an array of size marks with the state, clipped to the array.
inline void markRange(uint8_t* marks, long size, long begin, long end, uint8_t state) {
    begin = std::clamp(begin, 0L, size);
    end = std::clamp(end, begin, size);
    std::memset(marks + begin, state, static_cast<size_t>(end - begin));
}

// What a full read fetches, from the ECU's usage words (header words 0 and 1), marked
// in image-sized marks: the constants in use, the logic in use (whatever the ECU says,
// only the logic area is configuration; the live area behind it never is) and every
// name slot until the diagram tells which are used.
inline void markFullRead(uint8_t* marks, uint16_t word0, uint16_t word1, uint8_t state) {
    const long size = Layout::kImageSize;
    markRange(marks, size, 0, word0 & 0x7FFF, state);
    const long logicBytes = word1 | ((static_cast<long>(word0) << 1) & 0x10000);
    markRange(marks, size, Layout::kLogicBase,
              Layout::kLogicBase + std::min<long>(logicBytes, Layout::kLogicSize), state);
    markRange(marks, size, 0x13000, 0x1E000, state);
    markRange(marks, size, 0x20000, kConfigEnd, state);
}

// What a full write sends of a configuration, marked in image-sized marks: its
// constants and 1024 bytes beyond, its logic with the finish byte, its name slots.
inline void markFullWrite(uint8_t* marks, long constEnd, long logicEnd, long elements,
                          uint8_t state) {
    const long size = Layout::kImageSize;
    markRange(marks, size, 0, constEnd + 1024L, state);
    markRange(marks, size, Layout::kLogicBase, Layout::kLogicBase + logicEnd + 1L, state);
    forNameSlotsInUse(elements,
                      [&](long begin, long end) { markRange(marks, size, begin, end, state); });
}

// A full read learns from its diagram how many names it needs: after a run that began
// at start in the name areas, the name bytes that this many elements do not use are
// no longer to be read (their marks are cleared).
inline void dropUnusedNames(uint8_t* marks, long start, long elements) {
    auto clear = [marks](long begin, long end) {
        std::memset(marks + begin, 0, static_cast<size_t>(end - begin));
    };
    if (start < 0x13000)
        return;
    if (elements <= kElementsInRegion1) {
        clear(0x13000, 0x1E000);
        if (start < kConfigEnd &&
            start - 0x20000 > (elements + Layout::kNumPages) * Layout::kNameLength)
            clear(start, kConfigEnd);
    } else if (start < 0x1E000 &&
               start - 0x13000 > (elements - kElementsInRegion1) * Layout::kNameLength) {
        clear(start, 0x1E000);
    }
}

} // namespace zolmar::SyncRuns
