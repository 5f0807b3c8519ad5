#include "setup/DedicatedFunctions.h"
#include "EditorFixture.h"
#include "model/PinTable.h"
#include "setup/LoggingChannels.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace zolmar;

namespace {

struct DedicatedFunctionsTest : ::testing::Test, test::EditorModel {
    uint8_t at(int a) const { return ecu->ReadConstByte(a); }
    void reset() {
        ecu->ConstantsChanged = false;
        clearLog();
    }
};

TEST_F(DedicatedFunctionsTest, EachDialogOpensOnlyOnItsType) {
    EXPECT_TRUE(AnalogueInputsSettings(*ecu).open(1));
    EXPECT_FALSE(AnalogueInputsSettings(*ecu).open(2));
    EXPECT_TRUE(AuxOutputsSettings(*ecu).open(2));
    EXPECT_FALSE(AuxOutputsSettings(*ecu).open(3));
    EXPECT_TRUE(InjectorSettings(*ecu).open(3));
    EXPECT_TRUE(IgnitionSettings(*ecu).open(4));
    EXPECT_TRUE(GeneralSettings(*ecu).open(5));
    EXPECT_FALSE(GeneralSettings(*ecu).open(ecu->NumElements));
    // Writes without an open element change nothing.
    IgnitionSettings closed(*ecu);
    closed.setInvert(0, true);
    EXPECT_EQ(at(291), 0);
}

TEST_F(DedicatedFunctionsTest, AnalogueBiasIsBitZero) {
    AnalogueInputsSettings analogue(*ecu);
    ASSERT_TRUE(analogue.open(1));
    ecu->WriteConstByte(256, 0xF0);
    reset();
    analogue.setTemperatureBias(true);
    EXPECT_EQ(at(256), 0xF1);
    EXPECT_TRUE(analogue.temperatureBias());
    EXPECT_FALSE(ecu->ConstantsChanged);
    analogue.setTemperatureBias(false);
    EXPECT_EQ(at(256), 0xF0);
    EXPECT_EQ(logged(), "Enabled Temperature Bias with the Analogue Dedicated Element\n\r"
                        "Disabled Temperature Bias with the Analogue Dedicated Element\n\r");
}

TEST_F(DedicatedFunctionsTest, AuxOutputsCopyInvertAndDriveHigh) {
    AuxOutputsSettings aux(*ecu);
    ASSERT_TRUE(aux.open(2));
    EXPECT_FALSE(aux.spareInjectors());
    EXPECT_EQ(aux.caption(), "Aux Outputs");
    EXPECT_EQ(aux.copyEntries().front(), "None");
    EXPECT_EQ(aux.copyEntries().back(), "Aux 8");
    ecu->WriteConstByte(257 + 2, 0x50);
    reset();
    aux.setCopyEntry(2, 6); // channel 6: 8 + 5
    EXPECT_EQ(at(259), 0x5D);
    EXPECT_EQ(aux.copyEntry(2), 6);
    EXPECT_TRUE(ecu->ConstantsChanged);
    aux.setInvert(2, true);
    aux.setDriveHigh(2, true);
    EXPECT_EQ(at(259), 0xFD);
    aux.setCopyEntry(2, 0);
    EXPECT_EQ(at(259), 0xF0);
    EXPECT_EQ(aux.copyEntry(2), 0);
    aux.setCopyEntry(2, 9); // no such entry
    EXPECT_EQ(at(259), 0xF0);
    EXPECT_EQ(logged(), "Set Output 3 to copy the behaviour of Output 6\n\r"
                        "Inverted Output 3\n\r"
                        "Enabled Drive High for Aux Output 3\n\r"
                        "Set Output 3 to not copy any other output\n\r");
    PinTable::SetPinName(*ecu, 40, "Fan");
    EXPECT_EQ(aux.pinName(7), "'Fan'");
}

TEST_F(DedicatedFunctionsTest, SpareInjectorFormFreesTheInjectorOutput) {
    int spare = create(ElementType::AuxOnInj, 3, 10, 10, "Spare");
    ASSERT_GE(spare, 0);
    AuxOutputsSettings aux(*ecu);
    ASSERT_TRUE(aux.open(spare));
    EXPECT_TRUE(aux.spareInjectors());
    EXPECT_EQ(aux.outputNames().front(), "Aux on Inj 5");
    reset();
    aux.setUseAsAux(1, true);
    EXPECT_EQ(at(276), 0x80); // injector output 6
    EXPECT_TRUE(aux.useAsAux(1));
    InjectorSettings injectors(*ecu);
    ASSERT_TRUE(injectors.open(3));
    EXPECT_TRUE(injectors.useAsAux(5));
    // The spare form has no high-side drive.
    aux.setDriveHigh(0, true);
    EXPECT_EQ(at(ecu->ElementConstOffset[spare]), 0);
    PinTable::SetPinName(*ecu, 4, "Pump");
    EXPECT_EQ(aux.pinName(0), "'Pump'");
    EXPECT_EQ(logged(), "Selected to use Injector output 6 as an Aux Output\n\r");

    // Once the element is gone an open dialog writes nothing, not even elsewhere.
    ecu->DeleteElement(spare);
    EXPECT_FALSE(aux.stillOpen());
    uint8_t before[Layout::kConstSize];
    std::memcpy(before, ecu->Image + Layout::kConstBase, sizeof before);
    aux.setInvert(0, true);
    aux.setUseAsAux(2, true);
    aux.setCopyEntry(0, 3);
    EXPECT_EQ(std::memcmp(before, ecu->Image + Layout::kConstBase, sizeof before), 0);
    EXPECT_EQ(logged(), "Selected to use Injector output 6 as an Aux Output\n\r");
}

TEST_F(DedicatedFunctionsTest, InjectorOutputsKeepTheirOtherBits) {
    InjectorSettings inj(*ecu);
    ASSERT_TRUE(inj.open(3));
    ecu->WriteConstByte(265 + 5, 0x80); // output 3 with bit 7 set
    ecu->WriteConstByte(265 + 25, 0x3E);
    reset();
    EXPECT_FALSE(inj.useAsAux(2)); // never shown for outputs 1..4
    inj.setUseAsAux(2, false);
    EXPECT_EQ(at(270), 0x80);
    inj.setPattern(2, 1);
    inj.setDivideBy10(2, true);
    EXPECT_EQ(at(270), 0x94);
    EXPECT_EQ(inj.pattern(2), 1);
    inj.setCurrent(3);
    inj.setMode(1);
    EXPECT_EQ(at(290), 0xFF);
    EXPECT_EQ(inj.current(), 3);
    EXPECT_EQ(ecu->OutputCount(ElementType::Injectors), 1); // the multiburst form
    inj.setPeakTime(0, 1020);
    inj.setPeakTime(1, 0);
    EXPECT_EQ(at(337), 0x00);
    EXPECT_EQ(at(338), 0xFF);
    inj.setPeakTime(1, 403); // the spin edit's steps of 4
    EXPECT_EQ(inj.peakTime(1), 400);
    EXPECT_TRUE(ecu->ConstantsChanged);
    EXPECT_EQ(logged(), "Changed the firing pattern of Injector Output 3 to Specified Angle and "
                        "Specified Angle plus 360\n\r"
                        "Chose to Divide Injection Duration by 10 for Injector Output 3\n\r"
                        "The Injector Current was changed to 1.9 Amps\n\r"
                        "The Injection mode was changed to multiburst\n\r"
                        "The Peak Time for Injector Outputs 1-6 was changed to 1020\xB5s\n\r"
                        "The Peak Time for Injector Outputs 7-12 was changed to 0\xB5s\n\r"
                        "The Peak Time for Injector Outputs 7-12 was changed to 400\xB5s\n\r");
}

TEST_F(DedicatedFunctionsTest, IgnitionPatternInvertAndOr) {
    IgnitionSettings ign(*ecu);
    ASSERT_TRUE(ign.open(4));
    ecu->WriteConstByte(291 + 6, 0xF8);
    reset();
    ign.setPattern(6, 1);
    EXPECT_EQ(at(297), 0xF9); // invert kept
    EXPECT_TRUE(ign.invert(6));
    ign.setInvert(6, false);
    EXPECT_EQ(at(297), 0xF1);
    ign.setOrWithNext(6, true);
    ign.setOrWithNext(7, true); // the last output has no next one
    EXPECT_EQ(at(318), 0x40);
    EXPECT_TRUE(ign.orWithNext(6));
    EXPECT_FALSE(ign.orAllowed(7));
    ecu->WriteConstByte(291, 5); // a pattern outside the list
    EXPECT_EQ(ign.pattern(0), -1);
    EXPECT_EQ(logged(), "Changed the firing pattern of Ignition Output 7 to Specified Angle and "
                        "Specified Angle plus 360\n\r"
                        "Uninverted Ignition Output 7\n\r"
                        "Ignition Output 7 was ORed with Ignition Output 8\n\r");
}

TEST_F(DedicatedFunctionsTest, GeneralFieldsAndLoggingChannels) {
    int map = create(ElementType::Gauge, 0, 1, 1, "MAP");
    int valid = create(ElementType::Gauge, 0, 1, 5, "MAP Valid");
    int elsewhere = create(ElementType::Gauge, 2, 1, 9, "RPM");
    ASSERT_GE(elsewhere, 0);
    LoggingChannels::Assign(*ecu, 3, elsewhere);
    GeneralSettings general(*ecu);
    ASSERT_TRUE(general.open(5));
    EXPECT_EQ(general.gaugeNames(), (std::vector<std::string>{"MAP", "MAP Valid"}));
    // A channel whose gauge is not on page 0 selects nothing and loses its validity word.
    EXPECT_EQ(general.channelEntry(3), -1);
    EXPECT_EQ(LoggingChannels::Read(*ecu, 3).validAddress, LoggingChannels::kNone);
    general.setChannelEntry(3, 0);
    EXPECT_EQ(general.channelEntry(3), 0);
    EXPECT_EQ(LoggingChannels::Read(*ecu, 3).validAddress, ecu->ElementLiveOffset[valid]);
    EXPECT_EQ(LoggingChannels::GaugeOf(*ecu, 3), map);

    ecu->WriteConstByte(301, 0xC0);
    general.setLoggingPeriod(6);
    general.setForceLogging(true);
    EXPECT_EQ(at(301), 0xE6);
    EXPECT_TRUE(general.logToFlash() && general.logToUsb());
    general.setHeadphones(3, 2, true);
    EXPECT_EQ(at(302), 0x1B);
    EXPECT_EQ(general.knock(2), 2);
    general.setIgnitionPower(2);
    general.setIgnitionPower(3); // no such entry
    EXPECT_EQ(general.ignitionPower(), 2);
    EXPECT_EQ(logged(), ""); // the general settings log nothing
}

} // namespace
