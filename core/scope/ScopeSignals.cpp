#include "scope/ScopeSignals.h"

#include <cmath>
#include <cstdio>

namespace zolmar::scope {

const std::array<Source, kSourceItems>& Sources() {
    static const std::array<Source, kSourceItems> kSources = {{
        {"Live Value", 0, SourceKind::Value, 0},
        {"Knock Input 1 Raw", 4096, SourceKind::Raw, 0},
        {"Knock Input 1 Filtered", 4097, SourceKind::Raw, 0},
        {"Knock Input 2 Raw", 4104, SourceKind::Raw, 0},
        {"Knock Input 2 Filtered", 4105, SourceKind::Raw, 0},
        {"Trigger 1 ADC", 4112, SourceKind::Raw, 0},
        {"Trigger 2 ADC", 4113, SourceKind::Raw, 0},
        {"Raw Trigger Inputs", 4128, SourceKind::BitSet, 0xF3FF},
        {"Filtered Trigger Inputs", 4129, SourceKind::BitSet, 0xF3FF},
        {"Processed Trigger Inputs", 4130, SourceKind::BitSet, 0xFFFF},
        {"Injector and Ignition Outputs", 4132, SourceKind::BitSet, 0xFFFF},
        {"Injector Outputs (for > 8 cyls)", 4133, SourceKind::BitSet, 0x0FFF},
        {"Knock Detection Windows", 4134, SourceKind::BitSet, 0x00FF},
        {"Multiburst Injection Windows", 4135, SourceKind::BitSet, 0x0FFF},
        {"Current Engine Angle", 4136, SourceKind::Angle, 0},
        {"Aux Outputs", 4140, SourceKind::BitSet, 0xFFFF},
        {"Inj 1-4 Low level", 4141, SourceKind::BitSet, 0xFFFF},
        {"Inj 5-8 Low level", 4142, SourceKind::BitSet, 0xFFFF},
        {"Inj 9-12 Low level", 4143, SourceKind::BitSet, 0xFFFF},
    }};
    return kSources;
}

int ItemOfCode(uint16_t code) {
    if (code < kFirstSpecialCode || code == kNoLiveValue)
        return 0;
    for (int item = 1; item < kSourceItems; ++item)
        if (Sources()[static_cast<size_t>(item)].code == code)
            return item;
    return -1;
}

SourceKind KindOfItem(int item) {
    return item >= 0 && item < kSourceItems ? Sources()[static_cast<size_t>(item)].kind
                                            : SourceKind::Value;
}

bool IsBitSet(int item) {
    return KindOfItem(item) == SourceKind::BitSet;
}

namespace {

std::string numbered(const char* prefix, int n, const char* suffix = "") {
    return prefix + std::to_string(n) + suffix;
}

} // namespace

std::array<std::string, 16> BitNames(int item, bool shortForm) {
    std::array<std::string, 16> names;
    const int code =
        item >= 0 && item < kSourceItems ? Sources()[static_cast<size_t>(item)].code : 0;
    switch (code) {
    case 4128:
    case 4129: {
        const bool raw = code == 4128;
        for (int k = 0; k < 5; ++k) {
            if (shortForm) {
                names[2 * k] = numbered("ARM", k + 1);
                names[2 * k + 1] = numbered("ZERO", k + 1);
            } else {
                names[2 * k] = numbered("Arm ", k + 1, raw ? " Raw" : " Filtered");
                names[2 * k + 1] = numbered("Zero ", k + 1, raw ? " Raw" : " Filtered");
            }
        }
        for (int k = 0; k < 4; ++k)
            names[12 + k] = shortForm ? numbered("VSS", k + 1)
                                      : numbered("VSS ", k + 1, raw ? " Raw" : " Filtered");
        break;
    }
    case 4130:
        for (int k = 0; k < 5; ++k)
            names[k] = shortForm ? numbered("Trig", k + 1) : numbered("Trig ", k + 1, " Processed");
        for (int k = 0; k < 3; ++k)
            names[5 + k] =
                shortForm ? numbered("Miss", k + 1) : numbered("Missing Tooth ", k + 1, " Detect");
        names[8] = shortForm ? "State0" : "RPM State Bit 0";
        names[9] = shortForm ? "State1" : "RPM State Bit 1";
        names[10] = shortForm ? "Have720" : "Have 720 Degrees of Info";
        names[11] = shortForm ? "Have360" : "Have 360 Degrees of Info";
        for (int k = 0; k < 4; ++k)
            names[12 + k] =
                shortForm ? numbered("VSS", k + 1) : numbered("VSS ", k + 1, " Processed");
        break;
    case 4132:
        for (int k = 0; k < 8; ++k) {
            names[k] = shortForm ? numbered("Inj", k + 1) : numbered("Injector ", k + 1);
            names[8 + k] = shortForm ? numbered("Ign", k + 1) : numbered("Ignition ", k + 1);
        }
        break;
    case 4133:
        for (int k = 0; k < 12; ++k)
            names[k] = shortForm ? numbered("Inj", k + 1) : numbered("Injector ", k + 1);
        break;
    case 4134:
        for (int k = 0; k < 8; ++k)
            names[k] = shortForm ? numbered("Knock", k + 1) : numbered("Knock ", k + 1);
        break;
    case 4135:
        for (int k = 0; k < 12; ++k)
            names[k] = shortForm ? numbered("InjWin", k + 1) : numbered("Inj Window ", k + 1);
        break;
    case 4140:
        for (int k = 0; k < 8; ++k) {
            names[k] = shortForm ? numbered("Aux", k + 1, "L") : numbered("Aux Low ", k + 1);
            names[8 + k] = shortForm ? numbered("Aux", k + 1, "H") : numbered("Aux Hi ", k + 1);
        }
        break;
    case 4141:
    case 4142:
    case 4143: {
        const int first = 1 + 4 * (code - 4141);
        static const char* const kFull[4] = {"Inj Peak ", "Inj Enable ", "Inj LowDrv ",
                                             "Inj Current "};
        static const char* const kShort[4] = {"InjPeak ", "InjEnable ", "InjLowDrv ",
                                              "InjCurrent "};
        for (int injector = 0; injector < 4; ++injector)
            for (int k = 0; k < 4; ++k)
                names[4 * injector + k] =
                    numbered(shortForm ? kShort[k] : kFull[k], first + injector);
        break;
    }
    default:
        break;
    }
    return names;
}

std::string FixedLabel(int item) {
    static const char* const kLabels[kSourceItems] = {
        "", "Knk1Raw", "Knk1Filt", "Knk2Raw", "Knk2Filt", "CAS1ADC", "CAS2ADC", "", "", "",
        "", "",        "",         "",        "CurAng",   "",        "",        "", ""};
    return item >= 0 && item < kSourceItems ? kLabels[item] : "";
}

const std::array<const char*, kTimebases>& TimebaseCaptions() {
    static const std::array<const char*, kTimebases> kCaptions = {
        "10 microseconds / div",  "20 microseconds / div",  "50 microseconds / div",
        "100 microseconds / div", "200 microseconds / div", "500 microseconds / div",
        "1 millisecond / div",    "2 milliseconds / div",   "5 milliseconds / div",
        "10 milliseconds / div",  "20 milliseconds / div",  "50 milliseconds / div",
        "100 milliseconds / div", "200 milliseconds / div", "500 milliseconds / div",
        "1 second / division"};
    return kCaptions;
}

int64_t MicrosPerDivision(int timebase) {
    static constexpr int64_t kMicros[kTimebases] = {10,     20,     50,     100,    200,   500,
                                                    1000,   2000,   5000,   10000,  20000, 50000,
                                                    100000, 200000, 500000, 1000000};
    return kMicros[timebase < 0 ? 0 : timebase >= kTimebases ? kTimebases - 1 : timebase];
}

std::string CursorTime(int steps, int timebase) {
    // Microseconds for the five fastest time bases, seconds for the two slowest.
    const int t = timebase < 0 ? 0 : timebase >= kTimebases ? kTimebases - 1 : timebase;
    const double unit = t < 5 ? 1.0 : t < 14 ? 1000.0 : 1000000.0;
    const char* name = t < 5 ? "us" : t < 14 ? "ms" : "s";
    double value = steps * (static_cast<double>(MicrosPerDivision(t)) / unit) / 24.0;
    // At most five significant digits, shown with three decimals.
    if (value != 0) {
        const double magnitude = std::floor(std::log10(std::fabs(value))) + 1;
        const double scale = std::pow(10.0, 5 - magnitude);
        value = std::round(value * scale) / scale;
    }
    char text[48];
    std::snprintf(text, sizeof text, "%.3f %s", value, name);
    return text;
}

const std::array<const char*, kScales>& ScaleCaptions() {
    static const std::array<const char*, kScales> kCaptions = {
        "0.1 / div", "0.2 / div", "0.5 / div", "1 / div",  "2 / div",
        "5 / div",   "10 / div",  "20 / div",  "50 / div", "100 / div"};
    return kCaptions;
}

int ScaleFactor(int index) {
    static constexpr int kFactors[kScales] = {10, 5, 2, 1, 2, 5, 10, 20, 50, 100};
    return kFactors[index < 0 ? 0 : index >= kScales ? kScales - 1 : index];
}

} // namespace zolmar::scope
