#pragma once

#include "model/ECU.h"

#include <string>

namespace zolmar {

// The new blank configuration: fixed data cleared, the seven standard page names
// and the six dedicated elements, everything marked to be written to the ECU.
// What the windows do around it (asking to save, routes, link state, menus) is
// the caller's.
namespace NewConfiguration {

void MakeBlank(tECU& ecu);

// The new complete configuration: reads the default configuration
// "q7700xDefaultConfig.ecu" from the start-up folder, else from beside the
// executable, into the image and rebuilds the index. On failure the image is
// unchanged and error says why.
bool LoadComplete(tECU& ecu, std::string& error);

} // namespace NewConfiguration
} // namespace zolmar
