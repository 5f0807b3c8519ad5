#pragma once

#include "gauges/GaugeList.h"
#include "model/ECU.h"

#include <array>
#include <string>
#include <vector>

namespace zolmar::gauges {

// A dial's scale: lo to hi with four major and four minor steps between.
struct DialScale {
    int lo = 0;
    int hi = 4;
    int major = 1; // B = (hi - lo) div 4
    int minor = 0; // E = B div 2

    // hi is raised to lo + 4 when it is less.
    static DialScale From(int16_t minimum, int16_t maximum);
    // The nine marks in the large dial's order: lo, lo+E, lo+B, lo+B+E, lo+2B, lo+2B+E,
    // lo+3B, lo+3B+E, hi.
    std::array<int, 9> Marks() const;
    // Needle angle in radians, clockwise from straight up: -2.3 at lo, +2.3 at hi.
    double Angle(int value) const;
    bool Contains(int value) const { return value >= lo && value <= hi; }
};

// Value text of a raw value: two decimals, one when negative (as the diagram shows).
std::string DialValueText(int raw);
// Scale label of a raw value: two decimals whatever the sign ("-20.00").
std::string DialScaleText(int raw);

// The point at radius r and angle theta from the centre, rounded to whole pixels.
struct DialPoint {
    int x = 0;
    int y = 0;
};
DialPoint NeedlePoint(DialPoint centre, double radius, double theta);

// The dial gauges: five slots of first-page Gauges, their companions and scales,
// and what each refresh draws on them.
class DialGauges {
public:
    static constexpr int kSlots = 5;

    struct Slot {
        int gauge = -1;
        int target = -1;      // element named as the gauge + " Target"
        int targetValid = -1; // element named as the gauge + " Target Valid"
        std::string name;     // image text; empty for an empty slot
        DialScale scale;
        std::array<std::string, 9> labels; // texts of Marks()
    };

    // What one refresh draws on a slot's dial.
    struct Frame {
        bool drawn = false; // a gauge, with live values available
        std::string readout;
        bool actualNeedle = false;
        int actual = 0;
        bool legends = false; // "Actual" / "Target" (large dials)
        bool targetNeedle = false;
        int target = 0;
        int softAlarm = 0;
        int hardAlarm = 0;
    };

    void SetUp(const tECU& ecu);
    const Slot& SlotAt(int slot) const; // 0..4
    // An empty frame while the slots are not Current.
    Frame Refresh(const tECU& ecu, int slot) const;
    // False once elements were created, deleted or moved since SetUp.
    bool Current(const tECU& ecu) const { return setUpFor_ == ecu.StructureGeneration(); }
    // Gauges of the first page that the "Configure Gauge" list offers.
    static std::vector<int> Selectable(const tECU& ecu);

    // The "Configure Gauge" dialog's OK: the gauge takes the slot (1..5) from every
    // other Gauge that held it, then the four values are checked and written in
    // order. On a bad value the error text is set, the earlier values stay written
    // and false is returned.
    static bool Configure(tECU& ecu, int slot, int gauge, const std::array<std::string, 4>& values,
                          std::string& error);

private:
    std::array<Slot, kSlots> slots_;
    uint64_t setUpFor_ = 0;
};

} // namespace zolmar::gauges
