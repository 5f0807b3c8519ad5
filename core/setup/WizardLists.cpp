#include "setup/WizardLists.h"

namespace zolmar {
namespace WizardLists {

namespace {

const std::vector<std::string> kNone;

constexpr int kFord = 3;
constexpr int kHolden = 4;
constexpr int kHonda = 5;
constexpr int kMazda = 7;
constexpr int kMitsubishi = 8;
constexpr int kSuzuki = 11;

int engineIndex(int manufacturer, const char* engine) {
    const auto& list = engines(manufacturer);
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i] == engine)
            return static_cast<int>(i);
    return -1;
}

} // namespace

const std::vector<std::string>& manufacturers() {
    static const std::vector<std::string> list = {
        "Custom", "BMW",     "Citroen",       "Ford",          "Holden / GM",
        "Honda",  "Hyundai", "Mazda / Eunos", "Mitsubishi",    "Nissan",
        "Opal",   "Suzuki",  "Subaru",        "Toyota / Lexus"};
    return list;
}

const std::vector<std::string>& engines(int manufacturer) {
    static const std::vector<std::string> dash = {"-"};
    static const std::vector<std::vector<std::string>> lists = {
        {},
        dash,
        dash,
        {"Inline-6 ?", "V8 ?"},
        {"V6 ?", "V8 LS1 ?", "V8 Dizzy ?"},
        {"B18A ?", "B18C ?", "DC5 ?", "S2000", "Aquatrax ?", "CBR600F2/F3", "CBR600F4i"},
        dash,
        {"MX5/Miata NA6 89-93", "MX5/Miata NA8 94-95", "MX5/Miata NB8A 99-00",
         "MX5/Miata NB8B 01-05", "MX5/Miata NC 06-08 ?", "RX7 S4 13B", "RX7 S5 13B", "RX7 S6 13B",
         "RX7 S7 13B", "RX7 S8 13B", "RX8 13B-MSP Renesis ?"},
        {"4G15 ?", "4G61", "4G63", "4G93"},
        {"RB20DET", "RB25DET", "RB30 (?trig?)", "CA18DET (?trig?)", "E15ET (?trig?)", "VH45",
         "SR20DE", "SR20DET (s13)", "SR20DET (s14/s15)", "SR20DET (GTiR)"},
        dash,
        {"G13B (Mk2/3 Swift)", "M15 (Mk5 Swift) (?trig?)", "Baleno ?"},
        dash,
        {"4AGE", "4AGZE", "1UZFE", "1JZGTTE", "2JZGTTE", "3SGE", "3SGTE", "3SGE BEAMS", "7MGE",
         "7MGTE", "1GG"},
    };
    return manufacturer >= 0 && manufacturer < static_cast<int>(lists.size())
               ? lists[static_cast<size_t>(manufacturer)]
               : kNone;
}

const std::vector<std::string>& mapSensors() {
    static const std::vector<std::string> list = {"None", "1 Bar", "2 Bar", "3 Bar"};
    return list;
}

const std::vector<std::string>& temperatureSensors() {
    static const std::vector<std::string> list = {"None", "Ford", "Mazda", "Nissan", "Toyota"};
    return list;
}

const std::vector<std::string>& oxygenSensors() {
    static const std::vector<std::string> list = {"None",
                                                  "Narrowband, 0-1V",
                                                  "Bosch Wideband, 0-1V",
                                                  "Custom Calibration, 0-5V",
                                                  "AEM UEGO Wideband, 0-5V",
                                                  "NGK AFX Wideband, 0-5V"};
    return list;
}

const std::vector<std::string>& vehicleSpeedSensors() {
    static const std::vector<std::string> list = {"None", "Gearbox Hall effect",
                                                  "1x Hall + 2x Reluctor", "4 Wheel reluctor"};
    return list;
}

const std::vector<std::string>& loadAxes() {
    static const std::vector<std::string> list = {"MAP", "TPS"};
    return list;
}

const std::vector<std::string>& idleControllers() {
    static const std::vector<std::string> list = {"None (or ignition timing)", "2-wire Valve",
                                                  "3-wire Valve", "Stepper Motor"};
    return list;
}

const std::vector<std::string>& pistonOrRotary() {
    static const std::vector<std::string> list = {"Piston", "Wankel (Rotary)"};
    return list;
}

