#pragma once

#include "link/SyncRuns.h"

#include <cstdint>
#include <vector>

namespace zolmar {

class tECU;

// Where a full transfer begins: at start-up (the link finds the ECU; a write has a
// configuration opened and answers the load-or-write question at once), or from the
// "Read from ECU" / "Write to ECU" command while online.
enum class TransferStart { StartUp, Command };

// The least a full read or write can take under the poll cycle's rules: the runs of
// the transfer and of its read-back, cut exactly as the passes cut them, four per
// cycle, and the cycles the state machine adds (start states, header read, the cycle
// that finds nothing left, the commit). A fault-free link needs exactly this.
struct TransferBound {
    static constexpr double kCycleSeconds = 0.050;

    std::vector<SyncRuns::Run> runs;      // the transfer's transactions, in sending order
    std::vector<SyncRuns::Run> checkRuns; // the read-back of every byte they moved
    long bytes = 0;                       // bytes marked when the transfer starts
    int entryCycles = 0;                  // cycles before the first run
    int runCycles = 0;                    // cycles that send runs
    int checkCycles = 0;                  // the cycle finding nothing left, then the read-back
    int cycles = 0;                       // all of them, the last one finishing
    long transactions = 0;                // one status read per cycle included
    // Wire time at 250000 baud of the busiest cycle (status read, runs, commit).
    uint32_t busiestCycleWireMicros = 0;
    double Seconds() const { return cycles * kCycleSeconds; }
};

// A full read of an ECU holding this configuration (its usage words choose what is
// fetched, its element count which names).
TransferBound FullReadBound(const tECU& ecu, TransferStart start);
// A full write of this configuration.
TransferBound FullWriteBound(const tECU& config, TransferStart start);

} // namespace zolmar
