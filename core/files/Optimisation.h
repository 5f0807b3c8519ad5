#pragma once

#include "model/ECU.h"
#include "ports/Preferences.h"

#include <string>

namespace zolmar {

// "Optimise Configuration": the user's choice of order, kept in the preferences,
// and what the command does to the model.
namespace Optimisation {

inline constexpr const char* kPreference = "ConfOptMode";

// "balanced", or a missing value, means balanced; any other value the latency order.
bool IsBalanced(const std::string& preference);
bool IsBalanced(Preferences& preferences);
// The value stored for a choice: "balanced" or "recalc".
const char* PreferenceValue(bool balanced);

// Reorders the diagram and marks every live word as linked (the links moved);
// returns the information message to show.
std::string Optimise(tECU& ecu, bool balanced);

} // namespace Optimisation
} // namespace zolmar
