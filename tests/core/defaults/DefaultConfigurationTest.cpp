// The shipped default configuration: every element the setup tools address by
// name, the state the setup wizard reads back from it, and the diagram's order,
// links, layout, gauges, logging channels and hints.
#include "DefaultConfiguration.h"
#include "PageGeometry.h"
#include "editor/PageRenderer.h"
#include "editor/SimpleViewSettings.h"
#include "files/SettingsFile.h"
#include "files/SettingsHints.h"
#include "model/Cp1252.h"
#include "model/PinTable.h"
#include "model/Tables.h"
#include "setup/LoggingChannels.h"

#include <cstring>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <set>

using namespace zolmar;
using namespace zolmar::Layout;

namespace {

std::string cp(const std::string& utf8) {
    return utf8ToCp1252(utf8);
}

// The shipped file, loaded once for all tests that only read it.
class DefaultConfigurationTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        messages_ = new RecordingMessages;
        ecu_ = new tECU(*messages_);
        std::string error;
        ASSERT_TRUE(SettingsFile::load(*ecu_, ZOLMAR_DEFAULT_CONFIG, error)) << error;
    }
    static void TearDownTestSuite() {
        delete ecu_;
        delete messages_;
    }
    const tECU& ecu() const { return *ecu_; }

    // Elements whose stored name is exactly the given one (names are Windows-1252).
    static std::vector<int> named(const std::string& utf8) {
        std::vector<int> found;
        for (int i = 0; i < ecu_->NumElements; ++i)
            if (ecu_->ExactNameOf(kNumPages + i) == cp(utf8))
                found.push_back(i);
        return found;
    }
    // The one element of that name; fails the test when there is not exactly one.
    static int only(const std::string& utf8) {
        std::vector<int> found = named(utf8);
        EXPECT_EQ(found.size(), 1u) << "\"" << utf8 << "\"";
        return found.size() == 1 ? found[0] : -1;
    }
    static int typeOf(const std::string& utf8) {
        int i = only(utf8);
        return i < 0 ? -1 : ecu_->TypeOf(i);
    }
    static uint16_t word(const std::string& utf8, int offset = 0) {
        uint16_t v = 0;
        EXPECT_TRUE(ecu_->ReadNamedConstWord(cp(utf8), offset, v)) << utf8;
        return v;
    }
    static uint8_t byte(const std::string& utf8, int offset = 0) {
        uint8_t v = 0;
        EXPECT_TRUE(ecu_->ReadNamedConstByte(cp(utf8), offset, v)) << utf8;
        return v;
    }

    static RecordingMessages* messages_;
    static tECU* ecu_;
};

RecordingMessages* DefaultConfigurationTest::messages_ = nullptr;
tECU* DefaultConfigurationTest::ecu_ = nullptr;

std::string number(int n) {
    return std::to_string(n);
}

TEST_F(DefaultConfigurationTest, TheBuildIsTheShippedFileAndRepeatable) {
    SilentMessages quiet;
    for (int round = 0; round < 2; ++round) {
        auto fresh = std::make_unique<tECU>(quiet);
        std::vector<std::string> problems;
        ASSERT_TRUE(defaults::BuildDefaultConfiguration(*fresh, problems))
            << (problems.empty() ? "" : problems.front());
        EXPECT_EQ(SettingsFile::fromImage(*fresh), SettingsFile::fromImage(ecu()));
    }
    // Loading checked the usage words without complaint.
    EXPECT_TRUE(messages_->shown.empty());
}

TEST_F(DefaultConfigurationTest, TheChecklistFindsItsElements) {
    // Read as live words: anything with an output.
    for (const char* name :
         {"MAP Sensor Raw", "Coolant Temperature Raw", "Air Temperature Raw", "TPS Clipped",
          "Closed Loop Idle", "All Elec Loads Disabled", "Closed-Loop Fuel"}) {
        int i = only(name);
        ASSERT_GE(i, 0);
        EXPECT_GE(ecu().OutputCount(ecu().TypeOf(i)), 1) << name;
        // The last element of the name wins; with one element it is this one.
        EXPECT_EQ(ecu().FindElementByName(cp(name), true), i);
    }
    for (const char* name : {"Learn TPS", "Enable Injectors", "Timing Lock"})
        EXPECT_EQ(typeOf(name), ElementType::Tickbox) << name;
    for (const char* name : {"Timing Lock Angle(°BTDC)", "Trigger Offset (Crank°)"})
        EXPECT_EQ(typeOf(name), ElementType::Constant) << name;
    // Opened in the table editor.
    EXPECT_TRUE(Tables::IsTable(typeOf("Base Idle Effort")));
    EXPECT_TRUE(Tables::IsTable(typeOf("Predicted MAP (kPa)")));
    EXPECT_EQ(typeOf("%Volumetric Efficiency 1"), ElementType::Table3D);
    EXPECT_EQ(typeOf("Ignition Map 1 (°BTDC)"), ElementType::Table3D);
    // The degree sign is one byte.
    EXPECT_EQ(cp("Timing Lock Angle(°BTDC)").size(), 24u);
}

