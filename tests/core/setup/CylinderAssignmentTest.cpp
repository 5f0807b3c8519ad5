#include "setup/CylinderAssignment.h"
#include "EditorFixture.h"
#include "setup/DedicatedFunctions.h"

#include <gtest/gtest.h>
#include <map>
#include <set>

using namespace zolmar;
namespace CA = CylinderAssignment;

namespace {

EngineLayout piston(int cylinders, int order, int arrangement, int oddFire = -1) {
    EngineLayout l;
    l.count = cylinders;
    l.firingOrder = order;
    l.arrangement = arrangement;
    l.oddFireAngle = oddFire < 0 ? 720 / cylinders : oddFire;
    return l;
}

EngineLayout rotary(int rotors, int order, int arrangement) {
    EngineLayout l;
    l.rotary = true;
    l.count = rotors;
    l.firingOrder = order;
    l.arrangement = arrangement;
    return l;
}

// The named values of an assignment by name, as signed numbers.
std::map<std::string, int> named(const Assignment& a) {
    std::map<std::string, int> m;
    for (const NamedValue& v : a.named)
        m[v.name] = v.word ? static_cast<int16_t>(v.value) : v.value;
    return m;
}

std::vector<int> ignitionOffsets(const Assignment& a, int outputs) {
    auto m = named(a);
    std::vector<int> v;
    for (int k = 1; k <= outputs; ++k)
        v.push_back(m.at("Ign" + std::to_string(k) + " Period Angle Offset"));
    return v;
}

int mod(int angle) {
    return ((angle % 36000) + 36000) % 36000;
}

TEST(CylinderAssignment, ListsFollowTheCount) {
    const std::map<int, size_t> orders = {{1, 1}, {2, 1}, {3, 2}, {4, 5},  {5, 4},  {6, 6},
                                          {7, 0}, {8, 9}, {9, 0}, {10, 3}, {11, 0}, {12, 2}};
    for (auto [n, size] : orders)
        EXPECT_EQ(CA::firingOrders(false, n).size(), size) << n;
    EXPECT_EQ(CA::arrangements(false, 4),
              (std::vector<std::string>{"Direct Fire", "Wasted Spark", "Single Distributor", " "}));
    EXPECT_EQ(CA::arrangements(false, 10),
              (std::vector<std::string>{" ", "Wasted Spark", "Single Distributor", " "}));
    EXPECT_TRUE(CA::arrangements(false, 7).empty());
    EXPECT_EQ(CA::defaultArrangement(false, 4), 0);
    EXPECT_EQ(CA::defaultArrangement(false, 12), 1);
    EXPECT_EQ(CA::defaultArrangement(false, 9), -1);
    EXPECT_EQ(CA::arrangements(true, 3), (std::vector<std::string>{"Direct Fire", " ", " "}));
    EXPECT_EQ(CA::firingOrders(true, 3)[0], "F-R-M (1-3-2)");
    EXPECT_EQ(CA::positions(true, 3, 0), (std::vector<int>{0, 2, 1}));
    EXPECT_EQ(CA::positions(true, 1, 0), (std::vector<int>{0}));
    EXPECT_EQ(CA::positions(false, 4, 0), (std::vector<int>{0, 3, 1, 2}));
    EXPECT_TRUE(CA::positions(false, 4, 5).empty());
    EXPECT_TRUE(CA::firingOrders(false, 0).empty());
    EXPECT_TRUE(CA::firingOrders(false, 13).empty());
}

TEST(CylinderAssignment, FourCylinders1342DirectFire) {
    Assignment a = CA::assign(piston(4, 0, CA::kDirectFire));
    EXPECT_EQ(ignitionOffsets(a, 4), (std::vector<int>{0, -9000, 9000, 18000}));
    auto m = named(a);
    for (int k = 1; k <= 4; ++k)
        EXPECT_EQ(m.at("Inj" + std::to_string(k) + " PeriodAngle Offset"),
                  ignitionOffsets(a, 4)[static_cast<size_t>(k - 1)]);
    const int seq[8] = {0, 3, 1, 2, 8, 8, 8, 8};
    for (int i = 1; i <= 8; ++i)
        EXPECT_EQ(m.at("Cyl " + std::to_string(i) + " Sequence Index"), seq[i - 1]);
    EXPECT_EQ(m.at("Inj Wrapper Minimum"), -18000);
    EXPECT_EQ(m.at("Ign Wrapper Maximum"), 18000);
    EXPECT_EQ(m.at("VVT Wrapper Minimum"), -4500);
    EXPECT_EQ(m.at("VVT Wrapper Maximum"), 4500);
    EXPECT_EQ(a.ignitionPins[0], "IgnCyl1");
    EXPECT_EQ(a.ignitionPins[4], " ");
    EXPECT_EQ(a.injectorPins[3], "InjCyl4");
    EXPECT_EQ(a.firingOrder, 0);
    EXPECT_EQ(a.chaining, 0);
    for (uint8_t p : a.ignitionPattern)
        EXPECT_EQ(p, 0);
}

TEST(CylinderAssignment, OddFireV6AndTwinDistributors) {
    // "1-5-3-6-2-4" with 90 degrees between the first two cylinders.
    Assignment v6 = CA::assign(piston(6, 0, CA::kDirectFire, 90));
    EXPECT_EQ(ignitionOffsets(v6, 6), (std::vector<int>{0, -12000, 12000, -7500, 4500, 16500}));

    Assignment twin = CA::assign(piston(8, 0, CA::kTwinDistributors));
    EXPECT_EQ(ignitionOffsets(twin, 8),
              (std::vector<int>{0, 9000, 18000, -9000, 4500, 13500, -13500, -4500}));
    EXPECT_EQ(twin.chaining, 0x77);
    EXPECT_EQ(twin.ignitionPins[0], "Dizzy 1");
    EXPECT_EQ(twin.ignitionPins[4], "Dizzy 2");
    Assignment oddTwin = CA::assign(piston(8, 0, CA::kTwinDistributors, 100));
    EXPECT_EQ(ignitionOffsets(oddTwin, 8),
              (std::vector<int>{0, 9000, 18000, -9000, 5000, 14000, -13000, -4000}));
    Assignment twin12 = CA::assign(piston(12, 0, CA::kTwinDistributors));
    EXPECT_EQ(twin12.chaining, 0x33);
    EXPECT_EQ(twin12.ignitionPattern, (std::array<uint8_t, 8>{1, 1, 1, 0, 1, 1, 1, 0}));
}

TEST(CylinderAssignment, DistributorsTwelveCylindersAndUndefinedCounts) {
    Assignment single = CA::assign(piston(8, 0, CA::kSingleDistributor));
    EXPECT_EQ(single.chaining, 0x7F);
    EXPECT_EQ(single.ignitionPins[0], "Igniter");
    for (uint8_t p : single.ignitionPattern)
        EXPECT_EQ(p, 0);
    Assignment single10 = CA::assign(piston(10, 0, CA::kSingleDistributor));
    EXPECT_EQ(single10.chaining, 0x0F);
    EXPECT_EQ(single10.ignitionPattern, (std::array<uint8_t, 8>{1, 1, 1, 1, 1, 0, 0, 0}));

    // Twelve cylinders: offsets for the eight ignition outputs, twelve injectors, no
    // sequence indices.
    Assignment v12 = CA::assign(piston(12, 0, CA::kWastedSpark));
    auto m = named(v12);
    EXPECT_EQ(m.count("Ign8 Period Angle Offset"), 1u);
    EXPECT_EQ(m.count("Ign9 Period Angle Offset"), 0u);
    EXPECT_EQ(m.count("Inj12 PeriodAngle Offset"), 1u);
    EXPECT_EQ(m.count("Cyl 1 Sequence Index"), 0u);
    EXPECT_EQ(v12.injectorPins[9], "InjCy10");
    EXPECT_EQ(v12.ignitionPins[1], "Ign7&12");

    // 7, 9 and 11 cylinders have no firing order: wrappers, cleared patterns and blank
    // names only, never an offset or a sequence index.
    for (int n : {7, 9, 11}) {
        EngineLayout l = piston(n, -1, -1);
        Assignment a = CA::assign(l);
        EXPECT_FALSE(a.positionsKnown);
        EXPECT_EQ(a.firingOrder, -1);
        EXPECT_EQ(a.named.size(), 6u) << n;
        EXPECT_EQ(named(a).at("VVT Wrapper Maximum"), 36000 / n / 2);
        for (const auto& pin : a.injectorPins)
            EXPECT_EQ(pin, " ");
        l.firingOrder = 0; // even a stale order index indexes nothing
        EXPECT_EQ(CA::assign(l).named.size(), 6u);
    }
}

TEST(CylinderAssignment, OneCylinderAndTheNissanEngines) {
    Assignment one = CA::assign(piston(1, 0, CA::kDirectFire));
    EXPECT_EQ(one.injectorPins[0], "Injectr");
    EXPECT_EQ(one.ignitionPins[0], "Igniter");
    EXPECT_EQ(named(one).at("Ign1 Period Angle Offset"), 0);

    EngineLayout rb = piston(6, 0, CA::kDirectFire);
    rb.nissanRb = true;
    Assignment a = CA::assign(rb);
    EXPECT_TRUE(a.wiringHidden);
    EXPECT_EQ(a.injectorPins,
              (std::array<std::string, 12>{"InjCyl1", " ", "InjCyl3", " ", "InjCyl2", " ",
                                           "InjCyl5", " ", "InjCyl6", "VVT", "InjCyl4", " "}));
    auto m = named(a);
    const std::map<int, int> offsets = {{1, 0},    {3, 12000}, {5, -12000},
                                        {7, 6000}, {9, 18000}, {11, -6000}};
    for (int k = 1; k <= 12; ++k) {
        std::string name = "Inj" + std::to_string(k) + " PeriodAngle Offset";
        if (offsets.count(k))
            EXPECT_EQ(m.at(name), offsets.at(k));
        else
            EXPECT_EQ(m.count(name), 0u) << name;
    }
    rb.count = 4; // whatever the cylinder count
    EXPECT_EQ(named(CA::assign(rb)).at("Inj9 PeriodAngle Offset"), 18000);
}

TEST(CylinderAssignment, Rotaries) {
    Assignment addressing = CA::assign(rotary(2, 0, CA::kAddressing));
    EXPECT_EQ(addressing.chaining, 0x11);
    EXPECT_EQ(addressing.ignitionPins[0], "Leading");
    EXPECT_EQ(addressing.ignitionPins[3], "Address");
    EXPECT_EQ(addressing.ignitionPins[4], "Trailng");
    EXPECT_EQ(addressing.ignitionPins[1], " ");
    auto m = named(addressing);
    EXPECT_EQ(m.at("Ign1 Period Angle Offset"), 0);
    EXPECT_EQ(m.at("Inj1 PeriodAngle Offset"), 0);
    EXPECT_EQ(m.at("Ign2 Period Angle Offset"), 9000);
    EXPECT_EQ(m.at("Inj2 PeriodAngle Offset"), 9000);
    EXPECT_EQ(m.at("Ign Wrapper Minimum"), -9000);
    EXPECT_EQ(m.at("Inj Wrapper Maximum"), 9000);
    EXPECT_EQ(m.count("VVT Wrapper Minimum"), 0u);
    for (uint8_t p : addressing.ignitionPattern)
        EXPECT_EQ(p, 1);
    for (uint8_t p : addressing.injectorPattern)
        EXPECT_EQ(p, 1);
    EXPECT_EQ(CA::assign(rotary(2, 0, CA::kWastedLeading)).chaining, 0x01);

    Assignment three = CA::assign(rotary(3, 0, 0));
    auto m3 = named(three);
    EXPECT_EQ(m3.at("Ign1 Period Angle Offset"), 0);
    EXPECT_EQ(m3.at("Ign2 Period Angle Offset"), -6000);
    EXPECT_EQ(m3.at("Ign3 Period Angle Offset"), 6000);
    EXPECT_EQ(three.injectorPins[6], "SecInjR");
    EXPECT_EQ(CA::assign(rotary(1, 0, 0)).ignitionPins[4], "Trailng");
}

// Every order that offers wasted spark, even fire: each output sparks (at its offset
// and 360 degrees later) exactly at the TDCs of the two cylinders its name gives.
TEST(CylinderAssignment, WastedSparkOutputsFireTheirNamedCylinders) {
    int mended = 0;
    int orders = 0;
    for (int n : {4, 6, 8, 10, 12}) {
        for (int order = 0; order < static_cast<int>(CA::firingOrders(false, n).size()); ++order) {
            ++orders;
            Assignment a = CA::assign(piston(n, order, CA::kWastedSpark));
            const std::vector<int> pos = CA::positions(false, n, order);
            const int period = 36000 / n;
            auto tdc = [&](int cylinder) {
                return mod(
                    CA::pistonOffset(pos[static_cast<size_t>(cylinder - 1)], period, period));
            };
            auto m = named(a);
            bool literalWrong = false;
            for (int j = 1; j <= n / 2; ++j) {
                const std::string& pin = a.ignitionPins[static_cast<size_t>(j - 1)];
                const size_t amp = pin.find('&');
                ASSERT_NE(amp, std::string::npos) << pin;
                const int first = std::stoi(pin.substr(3, amp - 3));
                const int second = std::stoi(pin.substr(amp + 1));
                EXPECT_EQ(a.ignitionPattern[static_cast<size_t>(j - 1)], 1);
                const int offset = m.at("Ign" + std::to_string(j) + " Period Angle Offset");
                const std::set<int> sparks = {mod(offset), mod(offset + 18000)};
                EXPECT_EQ(sparks, (std::set<int>{tdc(first), tdc(second)}))
                    << n << " cylinders, order " << CA::firingOrders(false, n)[size_t(order)]
                    << ", output " << j;
                const int literal = mod(CA::pistonOffset(pos[size_t(j - 1)], period, period));
                literalWrong = literalWrong || (literal != tdc(first) && literal != tdc(second));
            }
            mended += literalWrong ? 1 : 0;
            // Where the general rule was right, the stored values are exactly its own.
            if (!literalWrong) {
                for (int k = 1; k <= std::min(n, 8); ++k)
                    EXPECT_EQ(m.at("Ign" + std::to_string(k) + " Period Angle Offset"),
                              CA::pistonOffset(pos[size_t(k - 1)], period, period));
            }
        }
    }
    EXPECT_EQ(orders, 25);
    EXPECT_EQ(mended, 16);
}

TEST(CylinderAssignment, WastedSparkNamesAndLabels) {
    Assignment four = CA::assign(piston(4, 0, CA::kWastedSpark));
    EXPECT_EQ(four.ignitionPins[0], "Ign1&4");
    EXPECT_EQ(four.ignitionPins[1], "Ign3&2");
    EXPECT_EQ(four.ignitionPins[2], " ");
    // "1-3-2-4": output 2 serves cylinders 3 and 4, so it fires at 180 degrees, not at
    // cylinder 2's 360.
    Assignment other = CA::assign(piston(4, 3, CA::kWastedSpark));
    EXPECT_EQ(other.ignitionPins[1], "Ign3&4");
    EXPECT_EQ(named(other).at("Ign2 Period Angle Offset"), 9000);
    // "1-5-4-8-6-3-7-2": each name gives the earlier-firing cylinder first.
    Assignment eight = CA::assign(piston(8, 7, CA::kWastedSpark));
    EXPECT_EQ(
        (std::vector<std::string>(eight.ignitionPins.begin(), eight.ignitionPins.begin() + 4)),
        (std::vector<std::string>{"Ign1&6", "Ign5&3", "Ign4&7", "Ign8&2"}));

    EXPECT_EQ(CA::wiringLabel("Ign1&4", false, 4), "Igniter for Cylinders 1 and 4");
    EXPECT_EQ(CA::wiringLabel("InjCy10", false, 10), "Injector for Cylinder 10");
    EXPECT_EQ(CA::wiringLabel("IgnCyl3", false, 4), "Igniter for Cylinder 3");
    EXPECT_EQ(CA::wiringLabel("Leading", true, 1), "Igniter for Leading Plug");
    EXPECT_EQ(CA::wiringLabel("Leading", true, 2), "Igniter for Leading Plugs");
    EXPECT_EQ(CA::wiringLabel("Trailng", true, 2), "Trailing Igniter");
    EXPECT_EQ(CA::wiringLabel("Address", true, 2), "Trail Igniter Addressing signal");
    EXPECT_EQ(CA::wiringLabel("SecInjM", true, 3), "Middle Secondary Injector");
    EXPECT_EQ(CA::wiringLabel(" ", false, 4), " ");
    EXPECT_EQ(CA::wiringLabel("IgnCylX", false, 4), " ");
}

TEST(CylinderAssignment, ReadBackFromChainingAndPatterns) {
    test::EditorModel model;
    tECU& ecu = *model.ecu;
    const int chain = DedicatedAddress::kIgnitionOr;
    // A blank configuration: nothing chained, every pattern 0.
    EXPECT_EQ(CA::readBackArrangement(ecu, false, 4), CA::kDirectFire);
    EXPECT_EQ(CA::readBackArrangement(ecu, false, 10), CA::kWastedSpark);
    EXPECT_EQ(CA::readBackArrangement(ecu, false, 12), CA::kWastedSpark);
    EXPECT_EQ(CA::readBackArrangement(ecu, false, 7), -1);
    EXPECT_EQ(CA::readBackArrangement(ecu, true, 2), CA::kRotaryDirectFire);
    ecu.WriteConstByte(chain, 0x7F); // 8 cylinders, single distributor
    EXPECT_EQ(CA::readBackArrangement(ecu, false, 8), CA::kSingleDistributor);
    EXPECT_EQ(CA::readBackArrangement(ecu, false, 10), CA::kSingleDistributor);
    ecu.WriteConstByte(chain, 0x80 | 0x77);
    EXPECT_EQ(CA::readBackArrangement(ecu, false, 8), CA::kTwinDistributors);
    EXPECT_EQ(CA::readBackArrangement(ecu, false, 12), CA::kTwinDistributors);
    ecu.WriteConstByte(chain, 0x11);
    EXPECT_EQ(CA::readBackArrangement(ecu, true, 2), CA::kAddressing);
    EXPECT_EQ(CA::readBackArrangement(ecu, true, 3), CA::kRotaryDirectFire);
    ecu.WriteConstByte(chain, 0x01);
    EXPECT_EQ(CA::readBackArrangement(ecu, true, 2), CA::kWastedLeading);
    ecu.WriteConstByte(DedicatedAddress::kIgnition + 1, 0x09); // pattern 1 on output 2
    EXPECT_EQ(CA::readBackArrangement(ecu, false, 6), CA::kWastedSpark);
}

} // namespace
