#pragma once

#include "model/ECU.h"

#include <vector>

namespace zolmar {

// Which elements the simple view offers as settings on its sheets: Constants,
// Tickboxes, multiplexers, Delays, tables, Stepper blocks, the Aux-on-Inj block and
// the dedicated elements, on pages 1-127, unless they are visible only in the
// advanced view. A 4-way mux whose name is an entry of a 4-way mux is folded into
// that mux's list and has no control of its own.
namespace SimpleViewSettings {

bool IsSettingKind(int type);

struct Setting {
    int element = -1;
    int page = 0;
};

// The settings, page by page and in element order within a page.
std::vector<Setting> List(const tECU& ecu);

} // namespace SimpleViewSettings
} // namespace zolmar
