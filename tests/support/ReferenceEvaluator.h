#pragma once

#include "model/EcuMemoryView.h"

#include <cstdint>

namespace zolmar::test::reference {

// The diagram evaluation as it first was, walking the records afresh at every
// pass and reading every input through the checked memory view: slow but plainly
// right, kept as the reference the simulator's own evaluation must equal.
//
// Evaluates the block diagram as the ECU does once per millisecond: one pass walks
// the element records in storage order and computes every element into the live
// area, with the ECU's integer arithmetic. It works directly on the memory it is
// given (the model's image or the virtual ECU's memory) and allocates nothing.
class DiagramEvaluator {
public:
    static constexpr int kTickSteps = 20;

    // Step count and sub-counter back to 0.
    void ResetCounters() { SetCounters(0, 0); }
    void SetCounters(uint16_t stepCount, int subCounter);
    // The start of a simulation: the whole live area cleared, the counters at 0, so
    // every element starts from zero.
    void Start(const EcuMemoryView& memory);

    // One pass: the counters advance, then every element is evaluated in storage
    // order. The pass ends at the finish byte or at a type code the catalogue does
    // not know. Returns the number of element records walked.
    int Pass(const EcuMemoryView& memory);
    // Several passes; returns the number of element records of the last one.
    int Run(const EcuMemoryView& memory, int passes);

    uint16_t StepCount() const { return stepCount_; }
    int SubCounter() const { return subCounter_; }
    // True during a pass in which the 20-step tick falls.
    bool Tick() const { return tick_; }

private:
    uint16_t stepCount_ = 0;
    int subCounter_ = 0;
    bool tick_ = false;
};

// Evaluates one element: its record at logicAddr, its constants at constAddr, its
// live block at liveAddr, with the step count n and the 20-step tick t (0 or 1) of
// the pass. Types that the ECU does not calculate leave their live words alone.
void EvaluateElement(const EcuMemoryView& memory, int type, int logicAddr, int constAddr,
                     int liveAddr, uint16_t n, int t);

} // namespace zolmar::test::reference
