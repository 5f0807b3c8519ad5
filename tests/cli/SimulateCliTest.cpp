#include "CliRunner.h"
#include "TempDir.h"
#include "files/AtomicFile.h"
#include "files/NewConfiguration.h"
#include "files/SettingsFile.h"
#include "model/Tables.h"

#include <gtest/gtest.h>
#include <memory>
#include <sstream>

using namespace zolmar;
using zolmar::test::runCli;
using zolmar::test::TempDir;

namespace {

// One element of every type the diagram calculates, each wired so that its result
// after 100 passes is known by hand, with RPM / 100 at 3750 and Dig Inp 1 ticked.
struct SimulateCliTest : ::testing::Test {
    SilentMessages quiet;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(quiet);
    TempDir dir;
    std::string file = dir.path("all.ecu");
    int table2D = 0;

    static constexpr int kRpm = 44;
    static constexpr int kDig1 = 45;

    int create(int type, int page = 2) {
        int index = -1;
        EXPECT_TRUE(ecu->CreateElement(type, 1, 1, "E", page, &index)) << type;
        return index;
    }
    void constByte(int element, int value) {
        ecu->WriteConstByte(ecu->ElementConstOffset[element], static_cast<uint8_t>(value));
    }
    // Literals from input 0 on; links are made after them.
    void literals(int element, std::initializer_list<double> values) {
        int k = 0;
        for (double v : values)
            ecu->SetLiteral(element, k++, v);
    }
    void rpm(int element, int input) { ecu->LinkInput(element, input, 0, kRpm); }
    void dig1(int element, int input) { ecu->LinkInput(element, input, 0, kDig1); }

