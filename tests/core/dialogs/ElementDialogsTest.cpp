#include "dialogs/ElementDialogs.h"
#include "EditorFixture.h"
#include "dialogs/PartDialogs.h"

#include <gtest/gtest.h>

using namespace zolmar;
using namespace zolmar::Layout;

namespace {

struct ElementDialogsTest : ::testing::Test, test::EditorModel {
    ElementProperties props{*ecu};

    int16_t constWord(int element, int b = 0) const {
        return static_cast<int16_t>(ecu->ReadConstWord(ecu->ElementConstOffset[element] + 2 * b));
    }
    uint8_t constByte(int element, int b) const {
        return ecu->ReadConstByte(ecu->ElementConstOffset[element] + b);
    }
};

TEST_F(ElementDialogsTest, ConstantOkValidatesStoresAndLogs) {
    int k = create(ElementType::Constant, 2, 3, 4, "Boost");
    ASSERT_TRUE(props.open(k));
    EXPECT_EQ(props.constantText(), "0.00");

    // Constants are not restricted to even raw values.
    EXPECT_TRUE(props.constantOk("0.02"));
    EXPECT_EQ(constWord(k), 1);
    EXPECT_EQ(logged(), "The constant value of the constant called Boost on page 3 was "
                        "changed to 0.02\n\r");
    EXPECT_TRUE(props.constantOk("655"));
    EXPECT_EQ(constWord(k), 32750);
    EXPECT_TRUE(props.constantOk("-1.25"));
    EXPECT_EQ(props.constantText(), "-1.24"); // -62.5 rounds to even

    EXPECT_FALSE(props.constantOk("655.01"));
    EXPECT_FALSE(props.constantOk("1,5"));
    EXPECT_FALSE(props.constantOk(""));
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"Number out of range. Allowable range is -655 to +655",
                                        "\"1,5\" not a valid real number",
                                        "\"\" not a valid real number"}));
    EXPECT_EQ(constWord(k), -62);
}

TEST_F(ElementDialogsTest, ConstantArrowsTestTheValueBeforeStepping) {
    int k = create(ElementType::Constant, 2, 3, 4, "c");
    ASSERT_TRUE(props.open(k));
    std::string text = "654.00";
    EXPECT_TRUE(props.constantArrow(text, true));
    EXPECT_EQ(text, "655.00");
    EXPECT_EQ(constWord(k), 32750);
    text = "654.50";
    EXPECT_FALSE(props.constantArrow(text, true));
    EXPECT_EQ(text, "654.50");
    EXPECT_EQ(constWord(k), 32750);
    text = "-654.00";
    EXPECT_TRUE(props.constantArrow(text, false));
    EXPECT_EQ(text, "-655.00");
    text = "-654.02";
    EXPECT_FALSE(props.constantArrow(text, false));
    text = "700";
    EXPECT_FALSE(props.constantArrow(text, true));
    EXPECT_EQ(messages.texts().back(), "Number out of range. Allowable range is -655 to +655");
    // Arrows write without a log line; OK logs.
    EXPECT_EQ(logged(), "");
}

TEST_F(ElementDialogsTest, DelayAcceptsZeroOrTenToFortyThousand) {
    int d = create(ElementType::Delay, 5, 0, 0, "Lag");
    ASSERT_TRUE(props.open(d));
    EXPECT_FALSE(props.delayOk("5"));
    EXPECT_EQ(messages.texts().back(), "Delay must be between 10 and 40000 (when not zero).");
    EXPECT_FALSE(props.delayOk("40001"));
    EXPECT_FALSE(props.delayOk("1e9"));
    EXPECT_EQ(messages.texts().back(), "\"1e9\" not a valid integer number");
    EXPECT_TRUE(props.delayOk("10"));
    EXPECT_TRUE(props.delayOk("40000"));
    EXPECT_EQ(props.delayText(), "40000");
    EXPECT_TRUE(props.delayOk("0"));
    EXPECT_TRUE(props.delayOk("149.6"));
    EXPECT_EQ(constWord(d), 150);
    EXPECT_EQ(logged(), "The Delay value of the Delay called Lag on page 6 was changed to 10\n\r"
                        "The Delay value of the Delay called Lag on page 6 was changed to "
                        "40000\n\r"
                        "The Delay value of the Delay called Lag on page 6 was changed to 0\n\r"
                        "The Delay value of the Delay called Lag on page 6 was changed to "
                        "150\n\r");
}

