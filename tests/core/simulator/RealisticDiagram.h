#pragma once

#include "model/ECU.h"

#include <cstdint>

namespace zolmar::test {

// Builds, through the model's own operations, a diagram as an engine configuration
// has it: the dedicated elements, then tables fed by engine speed and the analogue
// inputs, PID loops with timeslices, timers, latches, delays, steppers, the
// arithmetic and logic between them, displays, labels and gauges. About one in nine
// elements is a table or a PID. Inputs link mostly to outputs stored before them,
// some to later ones (feedback). With Layout::kMaxElements it fills the model to its
// element limit while staying inside the live, logic and constant areas. Returns the
// number of elements.
int GenerateRealisticDiagram(tECU& ecu, int elements, uint32_t seed = 1);

} // namespace zolmar::test
