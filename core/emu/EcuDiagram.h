#pragma once

#include "model/EcuMemoryView.h"
#include "simulator/DiagramEvaluator.h"
#include "simulator/SimulatedInputs.h"

#include <cstdint>
#include <string>

namespace zolmar::emu {

// The diagram as the virtual ECU runs it: one evaluation pass per millisecond of ECU
// time (more when asked), with the measured inputs coming from an input source the
// ECU owns (the simulator's controls, fixed at 0 until set) and any live words held
// at a raw value. The memory it runs on is the ECU's committed configuration and its
// live RAM.
class EcuDiagram {
public:
    // The input source: control positions, as the simulator's controls set them.
    sim::SimulatedInputs inputs;

    // Sets a control by its caption ("RPM / 100", "Ana 1" or "Ana1: MAP"); false with
    // the reason when there is no such control or the value is out of its range.
    bool SetInput(const std::string& caption, int position, const EcuMemoryView& memory,
                  std::string& error);
    // Live words (0..4095) held at raw values before every pass.
    sim::HeldWords held;

    // Off: ECU time passes without evaluation (the live area stays as it is).
    bool running = true;
    // Passes per millisecond of ECU time: 1 is the ECU's own rate.
    int passesPerMs = 1;
    // The most wall-clock time one Advance may spend on passes (0: no limit). Passes
    // that do not fit are dropped, so that a slow host keeps answering the link.
    uint32_t budgetMs = 0;

    // The configuration changed under the diagram: the live area is cleared and the
    // counters start again, as after a power-up.
    void Restart(const EcuMemoryView& memory);
    // Runs the passes due for ms milliseconds of ECU time.
    void Advance(const EcuMemoryView& memory, uint32_t ms);
    // One pass: inputs and held words written, then the diagram evaluated.
    void Pass(const EcuMemoryView& memory);

    const sim::DiagramEvaluator& Evaluator() const { return evaluator_; }
    uint64_t PassesRun() const { return passes_; }
    uint64_t PassesDropped() const { return dropped_; }

private:
    sim::DiagramEvaluator evaluator_;
    uint64_t passes_ = 0;
    uint64_t dropped_ = 0;
};

} // namespace zolmar::emu
