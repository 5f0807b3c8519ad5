#pragma once

#include "model/EcuMemoryView.h"

#include <cstdint>
#include <vector>

namespace zolmar::sim {

// Evaluates the block diagram as the ECU does once per millisecond: one pass walks
// the element records in storage order and computes every element into the live
// area, with the ECU's integer arithmetic. It works directly on the memory it is
// given (the model's image or the virtual ECU's memory).
//
// The walk itself (where each record, its constants and its live block lie) and
// every element's inputs are decoded once and kept. Before each pass the bytes the
// decoding read (the logic area up to the byte that ended the walk, and the
// dimensions of every table) are compared with a copy, and any difference decodes
// again: an edit of any kind, by any path, is seen at the next pass, and only an
// edit of the logic area or of a table's size costs a new decoding.
// An element input as decoding resolved it: a live word (its address checked
// then) or a literal, including the 0 that a link outside the live area reads as.
// The value is (live word at `live` AND mask) OR literal, with mask 0 for a
// literal: no branch that the processor could mispredict from input to input.
struct DecodedInput {
    uint16_t live = 0;
    uint16_t mask = 0;
    uint16_t literal = 0;
};

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
    int Run(const EcuMemoryView& memory, int passes) {
        return Run(memory, passes, [] {});
    }
    // Passes in a row, beforeEach called before each, over memory whose logic area
    // only the first pass compares: neither the passes (they write live words and
    // learnt table cells) nor beforeEach may write it. Table sizes are still
    // compared at every pass.
    template <class BeforeEach>
    int Run(const EcuMemoryView& memory, int passes, BeforeEach beforeEach) {
        int count = 0;
        for (int k = 0; k < passes; ++k) {
            beforeEach();
            count = k == 0 ? Pass(memory) : PassSameLogic(memory);
        }
        return count;
    }

    uint16_t StepCount() const { return stepCount_; }
    int SubCounter() const { return subCounter_; }
    // True during a pass in which the 20-step tick falls.
    bool Tick() const { return tick_; }

    // How many times the walk was decoded; for tests.
    int Decodings() const { return decodings_; }

private:
    bool DecodingHolds(const EcuMemoryView& memory) const;
    bool DimensionsHold(const EcuMemoryView& memory) const;
    int PassSameLogic(const EcuMemoryView& memory);
    int Evaluate(const EcuMemoryView& memory);
    void Decode(const EcuMemoryView& memory);

    // One element the pass computes.
    struct Step {
        int logic;
        uint16_t constant;
        uint16_t live;
        uint8_t type;
        bool checked;               // its live block reaches the area's end: every access checked
        const DecodedInput* inputs; // its inputs in sources_, set once decoding is done
    };
    // A table dimension byte, with the value the decoding read.
    struct Check {
        uint32_t address; // configuration address
        uint8_t value;
    };
    std::vector<Step> steps_;
    std::vector<Check> checks_;
    std::vector<uint8_t> logic_; // the logic bytes the decoding read, from address 0
    std::vector<DecodedInput> sources_;
    int records_ = 0;
    const uint8_t* decodedConfig_ = nullptr;
    uint32_t decodedSize_ = 0;
    bool decoded_ = false;
    int decodings_ = 0;

    uint16_t stepCount_ = 0;
    int subCounter_ = 0;
    bool tick_ = false;
};

// Evaluates one element: its record at logicAddr, its constants at constAddr, its
// live block at liveAddr, with the step count n and the 20-step tick t (0 or 1) of
// the pass. Types that the ECU does not calculate leave their live words alone.
void EvaluateElement(const EcuMemoryView& memory, int type, int logicAddr, int constAddr,
                     int liveAddr, uint16_t n, int t);

} // namespace zolmar::sim
