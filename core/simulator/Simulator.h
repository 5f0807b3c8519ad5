#pragma once

#include "model/ECU.h"
#include "simulator/DiagramEvaluator.h"
#include "simulator/SimulatedInputs.h"

#include <string>
#include <vector>

namespace zolmar::sim {

// The simulator without its window: what opening, a control change, the 50 ms timer
// and closing do to the model. Controls keep their positions from one opening to
// the next; the element states (the live area) do not.
class Simulator {
public:
    // One timer tick stands for 50 ms of ECU time, one pass per millisecond.
    static constexpr int kPassesPerTick = 50;

    // The link states in which the simulator may open and its timer runs: Online,
    // LostWhileOnline, WritingChanges, Offline, LostDuringWrite, NewConfiguration.
    static bool RunPermitted(int linkState);

    // Opens the simulation: sets Simulating, clears the live area, sets the counters
    // to 0 and writes every control's live words. Does nothing and returns false in a
    // link state that does not permit it.
    bool Open(tECU& ecu);
    // What opening does besides the flag: live area cleared, counters at 0, every
    // control's live words written.
    void Start(tECU& ecu);
    // Clears Simulating; the live area keeps its last values.
    void Close(tECU& ecu);

    // One timer tick: 50 passes when Simulating is set and the link state permits
    // them, otherwise nothing. Returns the number of passes run.
    int Tick(tECU& ecu);
    // Runs passes regardless of the flags (the command line's simulation); the held
    // words are written before each.
    void Run(tECU& ecu, int passes);
    HeldWords held;

    // Moves a control and writes its live word(s) at once; false outside its range.
    bool SetControl(tECU& ecu, int control, int position);
    const SimulatedInputs& Inputs() const { return inputs_; }
    SimulatedInputs& Inputs() { return inputs_; }
    // The control captions as the open window shows them.
    static std::vector<std::string> Captions(tECU& ecu);

    const DiagramEvaluator& Evaluator() const { return evaluator_; }
    DiagramEvaluator& Evaluator() { return evaluator_; }

private:
    DiagramEvaluator evaluator_;
    SimulatedInputs inputs_;
};

} // namespace zolmar::sim
