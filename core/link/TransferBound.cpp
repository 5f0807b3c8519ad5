#include "link/TransferBound.h"

#include "link/TransferCheck.h"
#include "model/ECU.h"

#include <algorithm>
#include <cstring>

namespace zolmar {

using namespace SyncRuns;

namespace {

constexpr uint32_t kByteMicros = 40; // 10 bits at 250000 baud
constexpr uint32_t kStatusWords = 32;

uint32_t readMicros(int words) {
    return (8 + 2 * static_cast<uint32_t>(words) + 5) * kByteMicros;
}
uint32_t writeMicros(int words) {
    // A single word goes as function 0x06/0x86 (8 bytes), more as 0x10/0x90.
    return ((words == 1 ? 8 : 9 + 2 * static_cast<uint32_t>(words)) + 8) * kByteMicros;
}

int cyclesFor(size_t runs) {
    return static_cast<int>((runs + kRunsPerPass - 1) / kRunsPerPass);
}

void mark(std::vector<uint8_t>& marks, long begin, long end, uint8_t state) {
    markRange(marks.data(), static_cast<long>(marks.size()), begin, end, state);
}

// The read-back as the check cuts it: runs over the bytes moved, lowest first.
void cutCheck(std::vector<uint8_t>& moved, TransferBound& bound) {
    for (;;) {
        const long p = findState(moved.data(), 0, kConfigEnd, 1);
        if (p < 0)
            break;
        Run run;
        run.words = alignedRun(moved.data(), p, kConfigEnd, TransferCheck::kRunBytes, 1,
                               stopsReadRun, run.start);
        mark(moved, run.start, run.start + 2L * run.words, 0);
        bound.checkRuns.push_back(run);
    }
}

// Cycles and transactions around the runs: each cycle reads the status block first; the
// runs go four per cycle; one cycle finds nothing left to move and begins the check,
// whose last cycle finishes (or commits).
void count(TransferBound& bound, bool write, uint32_t fixedMicros) {
    bound.runCycles = cyclesFor(bound.runs.size());
    bound.checkCycles = 1 + cyclesFor(bound.checkRuns.size());
    bound.cycles = bound.entryCycles + bound.runCycles + bound.checkCycles;
    bound.transactions = bound.cycles + 1 + static_cast<long>(bound.runs.size()) +
                         static_cast<long>(bound.checkRuns.size());
    const uint32_t status = readMicros(kStatusWords);
    uint32_t busiest = status + fixedMicros;
    auto cycleWire = [&](const std::vector<Run>& runs, bool writes, uint32_t last) {
        for (size_t k = 0; k < runs.size(); k += kRunsPerPass) {
            uint32_t micros = status;
            for (size_t i = k; i < std::min(runs.size(), k + kRunsPerPass); ++i)
                micros += writes ? writeMicros(runs[i].words) : readMicros(runs[i].words);
            if (k + kRunsPerPass >= runs.size())
                micros += last;
            busiest = std::max(busiest, micros);
        }
    };
    cycleWire(bound.runs, write, 0);
    cycleWire(bound.checkRuns, false, write ? writeMicros(1) : 0);
    bound.busiestCycleWireMicros = busiest;
}

} // namespace

TransferBound FullReadBound(const tECU& ecu, TransferStart start) {
    TransferBound bound;
    // Start-up: the first cycle finds the ECU, the next reads the header and marks.
    bound.entryCycles = start == TransferStart::StartUp ? 2 : 1;
    std::vector<uint8_t> marks(Layout::kImageSize, 0);
    markFullRead(marks.data(), ecu.ImageWord(0), ecu.ImageWord(2), Sync::ToRead);
    bound.bytes = static_cast<long>(std::count(marks.begin(), marks.end(), Sync::ToRead));
    std::vector<uint8_t> moved(kConfigEnd, 0);
    for (;;) {
        const Run run = nextReadRun(marks.data(), Sync::ToRead);
        if (run.words == 0)
            break;
        bound.runs.push_back(run);
        mark(marks, run.start, run.start + 2L * run.words, Sync::InStep);
        mark(moved, run.start, run.start + 2L * run.words, 1);
        dropUnusedNames(marks.data(), run.start, ecu.NumElements);
    }
    cutCheck(moved, bound);
    count(bound, false, readMicros(2));
    return bound;
}

TransferBound FullWriteBound(const tECU& config, TransferStart start) {
    TransferBound bound;
    // Start-up with a configuration opened: the ECU is found and asked about (12 to 11,
    // answered at once: 9), then the write is marked (9 to 8).
    bound.entryCycles = start == TransferStart::StartUp ? 2 : 1;
    std::vector<uint8_t> marks(Layout::kImageSize, 0);
    markFullWrite(marks.data(), config.ConstEnd(), config.LogicEnd(), config.NumElements,
                  Sync::ToWrite);
    bound.bytes = static_cast<long>(std::count(marks.begin(), marks.end(), Sync::ToWrite));
    std::vector<uint8_t> moved(kConfigEnd, 0);
    for (;;) {
        const Run run = nextWriteRun(marks.data(), Sync::ToWrite);
        if (run.words == 0)
            break;
        bound.runs.push_back(run);
        mark(marks, run.start, run.start + 2L * run.words, Sync::InStep);
        mark(moved, run.start, run.start + 2L * run.words, 1);
    }
    cutCheck(moved, bound);
    count(bound, true, 0);
    return bound;
}

} // namespace zolmar