const std::vector<std::string>& auxFunctions() {
    static const std::vector<std::string> list = {
        "None",
        "Fuel Pump",
        "Air Conditioner",
        "Idle Control (2-wire solenoid or 3-wire type)",
        "Inverted Idle Control (other wire for 3-wire type)",
        "Boost Control",
        "Main Relay activation (eg. some Nissans)",
        "Tachometer (digital)",
        "Purge Valve",
        "Pressure Regulator Control Valve (PRCV, for some Nissans)",
        "Drive-By-Wire (electronic throttle) output 1 (of 2) - requires separate Driver Board!",
        "Drive-By-Wire (electronic throttle) output 2 (of 2) - requires separate Driver Board!",
        "Stepper motor output 1 (of 4)",
        "Stepper motor output 2 (of 4)",
        "Stepper motor output 3 (of 4)",
        "Stepper motor output 4 (of 4)",
        "VVT channel 1 control solenoid",
        "VVT channel 2 control solenoid",
        "None (Reserved for Future Functions)",
        "None (Reserved for Future Functions)",
        "Based on RPM (eg. VTEC, TVIS, Shift Light)",
        "Based on Coolant Temperature (eg. Thermofan, Over-Heating Warning Light)",
        "Based on Air Temperature (eg. Engine Bay Cooling Fan)",
        "Based on Manifold Absolute Pressure (eg. Over-Boost Warning Light)",
        "Based on TPS",
        "Based on AFR",
        "Based on Vehicle Speed",
        "Based on Battery Voltage",
        "Based on Exhaust Gas Temperature",
        "Based on Knock Count",
        "None (Reserved for Future Functions)",
        "None (Reserved for Future Functions)"};
    return list;
}

std::vector<std::string> injectorFunctions(int output) {
    if (output < 5 || output > 12)
        return {};
    std::vector<std::string> list = {"None", "Injector " + std::to_string(output)};
    if (output <= 8)
        list.push_back("Secondary Injector for Primary on Injector " + std::to_string(output - 4));
    // Drive-by-wire and the stepper motor need aux outputs: on injector outputs those
    // entries are reserved.
    const auto& aux = auxFunctions();
    for (size_t f = 1; f < aux.size(); ++f)
        list.push_back(f >= 10 && f <= 15 ? "None (Reserved for Future Functions)" : aux[f]);
    return list;
}

int injectorAuxFunction(int output, int entry) {
    if (entry == 0)
        return 0;
    int base = output <= 8 ? 2 : 1;
    return entry > base ? entry - base : -1;
}

std::string thresholdName(int t) {
    if (t < 8)
        return "Aux " + std::to_string(t + 1) + " Threshold Value";
    int n = t - 3;
    return (n <= 9 ? "Aux Inj" : "AuxInj") + std::to_string(n) + " Threshold Value";
}

std::string periodName(int t) {
    return t < 8 ? "Aux Out " + std::to_string(t + 1) + " Period (ms)"
                 : "Inj " + std::to_string(t - 3) + " Aux Period (ms)";
}

std::string auxFunctionName(int output) {
    return "Aux " + std::to_string(output) + " Function";
}

std::string injectorFunctionName(int output) {
    return "Aux on Inj " + std::to_string(output) + " Function";
}

std::string secondaryName(int output) {
    return "Sec Inj" + std::to_string(output - 4) + " instead of Inj" + std::to_string(output);
}

const EnginePreset* enginePreset(int manufacturer, int engine) {
    // Only engines whose values are known are shipped: guessed injector sizes, boost
    // limits or idle speeds for a real engine would be worse than none.
    static const EnginePreset kPresets[] = {
        {kMazda,
         "MX5/Miata NA6 89-93",
         1600,
         230,
         0,
         0,
         7700,
         1,
         2,
         2,
         1,
         1,
         4,
         100,
         800,
         400,
         {0, 7, 2, 6, 1, 0, 0, 0},
         {0, 0, 0, 0, 22, 21, 9, 0},
         false,
         4,
         0,
         1,
         3000,
         0,
         180},
        {kMazda,
         "RX7 S4 13B",
         1300,
         550,
         550,
         80,
         7700,
         3,
         2,
         2,
         1,
         1,
         4,
         100,
         700,
         400,
         {0, 7, 2, 6, 1, 0, 0, 5},
         {2, 2, 0, 0, 22, 21, 9, 8},
         true,
         2,
         0,
         2,
         3000,
         0,
         -1},
    };
    for (const EnginePreset& p : kPresets)
        if (engine >= 0 && p.manufacturer == manufacturer &&
            engineIndex(manufacturer, p.engine) == engine)
            return &p;
    return nullptr;
}

