#pragma once

#include "model/ECU.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zolmar::gauges {

// A Gauge element's constant block: scale, alarms and options.
struct GaugeSettings {
    int16_t minimum = 0;
    int16_t maximum = 0;
    int16_t softAlarm = 0;
    int16_t hardAlarm = 0;
    uint8_t options = 0;

    static constexpr uint8_t kBoolean = 0x01;   // shown as true/false
    static constexpr uint8_t kLarge = 0x02;     // large gauge on the diagram
    static constexpr uint8_t kNotInList = 0x04; // left out of the F2 list
    static constexpr int kConstSize = 9;
    static constexpr int kOptionsOffset = 8;

    bool boolean() const { return (options & kBoolean) != 0; }
    // The dial the gauge sits on, 1 to 5; 0 (or 6, 7: no dial) otherwise.
    int dialSlot() const { return (options >> 3) & 7; }
};

GaugeSettings ReadGaugeSettings(const tECU& ecu, int element);
// A Gauge element (type 16) on the first page, the page of gauges and labels.
bool IsGaugePageGauge(const tECU& ecu, int element);
// The value a Gauge shows: its live word when its input is linked, else the input's
// literal value.
int16_t GaugeInputValue(const tECU& ecu, int element);
int16_t LiveWordOf(const tECU& ecu, int element);

// The companion kinds, recognised by the suffix of a gauge's name.
enum class Companion { None, Target, Valid, TargetValid, Effort };
// The companion kind of a name and the name without its suffix.
Companion CompanionOf(const std::string& name, std::string* stripped = nullptr);

// The "Live Gauges" text list: one row per Gauge on the first page, with the values
// and colours its refresh shows.
class GaugeList {
public:
    static constexpr int kMaxRows = 36;
    static constexpr int kRowsPerGroup = 18;
    static constexpr int kRowPitch = 24;

    struct Row {
        int gauge = -1;
        int target = -1;
        int valid = -1;
        int targetValid = -1;
        int effort = -1;
        std::string name; // image text
    };

    // What one row shows after a refresh.
    struct RowView {
        std::string value;
        bool valueRed = false;
        std::string target; // sixteen blanks without a Target companion
        bool targetRed = false;
    };

    // Recomputes rows, companions and names, and sets GaugesWindowOpen.
    void Build(tECU& ecu);
    // Empty while the rows are not Current.
    RowView Refresh(const tECU& ecu, int row) const;
    // False once elements were created, deleted or moved since Build: the rows must be
    // built again before they show anything.
    bool Current(const tECU& ecu) const { return builtFor_ == ecu.StructureGeneration(); }
    const std::vector<Row>& Rows() const { return rows_; }
    // The window's client size for the current number of rows.
    int Width() const;
    int Height() const;

private:
    std::vector<Row> rows_;
    uint64_t builtFor_ = 0;
};

} // namespace zolmar::gauges
