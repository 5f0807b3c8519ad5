#include "files/Optimisation.h"

namespace zolmar::Optimisation {

bool IsBalanced(const std::string& preference) {
    return preference.empty() || preference == "balanced";
}

bool IsBalanced(Preferences& preferences) {
    return IsBalanced(preferences.read(kPreference));
}

const char* PreferenceValue(bool balanced) {
    return balanced ? "balanced" : "recalc";
}

std::string Optimise(tECU& ecu, bool balanced) {
    ecu.OptimiseOrder(balanced);
    for (auto& linked : ecu.LiveWordLinked)
        linked = 1;
    return balanced ? "Balanced Optimisation Complete"
                    : "Calculation Latency Optimisation Complete";
}

} // namespace zolmar::Optimisation
