#include "setup/CylinderAssignment.h"

#include "setup/DedicatedFunctions.h"

#include <algorithm>

namespace zolmar {
namespace CylinderAssignment {

namespace {

constexpr int kInjectorRecords[12] = {0, 1, 2, 3, 4, 5, 9, 10, 11, 12, 13, 14};
constexpr int kIgnitionRecords[8] = {16, 26, 17, 27, 18, 28, 29, 30};

constexpr int kCycle = 36000; // 720 crank degrees x 50
constexpr int kHalfCycle = 18000;
constexpr int kChainingByte = DedicatedAddress::kIgnitionOr;

const std::vector<std::string> kNoOrders;

const std::vector<std::string>& pistonOrders(int count) {
    static const std::vector<std::vector<std::string>> lists = {
        {},
        {"1"},
        {"1-2"},
        {"1-3-2", "1-2-3"},
        {"1-3-4-2", "1-2-4-3", "1-4-3-2", "1-3-2-4", "1-2-3-4"},
        {"1-4-2-5-3", "1-3-5-2-4", "1-2-4-5-3", "1-2-3-4-5"},
        {"1-5-3-6-2-4", "1-6-5-4-3-2", "1-4-2-5-3-6", "1-5-2-4-3-6", "1-6-2-5-3-4", "1-2-3-4-5-6"},
        {},
        {"1-2-7-8-4-5-6-3", "1-8-4-3-6-5-7-2", "1-8-7-2-6-5-4-3", "1-3-7-2-6-5-4-8",
         "1-5-4-8-7-2-6-3", "1-6-2-5-8-3-7-4", "1-8-7-3-6-5-4-2", "1-5-4-8-6-3-7-2",
         "1-2-3-4-5-6-7-8"},
        {},
        {"1-10-9-4-3-6-5-8-7-2", "1-6-5-10-2-7-3-8-4-9", "1-2-3-4-5-6-7-8-9-10"},
        {},
        {"1-7-5-11-3-9-6-12-2-8-4-10", "1-2-3-4-5-6-7-8-9-10-11-12"},
    };
    return count >= 1 && count <= 12 ? lists[static_cast<size_t>(count)] : kNoOrders;
}

const std::vector<std::string>& rotaryOrders(int count) {
    static const std::vector<std::vector<std::string>> lists = {
        {}, {"N/A"}, {"F-R (1-2)"}, {"F-R-M (1-3-2)", "F-M-R (1-2-3)"}};
    return count >= 1 && count <= 3 ? lists[static_cast<size_t>(count)] : kNoOrders;
}

// Bit n set: piston arrangement n applies to the cylinder count.
uint8_t pistonArrangementMask(int count) {
    switch (count) {
    case 1:
        return 0x1;
    case 2:
    case 3:
    case 5:
        return 0x5;
    case 4:
    case 6:
        return 0x7;
    case 8:
        return 0xF;
    case 10:
        return 0x6;
    case 12:
        return 0xE;
    default:
        return 0;
    }
}

uint8_t rotaryArrangementMask(int count) {
    return count == 2 ? 0x7 : (count == 1 || count == 3) ? 0x1 : 0;
}

// The firing sequence of the chosen order: cylinder (rotor) numbers by position. A
// rotary order gives it in brackets; "N/A" is the one rotor.
std::vector<int> sequence(bool rotary, int count, int firingOrder) {
    const auto& orders = firingOrders(rotary, count);
    if (firingOrder < 0 || firingOrder >= static_cast<int>(orders.size()))
        return {};
    std::string text = orders[static_cast<size_t>(firingOrder)];
    if (rotary) {
        size_t open = text.find('(');
        text = open == std::string::npos ? "1" : text.substr(open + 1);
    }
    std::vector<int> seq;
    int number = 0;
    bool inNumber = false;
    for (char c : text + "-") {
        if (c >= '0' && c <= '9') {
            number = number * 10 + (c - '0');
            inNumber = true;
        } else if (inNumber) {
            seq.push_back(number);
            number = 0;
            inNumber = false;
        }
    }
    return seq;
}

uint16_t word(int value) {
    return static_cast<uint16_t>(static_cast<int16_t>(value));
}

void setChaining(Assignment& a, int first, int last) {
    for (int bit = first; bit <= last; ++bit)
        a.chaining = static_cast<uint8_t>(a.chaining | (1u << bit));
}

void setIgnitionPatterns(Assignment& a, int first, int last) {
    for (int k = first; k <= last; ++k)
        a.ignitionPattern[static_cast<size_t>(k - 1)] = 1;
}

void assignRotary(const EngineLayout& layout, Assignment& a) {
    const int rotors = layout.count;
    for (const char* name : {"Inj Wrapper", "Ign Wrapper"}) {
        a.named.push_back({std::string(name) + " Minimum", true, word(-9000)});
        a.named.push_back({std::string(name) + " Maximum", true, word(9000)});
    }
    a.firingOrder = layout.firingOrder;
    a.ignitionPattern.fill(1);
    a.injectorPattern.fill(1);
    auto pin = [](auto& pins, int output, const char* name) {
        pins[static_cast<size_t>(output - 1)] = name;
    };
    auto& ign = a.ignitionPins;
    if (rotors == 1) {
        pin(a.injectorPins, 1, "Pri Inj");
        pin(a.injectorPins, 5, "Sec Inj");
        pin(ign, 1, "Leading");
        pin(ign, 5, "Trailng");
    } else if (rotors == 2) {
        pin(a.injectorPins, 1, "PriInjF");
        pin(a.injectorPins, 5, "SecInjF");
        pin(a.injectorPins, 2, "PriInjR");
        pin(a.injectorPins, 6, "SecInjR");
        if (layout.arrangement == kWastedLeading) {
            pin(ign, 1, "Leading");
            pin(ign, 5, "TrailFt");
            pin(ign, 6, "TrailRr");
            setChaining(a, 0, 0);
        } else if (layout.arrangement == kAddressing) {
            pin(ign, 1, "Leading");
            pin(ign, 4, "Address");
            pin(ign, 5, "Trailng");
            setChaining(a, 0, 0);
            setChaining(a, 4, 4);
        } else if (layout.arrangement == kRotaryDirectFire) {
            pin(ign, 1, "LeadFnt");
            pin(ign, 5, "TrailFt");
            pin(ign, 2, "LeadRer");
            pin(ign, 6, "TrailRr");
        }
    } else {
        pin(a.injectorPins, 1, "PriInjF");
        pin(a.injectorPins, 5, "SecInjF");
        pin(a.injectorPins, 2, "PriInjM");
        pin(a.injectorPins, 6, "SecInjM");
        pin(a.injectorPins, 3, "PriInjR");
        pin(a.injectorPins, 7, "SecInjR");
        pin(ign, 1, "LeadFnt");
        pin(ign, 5, "TrailFt");
        pin(ign, 2, "LeadMid");
        pin(ign, 6, "TrailMd");
        pin(ign, 3, "LeadRer");
        pin(ign, 7, "TrailRr");
    }

    const std::vector<int> pos = positions(true, rotors, layout.firingOrder);
    const int period = 18000 / rotors;
    for (int r = 1; r <= static_cast<int>(pos.size()); ++r) {
        int v = pos[static_cast<size_t>(r - 1)] * period;
        uint16_t stored = word(v < 9001 ? v : v - 18000);
        a.named.push_back({"Ign" + std::to_string(r) + " Period Angle Offset", true, stored});
        a.named.push_back({"Inj" + std::to_string(r) + " PeriodAngle Offset", true, stored});
    }
}

void nameInjectors(const EngineLayout& layout, Assignment& a) {
    const int n = layout.count;
    if (layout.nissanRb) {
        static const char* const kNissan[12] = {"InjCyl1", " ", "InjCyl3", " ",   "InjCyl2", " ",
                                                "InjCyl5", " ", "InjCyl6", "VVT", "InjCyl4", " "};
        for (int k = 0; k < 12; ++k)
            a.injectorPins[static_cast<size_t>(k)] = kNissan[k];
        return;
    }
    if (n == 1) {
        a.injectorPins[0] = "Injectr";
        return;
    }
    for (int k = 1; k <= n && k <= 12; ++k)
        a.injectorPins[static_cast<size_t>(k - 1)] =
            (k <= 9 ? "InjCyl" : "InjCy") + std::to_string(k);
}

// Ignition pins, patterns and chaining of the chosen arrangement; seq is the firing
// sequence (cylinder numbers by position).
void arrangeIgnition(const EngineLayout& layout, const std::vector<int>& seq, Assignment& a) {
    const int n = layout.count;
    if (!arrangementApplies(false, n, layout.arrangement))
        return; // a blank entry: nothing
    switch (layout.arrangement) {
    case kDirectFire:
        if (n == 1)
            a.ignitionPins[0] = "Igniter";
        else
            for (int k = 1; k <= n && k <= 8; ++k)
                a.ignitionPins[static_cast<size_t>(k - 1)] = "IgnCyl" + std::to_string(k);
        break;
    case kWastedSpark:
        for (int j = 1; j <= n / 2; ++j) {
            int first = seq[static_cast<size_t>(j - 1)];
            int second = seq[static_cast<size_t>(j - 1 + n / 2)];
            a.ignitionPins[static_cast<size_t>(j - 1)] =
                "Ign" + std::to_string(first) + "&" + std::to_string(second);
        }
        setIgnitionPatterns(a, 1, n / 2);
        break;
    case kSingleDistributor:
        a.ignitionPins[0] = "Igniter";
        if (n <= 8) {
            setChaining(a, 0, n - 2);
        } else {
            setIgnitionPatterns(a, 1, n / 2);
            setChaining(a, 0, n / 2 - 2);
        }
        break;
    case kTwinDistributors:
        a.ignitionPins[0] = "Dizzy 1";
        a.ignitionPins[4] = "Dizzy 2";
        if (n == 8) {
            setChaining(a, 0, 2);
            setChaining(a, 4, 6);
        } else {
            setIgnitionPatterns(a, 1, 3);
            setIgnitionPatterns(a, 5, 7);
            setChaining(a, 0, 1);
            setChaining(a, 4, 5);
        }
        break;
    default:
        break;
    }
}

// The stored offset of ignition output k (1..8).
int16_t ignitionOffset(const EngineLayout& layout, const std::vector<int>& pos, int k, int period,
                       int oddFire) {
    const int n = layout.count;
    if (layout.arrangement == kTwinDistributors &&
        arrangementApplies(false, n, kTwinDistributors)) {
        static constexpr int kEven[8] = {0, 2, 4, 6, 1, 3, 5, 7}; // multiples of P
        int even = kEven[k - 1] * period;
        int v = even;
        if (k > 4 && oddFire != period)
            v = oddFire + (kEven[k - 1] - 1) * period;
        return static_cast<int16_t>(even <= kHalfCycle ? v : v - kCycle);
    }
    int16_t literal = pistonOffset(pos[static_cast<size_t>(k - 1)], period, oddFire);
    if (layout.arrangement != kWastedSpark || !arrangementApplies(false, n, kWastedSpark) ||
        k > n / 2)
        return literal;
    // A wasted-spark output fires the cylinders its name gives, at positions k - 1 and
    // k - 1 + N/2. The general rule times output k by cylinder k instead, which for
    // many orders is neither of them; keep its value only where it is one of the two.
    int16_t first = pistonOffset(k - 1, period, oddFire);
    int16_t second = pistonOffset(k - 1 + n / 2, period, oddFire);
    auto sameAngle = [](int a, int b) { return ((a - b) % kCycle + kCycle) % kCycle == 0; };
    return sameAngle(literal, first) || sameAngle(literal, second) ? literal : first;
}

void assignPiston(const EngineLayout& layout, Assignment& a) {
    const int n = layout.count;
    for (const char* name : {"Inj Wrapper", "Ign Wrapper"}) {
        a.named.push_back({std::string(name) + " Minimum", true, word(-18000)});
        a.named.push_back({std::string(name) + " Maximum", true, word(18000)});
    }
    const int period = kCycle / n;
    const std::vector<int> seq = sequence(false, n, layout.firingOrder);
    const std::vector<int> pos = positions(false, n, layout.firingOrder);
    a.positionsKnown = !pos.empty();
    if (!a.positionsKnown) {
        // Without a firing order the positions are undefined: the wrappers, the cleared
        // patterns and the blank pin names only.
        a.named.push_back({"VVT Wrapper Minimum", true, word(-(period / 2))});
        a.named.push_back({"VVT Wrapper Maximum", true, word(period / 2)});
        return;
    }
    a.firingOrder = layout.firingOrder;
    nameInjectors(layout, a);
    arrangeIgnition(layout, seq, a);

    if (n <= 8)
        for (int i = 1; i <= 8; ++i)
            a.named.push_back(
                {"Cyl " + std::to_string(i) + " Sequence Index", false,
                 static_cast<uint16_t>(i <= n ? pos[static_cast<size_t>(i - 1)] : 8)});
    a.named.push_back({"VVT Wrapper Minimum", true, word(-(period / 2))});
    a.named.push_back({"VVT Wrapper Maximum", true, word(period / 2)});

    const int oddFire = layout.oddFireAngle * 50;
    for (int k = 1; k <= std::min(n, 8); ++k)
        a.named.push_back({"Ign" + std::to_string(k) + " Period Angle Offset", true,
                           word(ignitionOffset(layout, pos, k, period, oddFire))});
    if (layout.nissanRb) {
        static constexpr int kNissanOffsets[6][2] = {{1, 0},    {3, 12000}, {5, -12000},
                                                     {7, 6000}, {9, 18000}, {11, -6000}};
        for (const auto& o : kNissanOffsets)
            a.named.push_back(
                {"Inj" + std::to_string(o[0]) + " PeriodAngle Offset", true, word(o[1])});
    } else {
        for (int k = 1; k <= n && k <= 12; ++k)
            a.named.push_back(
                {"Inj" + std::to_string(k) + " PeriodAngle Offset", true,
                 word(pistonOffset(pos[static_cast<size_t>(k - 1)], period, oddFire))});
    }
}

} // namespace

int injectorRecord(int output) {
    return output >= 1 && output <= 12 ? kInjectorRecords[output - 1] : -1;
}

int ignitionRecord(int output) {
    return output >= 1 && output <= 8 ? kIgnitionRecords[output - 1] : -1;
}

const std::vector<std::string>& firingOrders(bool rotary, int count) {
    return rotary ? rotaryOrders(count) : pistonOrders(count);
}

std::vector<std::string> arrangements(bool rotary, int count) {
    static const char* const kPiston[4] = {"Direct Fire", "Wasted Spark", "Single Distributor",
                                           "Twin Distributors"};
    static const char* const kRotary[3] = {"Direct Fire", "Wasted Leading Plugs, Direct Trailing",
                                           "Addressing Ignition (eg. S4/S5 RX7)"};
    if (firingOrders(rotary, count).empty())
        return {};
    std::vector<std::string> list;
    const int size = rotary ? 3 : 4;
    for (int i = 0; i < size; ++i)
        list.emplace_back(arrangementApplies(rotary, count, i) ? (rotary ? kRotary[i] : kPiston[i])
                                                               : " ");
    return list;
}

bool arrangementApplies(bool rotary, int count, int index) {
    if (index < 0 || index > 3)
        return false;
    uint8_t mask = rotary ? rotaryArrangementMask(count) : pistonArrangementMask(count);
    return (mask >> index & 1) != 0;
}

int defaultArrangement(bool rotary, int count) {
    if (firingOrders(rotary, count).empty())
        return -1;
    return !rotary && (count == 10 || count == 12) ? kWastedSpark : 0;
}

std::vector<int> positions(bool rotary, int count, int firingOrder) {
    std::vector<int> seq = sequence(rotary, count, firingOrder);
    if (static_cast<int>(seq.size()) != count)
        return {};
    std::vector<int> pos(static_cast<size_t>(count), 0);
    for (int p = 0; p < count; ++p)
        pos[static_cast<size_t>(seq[static_cast<size_t>(p)] - 1)] = p;
    return pos;
}

int16_t pistonOffset(int position, int period, int oddFire) {
    long v = oddFire != period && position % 2 == 1 ? oddFire + (position - 1L) * period
                                                    : static_cast<long>(position) * period;
    return static_cast<int16_t>(v <= kHalfCycle ? v : v - kCycle);
}

Assignment assign(const EngineLayout& layout) {
    Assignment a;
    a.injectorPins.fill(" ");
    a.ignitionPins.fill(" ");
    a.wiringHidden = !layout.rotary && layout.nissanRb;
    if (layout.rotary) {
        a.positionsKnown = layout.count >= 1 && layout.count <= 3;
        if (a.positionsKnown)
            assignRotary(layout, a);
    } else if (layout.count >= 1 && layout.count <= 12) {
        assignPiston(layout, a);
    }
    return a;
}

std::string wiringLabel(const std::string& pin, bool rotary, int count) {
    struct Label {
        const char* pin;
        const char* label;
    };
    static const Label kFixed[] = {
        {"Injectr", "Injector"},
        {"Igniter", "Igniter"},
        {"Dizzy 1", "Igniter for Dizzy 1"},
        {"Dizzy 2", "Igniter for Dizzy 2"},
        {"Pri Inj", "Primary Injector"},
        {"Sec Inj", "Secondary Injector"},
        {"PriInjF", "Front Primary Injector"},
        {"SecInjF", "Front Secondary Injector"},
        {"PriInjM", "Middle Primary Injector"},
        {"SecInjM", "Middle Secondary Injector"},
        {"PriInjR", "Rear Primary Injector"},
        {"SecInjR", "Rear Secondary Injector"},
        {"LeadFnt", "Igniter for Front Leading Plug"},
        {"TrailFt", "Igniter for Front Trailing Plug"},
        {"LeadMid", "Igniter for Middle Leading Plug"},
        {"TrailMd", "Igniter for Middle Trailing Plug"},
        {"LeadRer", "Igniter for Rear Leading Plug"},
        {"TrailRr", "Igniter for Rear Trailing Plug"},
        {"Address", "Trail Igniter Addressing signal"},
    };
    for (const Label& l : kFixed)
        if (pin == l.pin)
            return l.label;
    const bool twoRotors = rotary && count == 2;
    if (pin == "Leading")
        return twoRotors ? "Igniter for Leading Plugs" : "Igniter for Leading Plug";
    if (pin == "Trailng")
        return twoRotors ? "Trailing Igniter" : "Igniter for Trailing Plug";
    auto digits = [](const std::string& s) {
        return !s.empty() &&
               std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    for (const char* prefix : {"InjCyl", "InjCy"}) {
        std::string p = prefix;
        if (pin.compare(0, p.size(), p) == 0 && digits(pin.substr(p.size())))
            return "Injector for Cylinder " + pin.substr(p.size());
    }
    if (pin.compare(0, 6, "IgnCyl") == 0 && digits(pin.substr(6)))
        return "Igniter for Cylinder " + pin.substr(6);
    size_t amp = pin.find('&');
    if (pin.compare(0, 3, "Ign") == 0 && amp != std::string::npos &&
        digits(pin.substr(3, amp - 3)) && digits(pin.substr(amp + 1)))
        return "Igniter for Cylinders " + pin.substr(3, amp - 3) + " and " + pin.substr(amp + 1);
    return " ";
}

int readBackArrangement(const tECU& ecu, bool rotary, int count) {
    if (firingOrders(rotary, count).empty())
        return -1;
    const uint8_t chain = ecu.ReadConstByte(kChainingByte);
    if (rotary) {
        if (count != 2)
            return kRotaryDirectFire;
        if ((chain & 0x11) == 0x11)
            return kAddressing;
        return (chain & 0x01) != 0 ? kWastedLeading : kRotaryDirectFire;
    }
    bool chained = false;
    bool twin = false;
    bool clearSeen = false;
    for (int bit = 0; bit <= 6; ++bit) {
        bool set = (chain >> bit & 1) != 0;
        chained = chained || set;
        twin = twin || (set && clearSeen);
        clearSeen = clearSeen || !set;
    }
    if (count <= 8) {
        for (int k = 1; k <= 8; ++k)
            if ((ecu.ReadConstByte(DedicatedAddress::kIgnition + k - 1) & 0x07) != 0)
                return kWastedSpark;
        return twin ? kTwinDistributors : chained ? kSingleDistributor : kDirectFire;
    }
    if (count <= 10)
        return chained ? kSingleDistributor : kWastedSpark;
    return twin ? kTwinDistributors : chained ? kSingleDistributor : kWastedSpark;
}

} // namespace CylinderAssignment
} // namespace zolmar