TEST_F(ElementDialogsTest, GaugeWritesFieldsUpToTheFirstInvalidOne) {
    int g = create(ElementType::Gauge, 1, 0, 0, "RPM");
    ASSERT_TRUE(props.open(g));
    EXPECT_EQ(props.gaugeTexts(), (std::array<std::string, 4>{"0.00", "100.00", "80.00", "90.00"}));
    EXPECT_FALSE(props.gaugeOk({"-5", "abc", "1", "2"}));
    EXPECT_EQ(constWord(g, 0), -250);
    EXPECT_EQ(constWord(g, 1), 5000);
    EXPECT_EQ(messages.texts().back(), "\"abc\" not a valid real number");
    EXPECT_EQ(logged(), "The minimum gauge value of the Gauge called RPM on page 2 was changed "
                        "to -5.00\n\r");
    clearLog();
    EXPECT_TRUE(props.gaugeOk({"1", "2", "3", "4"}));
    EXPECT_EQ(constWord(g, 3), 200);
    EXPECT_NE(logged().find("The hard alarm threshold of the Gauge called RPM on page 2 was "
                            "changed to 4.00\n\r"),
              std::string::npos);
}

TEST_F(ElementDialogsTest, GaugeFlagsAndUniqueNumbers) {
    int a = create(ElementType::Gauge, 1, 0, 0, "A");
    int b = create(ElementType::Gauge, 1, 20, 0, "B");
    ASSERT_TRUE(props.open(a));
    EXPECT_TRUE(props.gaugeFlag(1)); // a new gauge is large
    EXPECT_TRUE(props.setGaugeFlag(0, true));
    EXPECT_FALSE(props.setGaugeFlag(2, true)); // the F2 flag leaves the picture alone
    EXPECT_EQ(constByte(a, 8), 0x07);
    EXPECT_EQ(logged(), "The Gauge called A on page 2 was changed to a Boolean Gauge\n\r"
                        "The Gauge called A on page 2 was set to not be shown on the F2 Gauges "
                        "window\n\r");
    props.setGaugeNumber(3);
    EXPECT_EQ(props.gaugeNumber(), 3);
    ASSERT_TRUE(props.open(b));
    props.setGaugeNumber(3);
    EXPECT_EQ(props.gaugeNumber(), 3);
    EXPECT_EQ((constByte(a, 8) >> 3) & 7, 0); // the number moved to B
    EXPECT_EQ(constByte(a, 8) & 7, 7);        // A's flags are kept
    props.setGaugeNumber(6);                  // outside 0..5: ignored
    EXPECT_EQ(props.gaugeNumber(), 3);
}

TEST_F(ElementDialogsTest, SummerSumClearsTheOutputInversion) {
    int s = create(ElementType::Summer, 2, 0, 0, "S");
    ASSERT_TRUE(props.open(s));
    props.setSummerOperation(2);
    props.setSummerInvert(2, true);
    props.setSummerInvert(0, true);
    EXPECT_EQ(constByte(s, 0), 0x10 | 0x04 | 0x01);
    props.setSummerOperation(0);
    EXPECT_EQ(constByte(s, 0), 0x01);
    EXPECT_FALSE(props.summerInvert(2));
    props.setSummerOperation(3);
    EXPECT_EQ(props.summerOperation(), 3);
    EXPECT_EQ(logged(), "The operation of the Summer called S on page 3 was changed to AND\n\r"
                        "The output of the Summer called S on page 3 was Inverted\n\r"
                        "Input 1 of the Summer called S on page 3 was Inverted\n\r"
                        "The operation of the Summer called S on page 3 was changed to SUM\n\r"
                        "The operation of the Summer called S on page 3 was changed to XOR\n\r");
}

