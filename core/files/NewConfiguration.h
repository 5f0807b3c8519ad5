#pragma once

#include "model/ECU.h"

namespace zolmar {

// The new blank configuration: fixed data cleared, the seven standard page names
// and the six dedicated elements, everything marked to be written to the ECU.
// What the windows do around it (asking to save, routes, link state, menus) is
// the caller's.
namespace NewConfiguration {

void MakeBlank(tECU& ecu);

} // namespace NewConfiguration
} // namespace zolmar