    SimulateCliTest() {
        NewConfiguration::MakeBlank(*ecu);
        const int constant = create(ElementType::Constant); // 6
        ecu->WriteConstWord(ecu->ElementConstOffset[constant], 125);

        table2D = create(ElementType::Table2D); // 7
        Tables::LayOut(*ecu, table2D, {0, 5000, 2500}, nullptr);
        Tables::Shape s;
        Tables::ShapeOf(*ecu, table2D, s);
        Tables::WriteCell(*ecu, s, 1, 0, 1000);
        Tables::WriteCell(*ecu, s, 2, 0, 3000);
        literals(table2D, {0, 4.0, 0, 1.0});
        rpm(table2D, 0);
        dig1(table2D, 2); // learns 4.00, tuned, into the nearest cell (2) once

        const int table3D = create(ElementType::Table3D); // 8
        Tables::AxisLayout axis{0, 5000, 5000};
        Tables::LayOut(*ecu, table3D, axis, &axis);
        Tables::ShapeOf(*ecu, table3D, s);
        Tables::WriteCell(*ecu, s, 1, 0, 1000);
        Tables::WriteCell(*ecu, s, 0, 1, 2000);
        Tables::WriteCell(*ecu, s, 1, 1, 3000);
        literals(table3D, {0, 25.0});
        rpm(table3D, 0);

        const int summer = create(ElementType::Summer); // 9: RPM - 1.00
        constByte(summer, 2);
        literals(summer, {0, 1.0});
        rpm(summer, 0);

        const int multiplier = create(ElementType::Multiplier); // 10: RPM x 2 / 3
        rpm(multiplier, 0);
        ecu->SetLiteral(multiplier, 1, 2.0);
        ecu->SetLiteral(multiplier, 2, 3.0);

        const int pid = create(ElementType::PID); // 11
        literals(pid, {10.0, 0, 1.0, 2.0, 0, 0, 0, 0, 0, 0, 0, 10.0});

        const int clipper = create(ElementType::Clipper); // 12
        literals(clipper, {0, 0, 50.0});
        rpm(clipper, 0);

        const int comparator = create(ElementType::Comparator); // 13: RPM > 60.00
        constByte(comparator, 1);
        literals(comparator, {0, 60.0});
        rpm(comparator, 0);

        const int sw = create(ElementType::Switch); // 14
        literals(sw, {1.0, 2.0});
        dig1(sw, 2);

        const int tickbox = create(ElementType::Tickbox); // 15
        constByte(tickbox, 1);
        literals(tickbox, {3.0, 4.0});

        const int mux4 = create(ElementType::Mux4); // 16
        constByte(mux4, 2);
        literals(mux4, {1.0, 2.0, 3.0, 4.0});

        const int timer = create(ElementType::Timer); // 17: held in reload
        literals(timer, {1.0});
        dig1(timer, 1);

        const int latch = create(ElementType::Latch); // 18: edge triggered by default
        rpm(latch, 0);
        dig1(latch, 1);

        const int delay = create(ElementType::Delay); // 19: 100 ms
        ecu->WriteConstWord(ecu->ElementConstOffset[delay], 100);
        rpm(delay, 0);

        const int gauge = create(ElementType::Gauge, 0); // 20
        rpm(gauge, 0);

        const int stepper = create(ElementType::Stepper); // 21: every 5 ms
        literals(stepper, {2.0});

        const int wrapper = create(ElementType::Wrapper); // 22
        literals(wrapper, {0, 0, 10.0});
        rpm(wrapper, 0);

        const int mux32 = create(ElementType::Mux32); // 23
        constByte(mux32, 31);
        ecu->SetLiteral(mux32, 31, 7.0);

        create(ElementType::Label);   // 24
        create(ElementType::Display); // 25
        create(ElementType::Timer);   // 26: never reloaded, elapsed at once
        std::string error;
        EXPECT_TRUE(SettingsFile::save(*ecu, file, error)) << error;
    }
    std::vector<std::string> simulate(std::vector<std::string> extra) {
        std::vector<std::string> args = {"simulate", file,         "--passes",
                                         "100",      "--input",    "RPM / 100=3750",
                                         "--input",  "Dig Inp 1=1"};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }
};

TEST_F(SimulateCliTest, EveryElementTypeGivesItsResult) {
    const char* probes[] = {"6.0",  "7.0",  "7.1",  "7.3",  "8.0",  "8.1",  "8.2",  "9.0",
                            "10.0", "11.0", "11.1", "12.0", "12.1", "13.0", "14.0", "15.0",
                            "16.0", "17.0", "17.1", "18.0", "19.0", "20.0", "21.0", "21.1",
                            "21.2", "22.0", "23.0", "26.0", "0.44", "1.0"};
    std::vector<std::string> extra;
    for (const char* p : probes) {
        extra.push_back("--print");
        extra.push_back(p);
    }
    auto r = runCli(simulate(extra));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "6.0: 125 2.50\n"
                     "7.0: 600 12.00\n"  // cell 2 learnt 4.00: 20.00 + (4.00 - 20.00) / 2
                     "7.1: 2500 50.00\n" // midway: the upper column is the nearest
                     "7.3: 50 1.00\n"    // that cell is tuned now
                     "8.0: 1250 25.00\n"
                     "8.1: 1250 25.00\n"
                     "8.2: 1250 25.00\n"
                     "9.0: 3700 74.00\n"
                     "10.0: 2500 50.00\n"
                     "11.0: 1050 21.00\n" // P 20.00 and ten updates of 0.10
                     "11.1: 50 1.00\n"
                     "12.0: 2500 50.00\n"
                     "12.1: 1250 25.00\n"
                     "13.0: 50 1.00\n"
                     "14.0: 100 2.00\n"
                     "15.0: 200 4.00\n"
                     "16.0: 150 3.00\n"
                     "17.0: 0 0.00\n"
                     "17.1: 50 1.00\n"
                     "18.0: 3750 75.00\n"
                     "19.0: 3750 75.00\n" // sampled at step 10, out at step 100
                     "20.0: 3750 75.00\n"
                     "21.0: 5000 100.00\n"
                     "21.1: 5000 100.00\n"
                     "21.2: 100 2.00\n"
                     "22.0: 250 5.00\n"
                     "23.0: 350 7.00\n"
                     "26.0: 50 1.00\n"
                     "0.44: 3750 75.00\n"
                     "1.0: 0 0.00\n");
    EXPECT_NE(r.err.find("nothing was saved"), std::string::npos) << r.err;