TEST_F(ElementDialogsTest, DropDownsMapToTheirCodes) {
    int c = create(ElementType::Comparator, 2, 0, 0, "C");
    ASSERT_TRUE(props.open(c));
    EXPECT_EQ(props.comparatorEntry(), 0); // created as "Equal to"
    props.setComparatorEntry(4);
    EXPECT_EQ(constByte(c, 0), 5);
    ecu->WriteConstByte(ecu->ElementConstOffset[c], 9);
    EXPECT_EQ(props.comparatorEntry(), -1);

    int st = create(ElementType::Stepper, 2, 0, 10, "St");
    ASSERT_TRUE(props.open(st));
    ecu->WriteConstByte(ecu->ElementConstOffset[st], 0xF8);
    props.setStepperPeriod(5);
    EXPECT_EQ(constByte(st, 0), 0xFD);
    EXPECT_EQ(props.stepperPeriod(), 5);

    int l = create(ElementType::Latch, 2, 0, 20, "L");
    ASSERT_TRUE(props.open(l));
    EXPECT_TRUE(props.latchEdge());
    props.setLatchEdge(false);
    EXPECT_EQ(constByte(l, 0), 0);
    EXPECT_EQ(logged(),
              "The operation of the Comparator called C on page 3 was changed to Greater Than Or "
              "Equal\n\r"
              "The Step Period of the Stepper Block called St on page 3 was changed to 160\n\r"
              "The operation of the Latch called L on page 3 was changed to Level Triggered\n\r");
}

TEST_F(ElementDialogsTest, MuxDescriptionsAndSelection) {
    int m = create(ElementType::Mux32, 2, 0, 0, "M");
    ecu->StructureChanged = false;
    ASSERT_TRUE(props.open(m));
    EXPECT_EQ(props.muxInputs(), 32);
    EXPECT_EQ(props.muxDescription(31), "Input 32");
    props.setMuxDescription(31, "A very long description text");
    EXPECT_EQ(props.muxDescription(31), "A very long desc");
    EXPECT_EQ(ecu->ReadLogicByte(ecu->ElementLogicOffset[m] + 68 + 16 * 31), 'A');
    EXPECT_FALSE(ecu->StructureChanged); // descriptions are cosmetic
    props.setMuxDescription(32, "x");    // no such input: nothing written
    EXPECT_EQ(ecu->ReadLogicByte(ecu->ElementLogicOffset[m] + 580), 0xFF);
    props.selectMuxInput(31);
    EXPECT_EQ(props.muxSelected(), 31);
    EXPECT_EQ(logged(), "The 32-way mux called M on page 3 had input number 32 selected\n\r");
}

TEST_F(ElementDialogsTest, VisibleOnlyInAdvancedKeepsThePage) {
    int k = create(ElementType::Tickbox, 9, 0, 0, "T");
    ecu->StructureChanged = false;
    ASSERT_TRUE(props.open(k));
    props.setVisibleOnlyInAdvanced(true);
    EXPECT_EQ(ecu->ReadLogicByte(ecu->ElementLogicOffset[k] + 3), 0x89);
    EXPECT_TRUE(props.visibleOnlyInAdvanced());
    EXPECT_FALSE(ecu->StructureChanged);
    props.setVisibleOnlyInAdvanced(false);
    EXPECT_EQ(ecu->ReadLogicByte(ecu->ElementLogicOffset[k] + 3), 9);
}

