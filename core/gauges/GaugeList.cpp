#include "gauges/GaugeList.h"

#include "model/Catalogue.h"

#include <algorithm>

namespace zolmar::gauges {

namespace {

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

int16_t asSigned(uint16_t word) {
    return static_cast<int16_t>(word);
}

} // namespace

GaugeSettings ReadGaugeSettings(const tECU& ecu, int element) {
    GaugeSettings s;
    if (element < 0 || element >= ecu.NumElements)
        return s;
    const int c = ecu.ElementConstOffset[element];
    s.minimum = asSigned(ecu.ReadConstWord(c));
    s.maximum = asSigned(ecu.ReadConstWord(c + 2));
    s.softAlarm = asSigned(ecu.ReadConstWord(c + 4));
    s.hardAlarm = asSigned(ecu.ReadConstWord(c + 6));
    s.options = ecu.ReadConstByte(c + GaugeSettings::kOptionsOffset);
    return s;
}

bool IsGaugePageGauge(const tECU& ecu, int element) {
    return element >= 0 && element < ecu.NumElements && ecu.TypeOf(element) == ElementType::Gauge &&
           ecu.PageOf(element) == 0;
}

int16_t LiveWordOf(const tECU& ecu, int element) {
    if (element < 0 || element >= ecu.NumElements)
        return 0;
    return asSigned(ecu.ImageWord(Layout::kLiveBase + ecu.ElementLiveOffset[element]));
}

int16_t GaugeInputValue(const tECU& ecu, int element) {
    if (element < 0 || element >= ecu.NumElements)
        return 0;
    const uint16_t input = ecu.InputWord(element, 0);
    return (input & 1) ? LiveWordOf(ecu, element) : asSigned(input);
}

Companion CompanionOf(const std::string& name, std::string* stripped) {
    struct Suffix {
        const char* text;
        Companion kind;
    };
    // " Target Valid" before " Valid" and " Target": the longest suffix decides.
    static const Suffix kSuffixes[] = {{" Target Valid", Companion::TargetValid},
                                       {" Target", Companion::Target},
                                       {" Valid", Companion::Valid},
                                       {" Effort", Companion::Effort}};
    for (const Suffix& s : kSuffixes) {
        const std::string suffix = s.text;
        if (endsWith(name, suffix)) {
            if (stripped)
                *stripped = name.substr(0, name.size() - suffix.size());
            return s.kind;
        }
    }
    if (stripped)
        *stripped = name;
    return Companion::None;
}

void GaugeList::Build(tECU& ecu) {
    rows_.clear();
    builtFor_ = ecu.StructureGeneration();
    for (int i = 0; i < ecu.NumElements && static_cast<int>(rows_.size()) < kMaxRows; ++i) {
        if (!IsGaugePageGauge(ecu, i) ||
            (ReadGaugeSettings(ecu, i).options & GaugeSettings::kNotInList))
            continue;
        Row row;
        row.gauge = i;
        row.name = ecu.NameOf(i + 128);
        if (CompanionOf(row.name) == Companion::None)
            rows_.push_back(row);
    }
    for (int i = 0; i < ecu.NumElements; ++i) {
        if (!IsGaugePageGauge(ecu, i))
            continue;
        std::string base;
        const Companion kind = CompanionOf(ecu.NameOf(i + 128), &base);
        if (kind == Companion::None)
            continue;
        for (Row& row : rows_) {
            if (row.name != base)
                continue;
            switch (kind) {
            case Companion::Target:
                row.target = i;
                break;
            case Companion::Valid:
                row.valid = i;
                break;
            case Companion::TargetValid:
                row.targetValid = i;
                break;
            case Companion::Effort:
                row.effort = i;
                break;
            case Companion::None:
                break;
            }
        }
    }
    // Top to bottom as on the page; equal rows keep their element order.
    std::stable_sort(rows_.begin(), rows_.end(), [&ecu](const Row& a, const Row& b) {
        return ecu.RowOf(a.gauge) < ecu.RowOf(b.gauge);
    });
    ecu.GaugesWindowOpen = true;
}

GaugeList::RowView GaugeList::Refresh(const tECU& ecu, int index) const {
    RowView view;
    // Rows built before elements moved name other elements now: nothing until rebuilt.
    if (index < 0 || index >= static_cast<int>(rows_.size()) || !Current(ecu))
        return view;
    const Row& row = rows_[static_cast<size_t>(index)];
    view.valueRed = row.valid >= 0 && LiveWordOf(ecu, row.valid) <= 0;
    const int16_t value = LiveWordOf(ecu, row.gauge);
    if (ReadGaugeSettings(ecu, row.gauge).boolean()) {
        const bool live = (ecu.EcuPresent && ecu.OnlineCapable) || ecu.Simulating;
        view.value = !live ? "  ----" : value < 1 ? " false" : "  true";
    } else {
        view.value = ecu.FormatValue50(value, true);
    }
    if (row.target < 0) {
        view.target = std::string(16, ' ');
    } else {
        view.target = "(" + ecu.FormatValue50(LiveWordOf(ecu, row.target), true);
        // Without an Effort companion the target stands alone.
        if (row.effort >= 0)
            view.target += "," + ecu.FormatValue50(LiveWordOf(ecu, row.effort), true);
        view.target += ")";
        view.targetRed = row.targetValid >= 0 && LiveWordOf(ecu, row.targetValid) <= 0;
    }
    return view;
}

int GaugeList::Width() const {
    return rows_.size() > static_cast<size_t>(kRowsPerGroup) ? 848 : 424;
}

int GaugeList::Height() const {
    if (rows_.size() > static_cast<size_t>(kRowsPerGroup))
        return 519;
    return kRowPitch * static_cast<int>(rows_.size()) + 87;
}

} // namespace zolmar::gauges
