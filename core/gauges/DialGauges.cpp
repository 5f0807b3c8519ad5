#include "gauges/DialGauges.h"

#include "model/Catalogue.h"
#include "model/Tables.h"

#include <cmath>
#include <cstdio>

namespace zolmar::gauges {

DialScale DialScale::From(int16_t minimum, int16_t maximum) {
    DialScale s;
    s.lo = minimum;
    s.hi = maximum < minimum + 4 ? minimum + 4 : maximum;
    s.major = (s.hi - s.lo) / 4;
    s.minor = s.major / 2;
    return s;
}

std::array<int, 9> DialScale::Marks() const {
    return {lo,
            lo + minor,
            lo + major,
            lo + major + minor,
            lo + 2 * major,
            lo + 2 * major + minor,
            lo + 3 * major,
            lo + 3 * major + minor,
            hi};
}

double DialScale::Angle(int value) const {
    return 4.6 * static_cast<double>(value - lo) / static_cast<double>(hi - lo) - 2.3;
}

std::string DialScaleText(int raw) {
    const long magnitude = raw < 0 ? -static_cast<long>(raw) : raw;
    char text[24];
    std::snprintf(text, sizeof text, "%s%ld.%02ld", raw < 0 ? "-" : "", magnitude / 50,
                  2 * (magnitude % 50));
    return text;
}

std::string DialValueText(int raw) {
    char text[24];
    if (raw >= 0) {
        std::snprintf(text, sizeof text, "%d.%02d", raw / 50, 2 * (raw % 50));
    } else {
        const int tenths = (-raw + 2) / 5;
        std::snprintf(text, sizeof text, "-%d.%d", tenths / 10, tenths % 10);
    }
    return text;
}

DialPoint NeedlePoint(DialPoint centre, double radius, double theta) {
    return {centre.x + static_cast<int>(std::lround(radius * std::sin(theta))),
            centre.y + static_cast<int>(std::lround(-radius * std::cos(theta)))};
}

void DialGauges::SetUp(const tECU& ecu) {
    slots_ = {};
    setUpFor_ = ecu.StructureGeneration();
    for (int i = 0; i < ecu.NumElements; ++i) {
        if (!IsGaugePageGauge(ecu, i))
            continue;
        const int k = ReadGaugeSettings(ecu, i).dialSlot();
        if (k >= 1 && k <= kSlots)
            slots_[static_cast<size_t>(k - 1)].gauge = i;
    }
    for (Slot& slot : slots_) {
        if (slot.gauge < 0)
            continue;
        slot.name = ecu.NameOf(slot.gauge + 128);
        // Companions are found by exact name, of any type and on any page.
        const std::string exact = ecu.ExactNameOf(slot.gauge + 128);
        slot.target = ecu.FindElementByName(exact + " Target", false);
        slot.targetValid = ecu.FindElementByName(exact + " Target Valid", false);
        const GaugeSettings settings = ReadGaugeSettings(ecu, slot.gauge);
        slot.scale = DialScale::From(settings.minimum, settings.maximum);
        const auto marks = slot.scale.Marks();
        for (size_t m = 0; m < marks.size(); ++m)
            slot.labels[m] = DialScaleText(marks[m]);
    }
}

const DialGauges::Slot& DialGauges::SlotAt(int slot) const {
    static const Slot kEmpty;
    return slot >= 0 && slot < kSlots ? slots_[static_cast<size_t>(slot)] : kEmpty;
}

DialGauges::Frame DialGauges::Refresh(const tECU& ecu, int index) const {
    Frame frame;
    const Slot& slot = SlotAt(index);
    // Slots set up before elements moved (or another configuration was loaded) name
    // other elements now: nothing is drawn until they are set up again.
    if (!Current(ecu) || slot.gauge < 0 || slot.gauge >= ecu.NumElements ||
        !ecu.LiveValuesAvailable())
        return frame;
    frame.drawn = true;
    const GaugeSettings settings = ReadGaugeSettings(ecu, slot.gauge);
    frame.softAlarm = settings.softAlarm;
    frame.hardAlarm = settings.hardAlarm;
    frame.actual = GaugeInputValue(ecu, slot.gauge);
    frame.readout = DialValueText(LiveWordOf(ecu, slot.gauge));
    frame.actualNeedle = slot.scale.Contains(frame.actual);
    if (!frame.actualNeedle || slot.target < 0 || slot.target >= ecu.NumElements)
        return frame;
    auto linked = [&ecu](int element) { return (ecu.InputWord(element, 0) & 1) != 0; };
    if (slot.targetValid >= 0 && slot.targetValid < ecu.NumElements && linked(slot.targetValid) &&
        LiveWordOf(ecu, slot.targetValid) < 1)
        return frame;
    frame.legends = true;
    frame.target = LiveWordOf(ecu, slot.target);
    frame.targetNeedle = linked(slot.target) && slot.scale.Contains(frame.target);
    return frame;
}

std::vector<int> DialGauges::Selectable(const tECU& ecu) {
    std::vector<int> list;
    for (int i = 0; i < ecu.NumElements; ++i) {
        if (!IsGaugePageGauge(ecu, i) || ReadGaugeSettings(ecu, i).boolean())
            continue;
        if (CompanionOf(ecu.NameOf(i + 128)) != Companion::Target)
            list.push_back(i);
    }
    return list;
}

bool DialGauges::Configure(tECU& ecu, int slot, int gauge, const std::array<std::string, 4>& values,
                           std::string& error) {
    error.clear();
    if (slot < 1 || slot > kSlots || !IsGaugePageGauge(ecu, gauge))
        return true; // nothing chosen: the dialog only closes
    constexpr int kSlotBits = 0x38;
    for (int i = 0; i < ecu.NumElements; ++i) {
        if (!IsGaugePageGauge(ecu, i))
            continue;
        const int c = ecu.ElementConstOffset[i] + GaugeSettings::kOptionsOffset;
        const uint8_t options = ecu.ReadConstByte(c);
        uint8_t wanted = options;
        if (i == gauge)
            wanted = static_cast<uint8_t>((options & ~kSlotBits) | (slot << 3));
        else if (((options >> 3) & 7) == slot)
            wanted = static_cast<uint8_t>(options & ~kSlotBits);
        if (wanted != options)
            ecu.WriteConstByte(c, wanted);
    }
    const int base = ecu.ElementConstOffset[gauge];
    for (int k = 0; k < 4; ++k) {
        double value = 0;
        if (!Tables::ParseReal(values[static_cast<size_t>(k)], value)) {
            error = "\"" + values[static_cast<size_t>(k)] + "\" not a valid real number";
            return false;
        }
        if (!(value >= -655.0 && value <= 655.0)) {
            error = "Number out of range. Allowable range is -655 to +655";
            return false;
        }
        ecu.WriteConstWord(base + 2 * k, static_cast<uint16_t>(Tables::RawFromValue(value)));
    }
    return true;
}

} // namespace zolmar::gauges