TEST_F(DefaultConfigurationTest, TheWizardsNamedSettingsHaveTheirKinds) {
    // A byte the wizard writes as a list index selects among inputs.
    const std::map<std::string, int> lists = {
        {"MAP Sensor Raw", 4},           {"Coolant Temperature Raw", 4},
        {"Air Temperature Raw", 4},      {"Oxygen Sensor Type", 4},
        {"Analogue Wideband Select", 4}, {"VSS arrangement", 4},
        {"Load Axis for VE map 1", 2},   {"Load Axis for VE map 2", 2},
        {"Ignition Map Load Axis", 2},   {"Target Lambda Load Axis", 2},
        {"Idle Controller Type", 4},     {"Number of Rotors", 3}};
    for (const auto& [name, entries] : lists)
        EXPECT_EQ(typeOf(name), ElementType::Mux4) << name << " (" << entries << " entries)";
    for (const char* name : {"Engine is Wankel/Rotary", "Use Drive-By-Wire"})
        EXPECT_EQ(typeOf(name), ElementType::Tickbox) << name;
    for (int k = 1; k <= 4; ++k)
        EXPECT_EQ(typeOf("Sec Inj" + number(k) + " instead of Inj" + number(k + 4)),
                  ElementType::Tickbox);
    for (const char* name :
         {"Engine Capacity (Litres)", "Inj. Size (x100 L/min)",   "Sec Inj Size(x100 L/min)",
          "Number of Cylinders",      "Inst. Overboost Cut, kPa", "1 Sec Overboost Cut, kPa",
          "Hard Rev-Limit (/100)",    "Soft Rev-Limit (/100)",    "Extra ElecLoad1 RPM /100",
          "Extra ElecLoad2 RPM /100", "Extra PSP RPM /100",       "Extra Air-Con. RPM /100",
          "Steps of Motor",           "Trigger Offset (Crank°)",  "Dwell Time (ms)",
          "Inj Wrapper Minimum",      "Inj Wrapper Maximum",      "Ign Wrapper Minimum",
          "Ign Wrapper Maximum",      "VVT Wrapper Minimum",      "VVT Wrapper Maximum"})
        EXPECT_EQ(typeOf(name), ElementType::Constant) << name;
    // The 32-entry function lists.
    for (int a = 1; a <= 8; ++a) {
        EXPECT_EQ(typeOf("Aux " + number(a) + " Function"), ElementType::Mux32);
        EXPECT_EQ(typeOf("Aux Out " + number(a) + " Period (ms)"), ElementType::Constant);
        EXPECT_EQ(typeOf("Aux " + number(a) + " Threshold Value"), ElementType::Constant);
    }
    for (int j = 5; j <= 12; ++j) {
        EXPECT_EQ(typeOf("Aux on Inj " + number(j) + " Function"), ElementType::Mux32);
        EXPECT_EQ(typeOf("Inj " + number(j) + " Aux Period (ms)"), ElementType::Constant);
        std::string limit = j <= 9 ? "Aux Inj" + number(j) + " Threshold Value"
                                   : "AuxInj" + number(j) + " Threshold Value";
        EXPECT_EQ(typeOf(limit), ElementType::Constant) << limit;
    }
    // The cylinder assignment: offsets are words, sequence indices bytes 0..8.
    for (int k = 1; k <= 8; ++k) {
        EXPECT_EQ(typeOf("Ign" + number(k) + " Period Angle Offset"), ElementType::Constant);
        EXPECT_EQ(typeOf("Cyl " + number(k) + " Sequence Index"), ElementType::Mux32);
    }
    for (int k = 1; k <= 12; ++k)
        EXPECT_EQ(typeOf("Inj" + number(k) + " PeriodAngle Offset"), ElementType::Constant);
    // The two-entry idle table the wizard writes cell by cell.
    int idle = only("Base Target RPM / 100");
    ASSERT_EQ(ecu().TypeOf(idle), ElementType::Table2D);
    EXPECT_EQ(ecu().ReadConstByte(ecu().ElementConstOffset[idle]), 2);
}