TEST_F(ElementDialogsTest, AdvancedRowsAndLayouts) {
    int lbl = create(ElementType::Label, 2, 0, 0, "Lbl");
    int k = create(ElementType::Constant, 2, 0, 5, "K");
    ASSERT_TRUE(props.open(lbl));
    auto rows = props.advancedRows();
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[4].caption, "Live Size");
    ASSERT_TRUE(props.open(k));
    rows = props.advancedRows();
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[3].value, std::to_string(k));
    EXPECT_EQ(rows[2].value, std::to_string(ecu->ElementLogicOffset[k]));
    EXPECT_EQ(dialogLayout(ElementType::Gauge).caption, "Gauge Properties");
    EXPECT_EQ(dialogKindFor(ElementType::Table3D), DialogKind::TableEditor);
    EXPECT_EQ(dialogKindFor(ElementType::Ignition), DialogKind::Dedicated);
    EXPECT_EQ(dialogKindFor(ElementType::AuxOnInj), DialogKind::Dedicated);
    EXPECT_EQ(dialogKindFor(ElementType::Wrapper), DialogKind::Properties);
    EXPECT_EQ(dialogKindFor(200), DialogKind::None);
    EXPECT_FALSE(props.open(ecu->NumElements));
}

// ---------------------------------------------------------------- Edit Link, name, cosmetic

TEST_F(ElementDialogsTest, LinkLiteralsAreEvenAndLinksPreselectTheirSource) {
    int src = create(ElementType::PID, 4, 0, 0, "Idle");
    int dst = create(ElementType::Summer, 8, 20, 0, "Sum");
    LinkEditor link(*ecu);
    ASSERT_TRUE(link.open(dst, 1, 8));
    EXPECT_FALSE(link.isLink());
    EXPECT_EQ(link.literalText(), "0.00");
    EXPECT_TRUE(link.okLiteral("0.02"));
    EXPECT_EQ(ecu->InputWord(dst, 1), 0);
    EXPECT_TRUE(link.okLiteral("-3.01"));
    EXPECT_EQ(ecu->InputWord(dst, 1), static_cast<uint16_t>(-150));
    EXPECT_FALSE(link.okLiteral("-655.5"));
    EXPECT_TRUE(ecu->StructureChanged);

    ASSERT_TRUE(ecu->LinkInput(dst, 0, src, 1));
    ASSERT_TRUE(link.open(dst, 0, 8));
    EXPECT_TRUE(link.isLink());
    EXPECT_EQ(link.page(), 4);
    // A name that continues an entry sorts before it.
    ASSERT_EQ(link.outputs().items, (std::vector<std::string>{"Idle.Integral", "Idle"}));
    EXPECT_EQ(link.outputs().selected, 0);
    EXPECT_EQ(link.pages().items.size(), 128u);
    link.choosePage(8);
    EXPECT_EQ(link.outputs().items, (std::vector<std::string>{"Sum"}));
    EXPECT_EQ(link.outputs().selected, -1);
    EXPECT_FALSE(link.okLink(-1));
    EXPECT_EQ(messages.texts().back(), "You must select an output for this screen");
    link.choosePage(4);
    EXPECT_TRUE(link.okLink(1));
    EXPECT_EQ(ecu->InputWord(dst, 0), (ecu->ElementLiveOffset[src]) | 1);
    EXPECT_EQ(logged(),
              "Assigned a literal/constant value of 0.00 to input 2 of the element called Sum on "
              "page 9\n\r"
              "Assigned a literal/constant value of -3.00 to input 2 of the element called Sum "
              "on page 9\n\r"
              "Created a link from Pg5.Idle to input 1 of the element called Sum on page 9\n\r");
}

