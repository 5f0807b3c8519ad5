#include "editor/SimpleViewSettings.h"

#include "editor/SimpleSheets.h"

#include <set>
#include <string>

namespace zolmar::SimpleViewSettings {

namespace {

// The 16-byte entry r of a 4-way mux.
std::string muxEntry(const tECU& ecu, int element, int r) {
    return SimpleSheets::Description(ecu, ecu.ElementLogicOffset[element] + 12 + 16 * r);
}

} // namespace

bool IsSettingKind(int type) {
    using namespace ElementType;
    switch (type) {
    case Constant:
    case Tickbox:
    case Mux32:
    case Mux4:
    case Delay:
    case Table2D:
    case Table3D:
    case Stepper:
    case AuxOnInj:
        return true;
    default:
        return isDedicatedType(type);
    }
}

std::vector<Setting> List(const tECU& ecu) {
    std::set<std::string> entries;
    for (int i = 0; i < ecu.NumElements; ++i)
        if (ecu.TypeOf(i) == ElementType::Mux4)
            for (int r = 0; r < 4; ++r)
                entries.insert(muxEntry(ecu, i, r));
    std::vector<Setting> settings;
    for (int page = 1; page < Layout::kNumPages; ++page)
        for (int i = 0; i < ecu.NumElements; ++i) {
            int type = ecu.TypeOf(i);
            if (ecu.PageOf(i) != page || ecu.AdvancedOnly(i) || !IsSettingKind(type))
                continue;
            if (type == ElementType::Mux4 && entries.count(ecu.NameOf(Layout::kNumPages + i)))
                continue;
            settings.push_back({i, page});
        }
    return settings;
}

} // namespace zolmar::SimpleViewSettings
