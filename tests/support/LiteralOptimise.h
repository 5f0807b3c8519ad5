#pragma once

#include "model/ECU.h"

namespace zolmar::test {

// The configuration optimisation done literally: a bubble sort of adjacent record
// swaps, each written byte by byte through the accessors and followed by a full
// index rebuild, then the link remapping. Slow (cubic); the reference that the
// model's own OptimiseOrder must match byte for byte.
void LiteralOptimiseOrder(tECU& ecu, bool balanced);

} // namespace zolmar::test
