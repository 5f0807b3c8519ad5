#include "CliRunner.h"
#include "TempDir.h"
#include "files/AtomicFile.h"
#include "files/NewConfiguration.h"
#include "files/SettingsFile.h"
#include "setup/SetupWizard.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace zolmar;
using zolmar::test::runCli;

namespace {

struct WizardCliTest : ::testing::Test {
    test::TempDir dir;
    std::string in = ZOLMAR_DEFAULT_CONFIG;

    std::vector<uint8_t> bytes(const std::string& path) {
        std::vector<uint8_t> b;
        std::string error;
        EXPECT_TRUE(readWholeFile(path, b, error)) << error;
        return b;
    }
};

TEST_F(WizardCliTest, ShowPrintsTheAnswersAndWiringOfTheOpenedConfiguration) {
    auto r = runCli({"wizard", "--show", in});
    ASSERT_EQ(r.code, 0) << r.err;
    for (const char* line :
         {"Manufacturer: Custom\n", "EngineType: \n", "EngineCap: 1600\n",
          "O2Sensor: Bosch Wideband, 0-1V\n", "IdleController: 2-wire Valve\n",
          "FiringOrder: 1-3-4-2\n", "IgnArrangement: Direct Fire\n",
          "Aux5Func: Based on Coolant Temperature (eg. Thermofan, Over-Heating Warning Light)\n",
          "Inj12Func: Injector 12\n", "AuxEdit5: 95.00\n",
          "Ign4WireLabel: Igniter for Cylinder 4\n"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line;
    EXPECT_EQ(r.out.find("Ign5WireLabel"), std::string::npos);
    EXPECT_EQ(r.out.find("ImportantInfoLabel"), std::string::npos);
}

TEST_F(WizardCliTest, AppliesTheAnswersInOrderExactlyAsFinish) {
    const std::string out = dir.path("out.ecu");
    auto r =
        runCli(test::wizardArgs(in, out,
                                {"Manufacturer=Toyota / Lexus", "Engine=7MGTE", "NumCylinders=6",
                                 "FiringOrder=1", "IgnArrangement=Wasted Spark", "Aux8Func=20",
                                 "AuxEdit8=6500", "TrigOffset=-15", "DBWtickbox=1"}));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "");

    // The same answers through the core.
    SilentMessages quiet;
    auto ecu = std::make_unique<tECU>(quiet);
    std::string error;
    ASSERT_TRUE(SettingsFile::load(*ecu, in, error));
    SetupWizard wizard(*ecu);
    wizard.open();
    using C = WizardControl;
    ASSERT_TRUE(wizard.set(C::Manufacturer, 13));
    ASSERT_TRUE(wizard.set(C::EngineType, 9));
    ASSERT_TRUE(wizard.set(C::NumCylinders, 6));
    ASSERT_TRUE(wizard.set(C::FiringOrder, 1));
    ASSERT_TRUE(wizard.set(C::IgnArrangement, 1));
    ASSERT_TRUE(wizard.set(C::Aux8Func, 20));
    ASSERT_TRUE(wizard.setThreshold(7, 6500));
    ASSERT_TRUE(wizard.set(C::TrigOffset, -15));
    ASSERT_TRUE(wizard.set(C::DBWtickbox, 1));
    ASSERT_TRUE(wizard.finish().missing.empty());
    EXPECT_TRUE(SettingsFile::fromImage(*ecu) == bytes(out));

    auto shown = runCli({"wizard", "--show", out});
    EXPECT_NE(
        shown.out.find("ImportantInfoLabel: NOTE: Can't use standard 'Addressing' Igniter!\n"),
        std::string::npos);
    EXPECT_NE(shown.out.find("FiringOrder: 1-6-5-4-3-2\n"), std::string::npos);
    EXPECT_NE(shown.out.find("Ign2WireLabel: Igniter for Cylinders 6 and 3\n"), std::string::npos);

    // Set Defaults where it stands on the line.
    r = runCli({"wizard", in, dir.path("rx7.ecu"), "--set", "Manufacturer=7", "--set",
                "EngineType=RX7 S4 13B", "--defaults", "--set", "DwellTime=3500"});
    ASSERT_EQ(r.code, 0) << r.err;
    shown = runCli({"wizard", "--show", dir.path("rx7.ecu")});
    EXPECT_NE(shown.out.find("PistonOrRotary: Wankel (Rotary)\n"), std::string::npos);
    EXPECT_NE(shown.out.find("DwellTime: 3500\n"), std::string::npos);
    EXPECT_NE(shown.out.find("Ign4WireLabel: Trail Igniter Addressing signal\n"),
              std::string::npos);
}

TEST_F(WizardCliTest, PrintsWhatItFoundNoElementFor) {
    SilentMessages quiet;
    auto blank = std::make_unique<tECU>(quiet);
    NewConfiguration::MakeBlank(*blank);
    std::string error;
    ASSERT_TRUE(SettingsFile::save(*blank, dir.path("blank.ecu"), error));
    auto r = runCli({"wizard", dir.path("blank.ecu"), dir.path("out.ecu"), "--set",
                     "PistonOrRotary=Wankel (Rotary)"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.find("missing: \"Engine Capacity (Litres)\" (element not found)\n"), 0u);
    EXPECT_NE(r.out.find("missing: \"Trigger Offset (Crank\u00b0)\" (element not found)\n"),
              std::string::npos);
    EXPECT_NE(r.out.find("missing: \"Number of Rotors\""), std::string::npos);
    EXPECT_EQ(r.out.find("Number of Cylinders"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir.path("out.ecu")));
}

TEST_F(WizardCliTest, RefusesUnknownNamesValuesAndDisabledControls) {
    const std::string out = dir.path("never.ecu");
    struct Case {
        std::vector<std::string> args;
        const char* reason;
    };
    const Case cases[] = {
        {{"--set", "Cylinders=4"}, "no wizard control called Cylinders"},
        {{"--set", "NumCylinders=13"}, "NumCylinders: \"13\" is not a whole number from 1 to 12"},
        {{"--set", "FiringOrder=1-2-3"}, "FiringOrder: \"1-2-3\" is not one of its entries"},
        {{"--set", "EngineType=4AGE"}, "EngineType is disabled"},
        {{"--set", "NumRotors=3"}, "NumRotors is disabled"},
        {{"--set", "AuxEdit5=abc"}, "AuxEdit5: \"abc\" is not a number"},
        {{"--set", "AuxEdit5=700"}, "AuxEdit5: 700 is outside the field's range"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"wizard", in, out};
        args.insert(args.end(), c.args.begin(), c.args.end());
        auto r = runCli(args);
        EXPECT_EQ(r.code, 2) << c.reason;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(runCli({"wizard", in}).code, 2);
    EXPECT_EQ(runCli({"wizard", in, out, "--set"}).code, 2);
    EXPECT_EQ(runCli({"wizard", in, out, "--set", "NoEquals"}).code, 2);
    EXPECT_EQ(runCli({"wizard", "--show"}).code, 2);
    EXPECT_EQ(runCli({"wizard", dir.path("absent.ecu"), out}).code, 1);
    EXPECT_NE(runCli({"--help"}).out.find("wizard IN.ecu OUT.ecu"), std::string::npos);
}

} // namespace