// The wizard's opening reads of the default configuration give its own initial
// control values: a new complete configuration starts the wizard where it stands.
TEST_F(DefaultConfigurationTest, TheWizardReadsBackItsInitialValues) {
    EXPECT_EQ(word("Engine Capacity (Litres)") * 20, 1600);
    EXPECT_EQ(word("Inj. Size (x100 L/min)") / 5, 400);
    EXPECT_EQ(word("Sec Inj Size(x100 L/min)") / 5, 0);
    EXPECT_EQ(byte("Engine is Wankel/Rotary"), 0);
    EXPECT_EQ(byte("Number of Rotors") + 1, 2);
    EXPECT_EQ(word("Number of Cylinders") / 50, 4);
    EXPECT_EQ(word("Inst. Overboost Cut, kPa") / 50 - 120, 80);
    EXPECT_EQ(word("Hard Rev-Limit (/100)") * 2 - 200, 7000);
    EXPECT_EQ(byte("MAP Sensor Raw"), 1);              // 1 Bar
    EXPECT_EQ(byte("Coolant Temperature Raw") + 1, 4); // Toyota
    EXPECT_EQ(byte("Air Temperature Raw") + 1, 4);
    EXPECT_EQ(byte("Oxygen Sensor Type"), 2);       // analogue wideband:
    EXPECT_EQ(byte("Analogue Wideband Select"), 0); // Bosch 0-1 V
    EXPECT_EQ(byte("VSS arrangement"), 0);
    EXPECT_EQ(byte("Load Axis for VE map 1"), 0); // MAP
    EXPECT_EQ(byte("Load Axis for VE map 2"), 1); // TPS
    EXPECT_EQ(byte("Ignition Map Load Axis"), 0);
    EXPECT_EQ(byte("Target Lambda Load Axis"), 0);
    EXPECT_EQ(byte("Idle Controller Type"), 0); // 2-wire valve
    EXPECT_EQ(byte("Use Drive-By-Wire"), 0);
    EXPECT_EQ(word("Trigger Offset (Crank°)"), 0);
    EXPECT_EQ(word("Dwell Time (ms)") * 20, 3000);
    for (const char* extra : {"Extra ElecLoad1 RPM /100", "Extra ElecLoad2 RPM /100",
                              "Extra PSP RPM /100", "Extra Air-Con. RPM /100"})
        EXPECT_EQ(word(extra) * 2, 150) << extra;
    // Hot idle 800 and 300 more when cold, from the cells at block offsets 7 and 5.
    int hot = (word("Base Target RPM / 100", 7) & ~1) * 2;
    EXPECT_EQ(hot, 800);
    EXPECT_EQ((word("Base Target RPM / 100", 5) & ~1) * 2 - hot, 300);
    // The idle valve on aux output 1, with the wizard's 10 ms period.
    EXPECT_EQ(byte("Aux 1 Function") & 0x1F, 3);
    EXPECT_EQ(word("Aux Out 1 Period (ms)") / 50, 10);
    // Four cylinders firing 1-3-4-2 without odd fire.
    const int16_t offsets[] = {0, -9000, 9000, 18000};
    const int sequence[] = {0, 3, 1, 2, 8, 8, 8, 8};
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(static_cast<int16_t>(word("Ign" + number(k) + " Period Angle Offset")),
                  offsets[k - 1]);
        EXPECT_EQ(static_cast<int16_t>(word("Inj" + number(k) + " PeriodAngle Offset")),
                  offsets[k - 1]);
    }
    for (int i = 1; i <= 8; ++i)
        EXPECT_EQ(byte("Cyl " + number(i) + " Sequence Index"), sequence[i - 1]);
    EXPECT_EQ(static_cast<int16_t>(word("VVT Wrapper Minimum")), -4500);
    EXPECT_EQ(static_cast<int16_t>(word("Ign Wrapper Maximum")), 18000);
    EXPECT_EQ(ecu().ReadConstByte(301 + 16), 0); // firing order 1-3-4-2
    EXPECT_EQ(ecu().ReadConstByte(301 + 17), 0); // no chained ignition outputs
}

