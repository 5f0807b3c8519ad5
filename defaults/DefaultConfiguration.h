#pragma once

#include "model/ECU.h"

#include <string>
#include <vector>

namespace zolmar::defaults {

// The file name under which the default configuration ships.
inline constexpr const char* kDefaultConfigName = "q7700xDefaultConfig.ecu";

// Builds the complete default configuration in the image: the new blank
// configuration, the default diagram on its pages, the calculation order, the
// dedicated settings, pin names and onboard logging channels. False, with the
// reasons, when something did not go as designed.
// The layout report (one line per group) goes to report when given.
bool BuildDefaultConfiguration(tECU& ecu, std::vector<std::string>& problems,
                               std::vector<std::string>* report = nullptr);

} // namespace zolmar::defaults
