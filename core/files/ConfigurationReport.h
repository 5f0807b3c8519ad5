#pragma once

#include "model/ECU.h"

#include <string>

namespace zolmar {

// Texts of "ECU and Configuration Properties" that describe the configuration.
namespace ConfigurationReport {

// The "Num Elements:" message: counts by type, lines ended by "\n" and "\r", the
// total last without a line end.
std::string NumElementsText(const tECU& ecu);
// The memory usage values shown beside "Live  :", "Const:" and "Logic:", and the
// element count beside "Num Elements:".
std::string LiveUsageText(const tECU& ecu);
std::string ConstUsageText(const tECU& ecu);
std::string LogicUsageText(const tECU& ecu);
std::string ElementCountText(const tECU& ecu);

} // namespace ConfigurationReport
} // namespace zolmar