const TriggerPreset* triggerPreset(int manufacturer, int engine) {
    struct Entry {
        int manufacturer;
        const char* engine; // null: every other engine of the manufacturer
        TriggerPreset preset;
    };
    static const Entry kEntries[] = {
        {kFord, "Inline-6 ?", {500, {2, 0, 0}, 0, false, true}},
        {kFord, "V8 ?", {-1, {-1, -1, -1}, 10, false, false}},
        {kHolden, "V6 ?", {-1, {-1, -1, -1}, 6, false, false}},
        {kHolden, "V8 LS1 ?", {-1, {-1, -1, -1}, 7, false, false}},
        {kHonda, "S2000", {1500, {-1, -1, -1}, 11, false, true}},
        {kHonda, "Aquatrax ?", {1500, {-1, -1, -1}, 13, false, true}},
        {kHonda, "CBR600F2/F3", {1500, {2, 0, 0}, 0, false, true}},
        {kHonda, "CBR600F4i", {1500, {0, 1, 0}, 0, false, true}},
        {kMazda, "MX5/Miata NA6 89-93", {-1, {-1, -1, -1}, 8, false, false}},
        {kMazda, "MX5/Miata NA8 94-95", {-1, {-1, -1, -1}, 8, false, false}},
        {kMazda, "MX5/Miata NB8A 99-00", {-1, {-1, -1, -1}, 9, false, false}},
        {kMazda, "MX5/Miata NB8B 01-05", {-1, {-1, -1, -1}, 9, false, false}},
        {kMazda, "RX7 S4 13B", {1500, {0, 3, 0}, 0, false, true}},
        {kMazda, "RX7 S5 13B", {1500, {0, 3, 0}, 0, false, true}},
        {kMazda, "RX7 S6 13B", {1500, {0, 3, 0}, 0, false, true}},
        {kMazda, "RX7 S7 13B", {1500, {0, 3, 0}, 0, false, true}},
        {kMazda, "RX7 S8 13B", {1500, {0, 3, 0}, 0, false, true}},
        {kMitsubishi, "4G61", {-1, {-1, -1, -1}, 15, false, false}},
        {kMitsubishi, "4G63", {-1, {-1, -1, -1}, 8, false, false}},
        {kMitsubishi, "4G93", {-1, {-1, -1, -1}, 8, false, false}},
        {kNissan, "RB20DET", {50, {-1, -1, -1}, 17, true, false}},
        {kNissan, "RB25DET", {50, {-1, -1, -1}, 17, true, false}},
        {kNissan, "VH45", {50, {-1, -1, -1}, 18, false, false}},
        {kNissan, "SR20DE", {50, {-1, -1, -1}, 16, false, false}},
        {kNissan, "SR20DET (s13)", {50, {-1, -1, -1}, 16, false, false}},
        {kNissan, "SR20DET (s14/s15)", {50, {-1, -1, -1}, 16, false, false}},
        {kNissan, "SR20DET (GTiR)", {50, {-1, -1, -1}, 16, false, false}},
        {kSuzuki, "G13B (Mk2/3 Swift)", {-1, {-1, -1, -1}, 2, false, false}},
        {kToyota, "3SGE BEAMS", {500, {2, 0, 5}, 0, false, true}},
        {kToyota, nullptr, {1500, {0, 1, 2}, 0, false, true}},
    };
    if (engine < 0 || engine >= static_cast<int>(engines(manufacturer).size()))
        return nullptr;
    for (const Entry& e : kEntries) {
        if (e.manufacturer != manufacturer)
            continue;
        if (e.engine == nullptr || engineIndex(manufacturer, e.engine) == engine)
            return &e.preset;
    }
    return nullptr;
}

} // namespace WizardLists
} // namespace zolmar