    auto early = runCli({"simulate", file, "--passes", "99", "--input", "RPM / 100=3750", "--print",
                         "19.0", "--print", "7.0"});
    EXPECT_EQ(early.out, "19.0: 0 0.00\n7.0: 2000 40.00\n") << "one pass before the delay";
    EXPECT_TRUE(early.err.empty()) << "nothing learnt without Dig Inp 1";
}

TEST_F(SimulateCliTest, HeldWordsOverrideTheInputsBeforeEveryPass) {
    auto r = runCli(simulate({"--set", "44=-1000", "--set", "45=0", "--print", "9.0", "--print",
                              "17.0", "--passes", "3"}));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "9.0: -1050 -21.00\n17.0: 50 1.00\n");
    r = runCli(simulate({"--set", "44=65535", "--print", "9.0"}));
    EXPECT_EQ(r.out, "9.0: -51 -1.02\n") << "65535 is -1";
}

TEST_F(SimulateCliTest, TraceWritesTheWordsEveryKPasses) {
    const std::string csv = dir.path("trace.csv");
    auto r = runCli(simulate({"--trace", "9.0,19.0,17.1", "--every", "25", csv}));
    ASSERT_EQ(r.code, 0) << r.err;
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(readWholeFile(csv, bytes, error));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "Pass,9.0,19.0,17.1\r\n"
                                                       "25,74.00,0.00,1.00\r\n"
                                                       "50,74.00,0.00,1.00\r\n"
                                                       "75,74.00,0.00,1.00\r\n"
                                                       "100,74.00,75.00,1.00\r\n");
}

TEST_F(SimulateCliTest, LearntTablesAreSavedOnlyWhenAsked) {
    std::vector<uint8_t> before, after, saved;
    std::string error;
    ASSERT_TRUE(readWholeFile(file, before, error));
    ASSERT_EQ(runCli(simulate({})).code, 0);
    ASSERT_TRUE(readWholeFile(file, after, error));
    EXPECT_EQ(before, after);

    const std::string out = dir.path("learnt.ecu");
    auto r = runCli(simulate({"--save", out}));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(r.err.empty());
    SilentMessages quiet;
    auto learnt = std::make_unique<tECU>(quiet);
    ASSERT_TRUE(SettingsFile::load(*learnt, out, error)) << error;
    Tables::Shape s;
    ASSERT_TRUE(Tables::ShapeOf(*learnt, table2D, s));
    EXPECT_EQ(Tables::Cell(*learnt, s, 2, 0), 201);
    EXPECT_EQ(Tables::Cell(*learnt, s, 1, 0), 1000);
}

TEST_F(SimulateCliTest, UsageErrors) {
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{"simulate"}, "missing FILE.ecu"},
        {{"simulate", file, "--print", "99.0"}, "there is no element 99"},
        {{"simulate", file, "--print", "24.0"}, "has no live words"},
        {{"simulate", file, "--print", "9.1"}, "live words 0 to 0"},
        {{"simulate", file, "--print", "9"}, "is not ELEM.OUTPUT"},
        {{"simulate", file, "--input", "Boost=3"}, "no simulator control is called \"Boost\""},
        {{"simulate", file, "--input", "VSS 1=401"}, "\"VSS 1\" takes 0 to 400"},
        {{"simulate", file, "--set", "5000=1"}, "is not WORD=RAW"},
        {{"simulate", file, "--trace", "9.0"}, "--trace and --every K OUT.csv go together"},
        {{"simulate", file, "--passes", "-1"}, "--passes needs a whole number"},
        {{"simulate", file, "--bogus"}, "unknown option"},
    };
    for (const Case& c : cases) {
        auto r = runCli(c.args);
        EXPECT_EQ(r.code, 2) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
    auto missing = runCli({"simulate", dir.path("none.ecu")});
    EXPECT_EQ(missing.code, 1);
}

} // namespace
