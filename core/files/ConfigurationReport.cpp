#include "files/ConfigurationReport.h"

namespace zolmar::ConfigurationReport {

namespace {

std::string padded(int count) {
    std::string n = std::to_string(count);
    if (count <= 9)
        return n + "      ";
    if (count < 100)
        return n + "    ";
    if (count < 1000)
        return n + "  ";
    return n;
}

} // namespace

std::string NumElementsText(const tECU& ecu) {
    int counts[256] = {};
    for (int i = 0; i < ecu.NumElements; ++i)
        ++counts[ecu.TypeOf(i) & 0xFF];
    struct Row {
        int type;
        const char* label;
    };
    const Row rows[] = {
        {ElementType::Constant, " Constants  "},     {ElementType::Table2D, " 2D Tables  "},
        {ElementType::Table3D, " 3D Tables  "},      {ElementType::Summer, " Summers  "},
        {ElementType::Comparator, " Comparators  "}, {ElementType::Multiplier, " Multipliers  "},
        {ElementType::PID, " PID Controllers  "},    {ElementType::Clipper, " Clippers  "},
        {ElementType::Switch, " Switches  "},        {ElementType::Tickbox, " Tickboxes  "},
        {ElementType::Mux4, " 4-Way Muxes  "},       {ElementType::Timer, " Timers  "},
        {ElementType::Delay, " Delays  "},           {ElementType::Latch, " Latches  "},
        {ElementType::Gauge, " Gauges  "},           {ElementType::Display, " Displays  "},
        {ElementType::Label, " Labels  "},           {ElementType::Stepper, " Steppers  "},
        {ElementType::Wrapper, " Wrappers  "},       {ElementType::Mux32, " 32-Way Muxes  "}};
    const std::string end = "\n\r";
    std::string text = "6       Dedicated Elements  " + end;
    text +=
        std::to_string(counts[ElementType::AuxOnInj]) + "      " + " Inj Aux Output block  " + end;
    for (const Row& row : rows)
        text += padded(counts[row.type]) + row.label + end;
    text += padded(ecu.NumElements) + " Total  ";
    return text;
}

std::string LiveUsageText(const tECU& ecu) {
    return std::to_string(ecu.LiveEnd()) + "  / 8192 bytes";
}

std::string ConstUsageText(const tECU& ecu) {
    return std::to_string(ecu.ConstEnd()) + "  / 31740 bytes";
}

std::string LogicUsageText(const tECU& ecu) {
    return std::to_string(ecu.LogicEnd()) + "  / 45056 bytes";
}

std::string ElementCountText(const tECU& ecu) {
    return std::to_string(ecu.NumElements) + "  (Max approx 3400)";
}

} // namespace zolmar::ConfigurationReport
