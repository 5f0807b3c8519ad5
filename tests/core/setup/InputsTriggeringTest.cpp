#include "setup/InputsTriggering.h"
#include "EditorFixture.h"
#include "files/NewConfiguration.h"
#include "model/PinTable.h"

#include <gtest/gtest.h>

using namespace zolmar;

namespace {

struct InputsTriggeringTest : ::testing::Test, test::EditorModel {
    InputsTriggering inputs{*ecu};
    void SetUp() override {
        ASSERT_EQ(ecu->TypeOf(0), ElementType::Inputs);
        ASSERT_TRUE(inputs.open(0));
    }
    uint8_t at(int a) const { return ecu->ReadConstByte(a); }
    uint16_t word(int a) const { return ecu->ReadConstWord(a); }
};

TEST_F(InputsTriggeringTest, OpensOnlyOnTheInputsElement) {
    InputsTriggering other(*ecu);
    EXPECT_FALSE(other.open(1));
    EXPECT_FALSE(other.open(-1));
    EXPECT_FALSE(other.open(ecu->NumElements));
    EXPECT_FALSE(other.ok({"1", "1", "1", "1"})); // never writes without an element
    EXPECT_EQ(word(24), 0);
}

TEST_F(InputsTriggeringTest, BitControlsKeepTheOtherBitsAndLogTheirLines) {
    ecu->WriteConstByte(16, 0xA0);
    inputs.setPullUp(3, true);
    EXPECT_EQ(at(16), 0xA4);
    EXPECT_TRUE(inputs.pullUp(3));
    inputs.setPullUp(8, false);
    EXPECT_EQ(at(16), 0x24);
    EXPECT_EQ(ecu->SyncAt(Layout::kConstBase + 16), Sync::ToWrite);

    // Triggers 2/3 set two bits of 17 and one of 22.
    ecu->WriteConstByte(17, 0xE0);
    ecu->WriteConstByte(22, 0x01);
    inputs.setTriggerDigital(1, true);
    EXPECT_EQ(at(17), 0xE6);
    EXPECT_EQ(at(22), 0x41);
    EXPECT_TRUE(inputs.triggerDigital(1));
    inputs.setTriggerDigital(2, true);
    inputs.setTriggerDigital(1, false);
    EXPECT_EQ(at(17), 0xF8);
    EXPECT_EQ(at(22), 0x81);

    inputs.setVssDigital(2, false);
    EXPECT_EQ(at(17), 0x78);
    EXPECT_FALSE(inputs.vssDigital(2));
    EXPECT_TRUE(inputs.vssDigital(1));

    inputs.setFallingEdge(5, true);
    inputs.setFallingEdge(1, false);
    EXPECT_EQ(at(22), 0x90);
    EXPECT_TRUE(inputs.fallingEdge(5));

    ecu->WriteConstByte(23, 0x05);
    inputs.setSwapCas(true);
    inputs.setTwoMissingTeeth(true);
    EXPECT_EQ(at(23), 0xC5);
    inputs.setSwapCas(false);
    EXPECT_EQ(at(23), 0x85);

    EXPECT_EQ(logged(), "Enabled Pull Up for Digital Input 3\n\r"
                        "Disabled Pull Up for Digital Input 8\n\r"
                        "Selected Digital mode for Triggers 2 and 3\n\r"
                        "Selected Digital mode for Triggers 4 and 5\n\r"
                        "Selected Reluctor mode for Triggers 2 and 3\n\r"
                        "Selected Reluctor mode for VSS 3 and VSS 4\n\r"
                        "Selected Falling Edge mode for Trigger 5\n\r"
                        "Selected Rising Edge mode for Trigger 1\n\r"
                        "CAS 1 and CAS 2 set to be SWAPPED\n\r"
                        "Specified 2 missing teeth on crank\n\r"
                        "CAS 1 and CAS 2 set to normal (NOT swapped)\n\r");
}

TEST_F(InputsTriggeringTest, ListsWriteTheirIndexAndRefuseEntriesOutsideThem) {
    inputs.setSerialType(2, 7);
    EXPECT_EQ(at(8), 7);
    inputs.setSerialType(1, 8); // no such entry: nothing written
    EXPECT_EQ(at(0), 0);
    inputs.setReset(1, 4);
    inputs.setReset(3, 6);
    inputs.setReset(2, 5);
    inputs.setReset(2, 7);
    EXPECT_EQ(at(26), 4);
    EXPECT_EQ(at(27), 5);
    EXPECT_EQ(at(28), 6);
    // "Period only" has no log line.
    EXPECT_EQ(logged(),
              "Serial Input 2 Type changed to 7\n\r"
              "Reset Mode 1 was changed to Missing Tooth Equals First Half Only Reset\n\r"
              "Reset Mode 2 was changed to Missing Tooth On Cam Equals First Half Only\n\r");
    // Stored values outside a list select nothing.
    ecu->WriteConstByte(0, 200);
    ecu->WriteConstByte(26, 5);
    EXPECT_EQ(inputs.serialType(1), -1);
    EXPECT_EQ(inputs.reset(1), -1);
    EXPECT_EQ(inputs.reset(3), 6);
}

TEST_F(InputsTriggeringTest, SuzukiGtiMakesAllTriggersReluctorAndKeepsTheFlags) {
    ecu->WriteConstByte(17, 0xFF);
    ecu->WriteConstByte(22, 0xFF);
    ecu->WriteConstByte(23, 0xC0);
    clearLog();
    inputs.setSpecialMode(2);
    EXPECT_EQ(at(17) & 0x1F, 0);
    EXPECT_EQ(at(17) & 0xE0, 0xE0); // VSS bits untouched
    EXPECT_EQ(at(22) & 0xE0, 0);
    EXPECT_EQ(at(22) & 0x1F, 0x1F); // edges untouched
    EXPECT_EQ(at(23), 0xC2);
    for (int g = 0; g < 3; ++g)
        EXPECT_FALSE(inputs.triggerDigital(g));
    auto e = inputs.enables();
    EXPECT_FALSE(e.twoMissingTeeth);
    EXPECT_FALSE(e.angleIncrement);
    EXPECT_FALSE(e.resets);
    EXPECT_FALSE(e.edges);
    EXPECT_EQ(e.triggerPairs, (std::array<bool, 3>{false, true, true}));
    EXPECT_EQ(logged(), "Special Trigger Mode was changed to Suzuki GTi\n\r"
                        "Selected Reluctor mode for Trigger 1\n\r"
                        "Selected Reluctor mode for Triggers 2 and 3\n\r"
                        "Selected Reluctor mode for Triggers 4 and 5\n\r");
}

TEST_F(InputsTriggeringTest, ModeMasksDecideTheTriggerPairs) {
    inputs.setSpecialMode(19); // Audi: nothing selectable, 2/3 and 4/5 digital
    EXPECT_EQ(inputs.enables().triggerPairs, (std::array<bool, 3>{false, false, false}));
    EXPECT_FALSE(inputs.triggerDigital(0));
    EXPECT_TRUE(inputs.triggerDigital(1));
    EXPECT_TRUE(inputs.triggerDigital(2));
    EXPECT_EQ(at(17), 0x1E);

    inputs.setSpecialMode(16); // Nissan: only 4/5 selectable, all digital
    EXPECT_EQ(inputs.enables().triggerPairs, (std::array<bool, 3>{false, false, true}));
    EXPECT_EQ(at(17), 0x1F);
    EXPECT_EQ(at(22) & 0xE0, 0xE0);

    // Back to the generic mode: everything selectable, the choices kept.
    inputs.setTriggerDigital(0, false);
    inputs.setSpecialMode(0);
    auto e = inputs.enables();
    EXPECT_EQ(e.triggerPairs, (std::array<bool, 3>{true, true, true}));
    EXPECT_TRUE(e.edges && e.resets && e.angleIncrement);
    EXPECT_FALSE(inputs.triggerDigital(0));
    EXPECT_TRUE(inputs.triggerDigital(2));
    EXPECT_EQ(at(17), 0x1E);

    // A stored mode outside the list behaves as a special mode with no choice.
    ecu->WriteConstByte(23, 0x3F);
    EXPECT_EQ(inputs.specialModeEntry(), -1);
    EXPECT_EQ(inputs.enables().triggerPairs, (std::array<bool, 3>{false, false, false}));
    EXPECT_FALSE(inputs.enables().edges);
}

TEST_F(InputsTriggeringTest, TwoMissingTeethNeedsAResetModeAndTheGenericMode) {
    EXPECT_FALSE(inputs.enables().twoMissingTeeth);
    inputs.setReset(1, 2);
    EXPECT_TRUE(inputs.enables().twoMissingTeeth);
    inputs.setSpecialMode(4);
    EXPECT_FALSE(inputs.enables().twoMissingTeeth);
    inputs.setSpecialMode(0);
    inputs.setReset(1, 0);
    EXPECT_FALSE(inputs.enables().twoMissingTeeth);
}

TEST_F(InputsTriggeringTest, OkWritesTheEditFieldsInOrderUntilOneFails) {
    clearLog();
    ASSERT_TRUE(inputs.ok({"10", "10", "-20.5", "655"}));
    EXPECT_EQ(word(24), 500);
    EXPECT_EQ(word(38), 910); // round(910.2), no trigger offset element
    EXPECT_EQ(word(40), static_cast<uint16_t>(-1866));
    EXPECT_EQ(word(42), 59620);
    EXPECT_EQ(logged(), "Angle Increment was changed to 10.00\n\r"
                        "Knock start angle was changed to 10.00\n\r"
                        "Knock End Angle was changed to -20.50\n\r"
                        "Knock step angle was changed to 655.00\n\r");
    auto texts = inputs.editTexts();
    EXPECT_EQ(texts[0], "10.00");
    EXPECT_EQ(texts[1], "10.00");
    EXPECT_EQ(texts[2], "-20.50");

    // A knock step of 720 is refused; the fields before it are written.
    EXPECT_FALSE(inputs.ok({"3", "1", "2", "720"}));
    EXPECT_EQ(messages.shown.back().text, "Number out of range. Allowable range is -655 to +655");
    EXPECT_EQ(word(24), 150);
    EXPECT_EQ(word(42), 59620);
    EXPECT_FALSE(inputs.ok({"4", "abc", "2", "1"}));
    EXPECT_EQ(messages.shown.back().text, "\"abc\" not a valid real number");
    EXPECT_EQ(word(24), 200);
    EXPECT_EQ(word(38), 91);
}

TEST_F(InputsTriggeringTest, KnockAnglesCarryTheTriggerOffset) {
    int offset = create(ElementType::Constant, 1, 2, 2, "Trigger Offset (Crank\xB0)");
    ASSERT_GE(offset, 0);
    // -60 crank degrees: -3000 in 1/50 units, -5461 cycle units.
    ecu->WriteConstWord(ecu->ElementConstOffset[offset], static_cast<uint16_t>(-3000));
    ASSERT_TRUE(inputs.open(0));
    EXPECT_EQ(inputs.triggerOffset(), -5461);
    ASSERT_TRUE(inputs.ok({"0", "-310", "300", "5"}));
    // -310 degrees is -28217 units; with the offset it wraps past -32768.
    EXPECT_EQ(word(38), static_cast<uint16_t>(-28217 - 5461));
    EXPECT_EQ(word(40), static_cast<uint16_t>(27307 - 5461));
    EXPECT_EQ(word(42), 455); // the step has no offset
    auto texts = inputs.editTexts();
    EXPECT_EQ(texts[1], "-310.00");
    EXPECT_EQ(texts[2], "300.00");
    EXPECT_EQ(texts[3], "5.00");
}

TEST_F(InputsTriggeringTest, OkTakesTheTriggerOffsetAsItIsThenAndRefusesAnotherConfiguration) {
    int offset = create(ElementType::Constant, 1, 2, 2, "Trigger Offset (Crank\xB0)");
    ASSERT_TRUE(inputs.open(0));
    // The offset changes while the dialog is open (in the simple view, say): OK stores
    // the knock window relative to TDC with the offset of now.
    ecu->WriteConstWord(ecu->ElementConstOffset[offset], static_cast<uint16_t>(-3000));
    ASSERT_TRUE(inputs.ok({"0", "10", "20", "5"}));
    EXPECT_EQ(word(38), static_cast<uint16_t>(910 - 5461));
    EXPECT_EQ(inputs.editTexts()[1], "10.00");

    // Another configuration with its Inputs element at the same place: nothing written.
    NewConfiguration::MakeBlank(*ecu);
    EXPECT_FALSE(inputs.stillOpen());
    EXPECT_FALSE(inputs.ok({"0", "30", "40", "5"}));
    EXPECT_EQ(word(38), 0);
}

TEST_F(InputsTriggeringTest, VssPeriodsAreClampedAndLearnedFromLiveValues) {
    inputs.setVssPeriod(4, 12345);
    EXPECT_EQ(word(36), 10000);
    inputs.setVssPeriod(1, 250);
    EXPECT_EQ(word(30), 250);
    EXPECT_EQ(logged(), "Changed VSS 4 Period to 10000\n\rChanged VSS 1 Period to 250\n\r");

    long live = Layout::kLiveBase + ecu->ElementLiveOffset[0] + 40;
    ecu->SetImageWord(live, 1249, false);      // VSS 1: 1249 * 40 / 50 = 999.2
    ecu->SetImageWord(live + 2, 50, false);    // VSS 2
    ecu->SetImageWord(live + 6, 65535, false); // VSS 4: beyond the range
    EXPECT_FALSE(inputs.learnVehicleSpeed());  // no live values
    EXPECT_EQ(word(30), 250);
    ecu->Simulating = true;
    ASSERT_TRUE(inputs.learnVehicleSpeed());
    EXPECT_EQ(word(30), 999);
    EXPECT_EQ(word(32), 40);
    EXPECT_EQ(word(34), 0);
    EXPECT_EQ(word(36), 10000);
}

TEST_F(InputsTriggeringTest, DigitalInputsShowTheirPinNames) {
    PinTable::SetPinName(*ecu, (0x2B0 - 0xB0) / 8, "Clutch");
    EXPECT_EQ(inputs.digitalPinName(8), "'Clutch'");
    EXPECT_EQ(inputs.digitalPinName(9), "");
}

TEST(PeriodAngleOffset, AnglesAboveHalfACycleCountBackwards) {
    EXPECT_EQ(InputsTriggering::periodAngleOffset(0), 0);
    EXPECT_EQ(InputsTriggering::periodAngleOffset(360), 360);
    EXPECT_EQ(InputsTriggering::periodAngleOffset(361), -359);
    EXPECT_EQ(InputsTriggering::periodAngleOffset(720), 0);
    EXPECT_EQ(InputsTriggering::periodAngleText(361),
              "Resulting Period Angle Offset (from -360 to +360)  =  -359");
}

} // namespace