TEST_F(DefaultConfigurationTest, EveryNameIsUniqueAndEveryLinkReachesAnOutput) {
    std::set<std::string> names;
    for (int i = 0; i < ecu().NumElements; ++i)
        EXPECT_TRUE(names.insert(ecu().ExactNameOf(kNumPages + i)).second)
            << cp1252ToUtf8(ecu().ExactNameOf(kNumPages + i));
    for (int i = 0; i < ecu().NumElements; ++i) {
        int type = ecu().TypeOf(i);
        for (int k = 0; k < tECU::InputCount(type); ++k) {
            uint16_t w = ecu().InputWord(i, k);
            std::string where = cp1252ToUtf8(ecu().InputName(i, k));
            if (w & 1) {
                std::string source;
                EXPECT_TRUE(ecu().NameOfLiveAddress(w & 0xFFFE, source)) << where;
            }
            // A divider or a time slice of 0 would silence its element.
            if (type == ElementType::Multiplier && k == 2) {
                EXPECT_NE(w, 0) << where;
            }
            if (type == ElementType::PID && k == 11) {
                EXPECT_NE(w, 0) << where;
            }
        }
        // Every gauge shows something linked; every PID feeds back a measurement.
        if (type == ElementType::Gauge) {
            EXPECT_TRUE(ecu().InputWord(i, 0) & 1) << cp1252ToUtf8(ecu().NameOf(kNumPages + i));
        }
        if (type == ElementType::PID) {
            EXPECT_TRUE(ecu().InputWord(i, 1) & 1);
        }
    }
}

// Calculated in order: every source comes before the elements that use it, so a
// change travels through the diagram in one pass, except around feedback loops.
TEST_F(DefaultConfigurationTest, TheCalculationOrderFollowsTheDataFlow) {
    // source -> destinations, to find whether a later source is reached back.
    std::vector<std::vector<int>> uses(static_cast<size_t>(ecu().NumElements));
    std::vector<std::pair<int, int>> later;
    for (int i = 0; i < ecu().NumElements; ++i)
        for (int k = 0; k < tECU::InputCount(ecu().TypeOf(i)); ++k) {
            uint16_t w = ecu().InputWord(i, k);
            if (!(w & 1))
                continue;
            int source = -1;
            for (int j = 0; j < ecu().NumElements; ++j)
                if (ecu().ElementLiveOffset[j] <= (w & 0xFFFE) &&
                    (w & 0xFFFE) < ecu().ElementLiveOffset[j + 1])
                    source = j;
            ASSERT_GE(source, 0);
            uses[static_cast<size_t>(source)].push_back(i);
            if (source >= i && !isDedicatedType(ecu().TypeOf(i)))
                later.emplace_back(source, i);
        }
    std::set<std::string> loops;
    for (auto [source, user] : later) {
        // A feedback loop: the user feeds, through others, its own source.
        std::vector<bool> seen(static_cast<size_t>(ecu().NumElements), false);
        std::vector<int> todo = {user};
        bool back = false;
        while (!todo.empty() && !back) {
            int e = todo.back();
            todo.pop_back();
            for (int next : uses[static_cast<size_t>(e)]) {
                back = back || next == source;
                if (!seen[static_cast<size_t>(next)]) {
                    seen[static_cast<size_t>(next)] = true;
                    todo.push_back(next);
                }
            }
        }
        EXPECT_TRUE(back) << cp1252ToUtf8(ecu().NameOf(kNumPages + source)) << " after "
                          << cp1252ToUtf8(ecu().NameOf(kNumPages + user));
        loops.insert(cp1252ToUtf8(ecu().NameOf(kNumPages + user)));
    }
    // TPS learning, the PIDs' anti-windup, the trim and stepper feedback.
    EXPECT_FALSE(later.empty());
    EXPECT_LE(later.size(), 30u);
}