TEST_F(ElementDialogsTest, LinkToNowhereShowsPageOneAndNoOutput) {
    int dst = create(ElementType::Display, 2, 0, 0, "D");
    ecu->WriteLogicWord(ecu->InputWordAddress(dst, 0), 0x1FFF, false);
    LinkEditor link(*ecu);
    ASSERT_TRUE(link.open(dst, 0, 8));
    EXPECT_TRUE(link.isLink());
    EXPECT_EQ(link.page(), 0);
    EXPECT_EQ(link.outputs().selected, -1);
    EXPECT_FALSE(link.open(dst, 1, 2)); // a Display has one input
}

TEST_F(ElementDialogsTest, NamesAreCutToTwentyFourBytes) {
    int k = create(ElementType::Constant, 2, 0, 0, "K");
    NameEditor name(*ecu);
    name.open(kNumPages + k);
    EXPECT_EQ(name.caption(), "Edit Element name");
    EXPECT_EQ(name.text(), "K");
    name.ok("123456789012345678901234567");
    EXPECT_EQ(ecu->ExactNameOf(kNumPages + k), "123456789012345678901234");
    name.open(6);
    EXPECT_EQ(name.caption(), "Edit Page Name for page 7");
    name.ok("");
    EXPECT_EQ(ecu->ExactNameOf(6), "");
}

TEST_F(ElementDialogsTest, CosmeticOkClearsTheAdvancedBitAndGuardsTheGaugePage) {
    int k = create(ElementType::Constant, 3, 7, 8, "K");
    ecu->WriteLogicByte(ecu->ElementLogicOffset[k] + 3, 0x83, true);
    ecu->StructureChanged = false;
    CosmeticEditor cosmetic(*ecu);
    cosmetic.open(ecu->ElementLogicOffset[k]);
    EXPECT_EQ(cosmetic.page(), 4);
    EXPECT_EQ(cosmetic.x(), 7);
    EXPECT_TRUE(cosmetic.ok(120, 8, 4));
    EXPECT_EQ(ecu->ReadLogicByte(ecu->ElementLogicOffset[k] + 3), 3);
    EXPECT_EQ(ecu->ColumnOf(k), 120);
    EXPECT_FALSE(ecu->StructureChanged);
    EXPECT_FALSE(cosmetic.ok(1, 1, 1));
    EXPECT_EQ(messages.texts().back(), "This page can only contain Gauge elements or Labels");
    EXPECT_EQ(ecu->ColumnOf(k), 120);
}

TEST(DisplayOptionsTest, DefaultsAndStoredForms) {
    MemoryPreferences prefs;
    DisplayOptions o = DisplayOptions::load(prefs);
    EXPECT_FALSE(o.advancedProperties);
    EXPECT_FALSE(o.showAllOutputs);
    EXPECT_EQ(o.maxPerColumn, 13);
    DisplayOptions::storeAdvancedProperties(prefs, true);
    DisplayOptions::storeShowAllOutputs(prefs, true);
    EXPECT_EQ(DisplayOptions::storeMaxPerColumn(prefs, 25), 20);
    EXPECT_EQ(prefs.values["DontShowAdvProps"], "DoShow");
    EXPECT_EQ(prefs.values["MaxPerColumn"], "20");
    o = DisplayOptions::load(prefs);
    EXPECT_TRUE(o.advancedProperties);
    EXPECT_TRUE(o.showAllOutputs);
    EXPECT_EQ(o.maxPerColumn, 20);
    // Any stored text but "DontShow" shows the section; only "DoShow" shows all outputs.
    prefs.values["DontShowAdvProps"] = "yes";
    prefs.values["ShowUnusedLiveVals"] = "yes";
    prefs.values["MaxPerColumn"] = "0";
    o = DisplayOptions::load(prefs);
    EXPECT_TRUE(o.advancedProperties);
    EXPECT_FALSE(o.showAllOutputs);
    EXPECT_EQ(o.maxPerColumn, 13);
    DisplayOptions::storeAdvancedProperties(prefs, false);
    EXPECT_FALSE(DisplayOptions::load(prefs).advancedProperties);
}

} // namespace
