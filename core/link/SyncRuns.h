#pragma once

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

} // namespace zolmar::SyncRuns