TEST_F(DefaultConfigurationTest, PagesAreTidy) {
    for (const std::string& problem : defaults::PageGeometry::check(ecu()))
        ADD_FAILURE() << problem;
    std::set<int> pages;
    for (int i = 0; i < ecu().NumElements; ++i) {
        pages.insert(ecu().PageOf(i));
        if (ecu().PageOf(i) == 0) {
            EXPECT_TRUE(ecu().TypeOf(i) == ElementType::Gauge ||
                        ecu().TypeOf(i) == ElementType::Label);
        }
    }
    // Every page in use has a name; the standard seven keep theirs.
    for (int p : pages)
        EXPECT_FALSE(ecu().NameOf(p).empty()) << p;
    const char* const standard[] = {"Gauges",      "Inputs",           "Analogue Inputs",
                                    "Aux Outputs", "Injector Outputs", "Ignition Outputs",
                                    "General"};
    for (int p = 0; p < 7; ++p)
        EXPECT_EQ(ecu().NameOf(p), standard[p]);
    EXPECT_GE(pages.size(), 25u);
    // The simple view shows at most 100 settings of a page.
    std::map<int, int> perPage;
    for (const auto& s : SimpleViewSettings::List(ecu()))
        ++perPage[s.page];
    for (auto [page, count] : perPage)
        EXPECT_LE(count, 100) << "page " << page + 1;
}

TEST_F(DefaultConfigurationTest, GaugesCarryTheirCompanionsAndDials) {
    std::map<int, int> dials;
    std::set<std::string> gauges;
    for (int i = 0; i < ecu().NumElements; ++i) {
        if (ecu().TypeOf(i) != ElementType::Gauge)
            continue;
        EXPECT_EQ(ecu().PageOf(i), 0);
        gauges.insert(cp1252ToUtf8(ecu().ExactNameOf(kNumPages + i)));
        int number = (ecu().ReadConstByte(ecu().ElementConstOffset[i] + 8) >> 3) & 7;
        if (number)
            ++dials[number];
    }
    for (int d = 1; d <= 5; ++d)
        EXPECT_EQ(dials[d], 1) << "dial " << d;
    EXPECT_EQ(dials.size(), 5u);
    for (const char* row : {"RPM/100", "MAP", "AFR"})
        for (const char* suffix : {"", " Target", " Target Valid", " Effort"})
            EXPECT_TRUE(gauges.count(std::string(row) + suffix)) << row << suffix;
    EXPECT_TRUE(gauges.count("AFR Valid"));
    EXPECT_TRUE(gauges.count("Coolant (°C) Valid"));
    // Rows (not companions) fit the gauge window's 36.
    int rows = 0;
    for (const std::string& g : gauges) {
        bool companion = false;
        for (const char* suffix : {" Target", " Valid", " Effort"})
            companion = companion ||
                        (g.size() > std::strlen(suffix) &&
                         g.compare(g.size() - std::strlen(suffix), std::string::npos, suffix) == 0);
        rows += companion ? 0 : 1;
    }
    EXPECT_LE(rows, 36);
}

TEST_F(DefaultConfigurationTest, OnboardLoggingRecordsUsefulGauges) {
    std::set<int> logged;
    for (int c = 0; c < LoggingChannels::kCount; ++c) {
        int g = LoggingChannels::GaugeOf(ecu(), c);
        ASSERT_GE(g, 0) << "channel " << c + 1;
        EXPECT_EQ(ecu().PageOf(g), 0);
        EXPECT_TRUE(logged.insert(g).second);
        LoggingChannels::Channel ch = LoggingChannels::Read(ecu(), c);
        EXPECT_EQ(ch.namePosition, 3072 + 24 * g);
    }
    // The AFR channel carries the sensor's validity; RPM has none.
    int afr = LoggingChannels::GaugeOf(ecu(), 3);
    ASSERT_EQ(ecu().ExactNameOf(kNumPages + afr), "AFR");
    EXPECT_EQ(LoggingChannels::Read(ecu(), 3).validAddress,
              ecu().ElementLiveOffset[only("AFR Valid")]);
    EXPECT_EQ(LoggingChannels::Read(ecu(), 0).validAddress, LoggingChannels::kNone);
}

