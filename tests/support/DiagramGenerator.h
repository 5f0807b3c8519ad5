#pragma once

#include "model/ECU.h"

#include <cstdint>

namespace zolmar::test {

// What a generated diagram holds.
struct DiagramOptions {
    uint32_t seed = 1;
    int elements = 50;        // elements created after the dedicated ones
    int pages = 5;            // pages 1..pages are used (page 0 gets gauges and labels)
    int linkPercent = 60;     // chance that an input is linked
    bool dedicated = true;    // start from the new blank configuration
    bool auxOnInj = false;    // put one "Aux on Inj" block somewhere in the middle
    bool resizeTables = true; // give tables random dimensions
};

// Builds a random diagram through the model's own operations: random creatable
// types, pages and positions, unique names ("E0", "E1", ...), links in every
// direction (so feedback loops too) and random literals. Returns the number of
// elements created.
int GenerateDiagram(tECU& ecu, const DiagramOptions& options);

// Builds a diagram of small elements (by default the largest the model allows:
// 3454 with the dedicated ones), linked in chains that run backwards through the
// record order, so that optimisation has to move almost every element.
void GenerateBackwardChains(tECU& ecu, int pages, int elements = Layout::kMaxElements);

} // namespace zolmar::test