TEST_F(DefaultConfigurationTest, TheMapsStayInsideTheChecklistsWarnings) {
    Tables::Shape ve, ign;
    ASSERT_TRUE(Tables::ShapeOf(ecu(), only("%Volumetric Efficiency 1"), ve));
    ASSERT_TRUE(Tables::ShapeOf(ecu(), only("Ignition Map 1 (°BTDC)"), ign));
    for (int j = 0; j < ve.rows; ++j)
        for (int i = 0; i < ve.columns; ++i) {
            auto cell = static_cast<int16_t>(Tables::Cell(ecu(), ve, i, j));
            EXPECT_GE(cell, 2000);
            EXPECT_LE(cell, 15000);
        }
    for (int j = 0; j < ign.rows; ++j)
        for (int i = 0; i < ign.columns; ++i) {
            auto cell = static_cast<int16_t>(Tables::Cell(ecu(), ign, i, j));
            auto reference =
                static_cast<uint16_t>(Tables::Reference(ecu(), ign, Tables::Axis::Horizontal, i));
            EXPECT_LE(cell, 2250);
            if (reference < 750) {
                EXPECT_LE(cell, 1000);
            }
        }
}

TEST_F(DefaultConfigurationTest, DedicatedSettingsAndWiring) {
    EXPECT_EQ(ecu().ReadConstWord(24), 500); // 36-1 wheel: 10 degrees per tooth
    EXPECT_EQ(ecu().ReadConstByte(26), 2);   // missing tooth = crank reset
    EXPECT_EQ(ecu().ReadConstWord(42), 16384);
    EXPECT_EQ(ecu().ReadConstByte(256) & 1, 1); // temperature bias on Ana 9-12
    EXPECT_EQ(PinTable::PinName(ecu(), PinTable::AnalogueInputRecord(5)), "MAP");
    EXPECT_EQ(PinTable::PinName(ecu(), PinTable::AnalogueInputRecord(9)), "ECT");
    EXPECT_EQ(PinTable::PinName(ecu(), 0), "InjCyl1");
    EXPECT_EQ(PinTable::PinName(ecu(), 16), "IgnCyl1");
    // The analogue outputs name their pins.
    EXPECT_EQ(ecu().OutputName(1, 4, false), "Analogue inputs: Ana 5 (MAP)");
}

TEST_F(DefaultConfigurationTest, EverySimpleViewSettingHasAHint) {
    std::string bytes;
    ASSERT_TRUE(SettingsHints::Read(ZOLMAR_SETTINGS_HINTS, bytes));
    auto entries = SettingsHints::Entries(bytes);
    std::set<std::string> hinted;
    for (const auto& [name, hint] : entries) {
        EXPECT_TRUE(hinted.insert(name).second) << "twice: " << cp1252ToUtf8(name);
        EXPECT_GE(hint.size(), 40u) << cp1252ToUtf8(name);
        // No stale entries: every hint belongs to an element.
        EXPECT_GE(ecu().FindElementByName(name, false), 0) << cp1252ToUtf8(name);
    }
    auto settings = SimpleViewSettings::List(ecu());
    EXPECT_GT(settings.size(), 150u);
    for (const auto& s : settings) {
        std::string name = ecu().NameOf(kNumPages + s.element);
        EXPECT_FALSE(SettingsHints::Lookup(bytes, name).empty()) << cp1252ToUtf8(name);
    }
}

// Every page draws with all its wires: no link of the default diagram falls back to
// a "not routed" label, and no page's routes overflow what the router keeps.
TEST_F(DefaultConfigurationTest, EveryPageRoutesAllItsLinks) {
    SilentMessages quiet;
    auto drawn = std::make_unique<tECU>(quiet);
    std::string error;
    ASSERT_TRUE(SettingsFile::load(*drawn, ZOLMAR_DEFAULT_CONFIG, error)) << error;
    LinkRouter router;
    FixedCellMetrics metrics;
    PageRenderer renderer(*drawn, router, metrics);
    std::set<int> pages;
    for (int i = 0; i < drawn->NumElements; ++i)
        pages.insert(drawn->PageOf(i));
    size_t wires = 0;
    for (int page : pages) {
        DrawList list;
        renderer.RenderPage(page, true, list);
        const auto& records = router.routes(page);
        EXPECT_LE(records.size(), 256u) << "page " << page + 1;
        for (const RouteRecord& r : records) {
            EXPECT_TRUE(r.routed()) << "page " << page + 1 << ": element "
                                    << cp1252ToUtf8(drawn->NameOf(kNumPages + r.destElement))
                                    << " input " << r.destInput;
            wires += r.routed();
        }
    }
    EXPECT_GT(wires, 300u);
}

} // namespace
