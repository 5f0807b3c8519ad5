#include "editor/SimpleSheets.h"
#include "../tables/TableTestSupport.h"

using namespace zolmar;
using namespace zolmar::SimpleSheets;

namespace {

struct SimpleSheetsTest : test::TableFixture {
    int create(int type, int page, int row, const std::string& name) {
        int index = -1;
        EXPECT_TRUE(ecu->CreateElement(type, 1, row, name, page, &index));
        return index;
    }
    void describe(int element, int at, const std::string& text) {
        for (int k = 0; k < 16; ++k)
            ecu->WriteLogicByte(ecu->ElementLogicOffset[element] + at + k,
                                k < static_cast<int>(text.size()) ? text[k] : 0, false);
    }
    const Sheet* sheetOf(const Sheets& s, int page) {
        for (const auto& sheet : s.sheets)
            if (sheet.page == page)
                return &sheet;
        return nullptr;
    }
    const Control* controlOf(const Sheets& s, int element) {
        for (const auto& sheet : s.sheets)
            for (const auto& c : sheet.controls)
                if (c.element == element)
                    return &c;
        return nullptr;
    }
};

TEST_F(SimpleSheetsTest, SlotsFollowTheDiagramRowsThenTheIndexOrder) {
    int late = create(ElementType::Constant, 9, 10, "Late");
    int early = create(ElementType::Constant, 9, 3, "Early");
    int same1 = create(ElementType::Tickbox, 9, 5, "Same A");
    int same2 = create(ElementType::Delay, 9, 5, "Same B");
    create(ElementType::Summer, 9, 1, "Not a setting");
    Sheets s = Build(*ecu, 13);
    const Sheet* sheet = sheetOf(s, 9);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->caption, ecu->NameOf(9));
    EXPECT_EQ(controlOf(s, early)->slot, 0);
    EXPECT_EQ(controlOf(s, same1)->slot, 1);
    EXPECT_EQ(controlOf(s, same2)->slot, 2);
    EXPECT_EQ(controlOf(s, late)->slot, 3);
    EXPECT_EQ(sheet->controls.size(), 4u);
    const Control* k = controlOf(s, late);
    EXPECT_EQ(k->kind, ControlKind::Numeric);
    EXPECT_EQ(k->labelBox.x, 10);
    EXPECT_EQ(k->box.x, 157);
    EXPECT_EQ(k->box.y, 100);
    EXPECT_EQ(k->labelBox.y, 103);
    EXPECT_EQ(controlOf(s, same2)->kind, ControlKind::SpinEdit);
}

TEST_F(SimpleSheetsTest, FourteenthSettingStartsTheSecondColumn) {
    int last = -1;
    for (int k = 0; k < 14; ++k)
        last = create(ElementType::Constant, 10, k, "K" + std::to_string(k));
    Sheets s = Build(*ecu, 13);
    EXPECT_EQ(controlOf(s, last)->labelBox.x, 280);
    EXPECT_EQ(controlOf(s, last)->box.y, 10);
    Sheets five = Build(*ecu, 5);
    EXPECT_EQ(controlOf(five, last)->labelBox.x, 2 * 270 + 10);
    EXPECT_EQ(controlOf(five, last)->box.y, 3 * 30 + 10);
}

TEST_F(SimpleSheetsTest, AdvancedOnlySettingsGiveAnEmptySheetAndGaugePageNone) {
    int hidden = create(ElementType::Constant, 11, 0, "Hidden");
    ecu->WriteLogicByte(ecu->ElementLogicOffset[hidden] + 3, 11 | 0x80, false);
    ecu->RebuildIndex(true, true);
    Sheets s = Build(*ecu, 13);
    ASSERT_NE(sheetOf(s, 11), nullptr);
    EXPECT_TRUE(sheetOf(s, 11)->controls.empty());
    EXPECT_EQ(sheetOf(s, 0), nullptr);
    EXPECT_EQ(sheetOf(s, 12), nullptr);
}

TEST_F(SimpleSheetsTest, ControlsArePresetFromTheConstants) {
    int k = create(ElementType::Constant, 2, 0, "Boost");
    ecu->WriteConstWord(ecu->ElementConstOffset[k], 12345);
    int t = create(ElementType::Tickbox, 2, 1, "Fan");
    ecu->WriteConstByte(ecu->ElementConstOffset[t], 3);
    int m = create(ElementType::Mux32, 2, 2, "Select");
    describe(m, 68 + 16 * 4, "Fifth");
    describe(m, 68, "");
    ecu->WriteConstByte(ecu->ElementConstOffset[m], 0xE4); // AND 31 = 4
    int table = create(ElementType::Table3D, 2, 3, "VE");
    Sheets s = Build(*ecu, 13);
    EXPECT_DOUBLE_EQ(controlOf(s, k)->value, 246.90);
    EXPECT_TRUE(controlOf(s, t)->checked);
    EXPECT_EQ(controlOf(s, t)->caption, "Fan");
    const Control* mux = controlOf(s, m);
    ASSERT_EQ(mux->entries.size(), 32u);
    EXPECT_EQ(mux->selected, 4);
    EXPECT_EQ(mux->entries[4], "Fifth");
    EXPECT_EQ(mux->entries[0], " ");
    EXPECT_EQ(controlOf(s, table)->caption, "VE  (3D table)");
    EXPECT_EQ(controlOf(s, table)->box.width, 220);
    EXPECT_EQ(controlOf(s, table)->kind, ControlKind::TableButton);
    EXPECT_EQ(TargetOf(*ecu, table), ButtonTarget::TableEditor);
    EXPECT_EQ(TargetOf(*ecu, 0), ButtonTarget::InputsAndTriggering);
    EXPECT_EQ(TargetOf(*ecu, 5), ButtonTarget::OnboardLogging);
}

TEST_F(SimpleSheetsTest, FourWayMuxFoldsTheMuxItsInputNames) {
    int a = create(ElementType::Mux4, 2, 0, "Mode A");
    int b = create(ElementType::Mux4, 2, 1, "Mode B");
    describe(a, 12, "Off");
    describe(a, 12 + 16, "Mode B");
    describe(a, 12 + 32, "Fixed");
    describe(b, 12, "B1");
    describe(b, 12 + 16, "B2");
    describe(b, 12 + 32, "B3");
    describe(b, 12 + 48, "B4");
    describe(a, 12 + 48, "");
    ecu->WriteConstByte(ecu->ElementConstOffset[a], 1);
    ecu->WriteConstByte(ecu->ElementConstOffset[b], 2);
    Sheets s = Build(*ecu, 13);
    EXPECT_EQ(controlOf(s, b), nullptr);
    const Control* list = controlOf(s, a);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->entries,
              (std::vector<std::string>{"Off", "B1", "B2", "B3", "B4", "Fixed", " "}));
    EXPECT_EQ(list->selected, 1 + 2);
    EXPECT_EQ(controlOf(s, a)->slot, 0);

    lines->bytes.clear();
    Mux4Changed(*ecu, s.folds, a, 3); // B3
    EXPECT_EQ(ecu->ReadConstByte(ecu->ElementConstOffset[b]), 2);
    EXPECT_EQ(ecu->ReadConstByte(ecu->ElementConstOffset[a]), 1);
    EXPECT_EQ(lines->bytes, "Selected input 3 on the 4-way Mux called Mode B on page 3\n\r"
                            "Selected input 2 on the 4-way Mux called Mode A on page 3\n\r");
    Mux4Changed(*ecu, s.folds, a, 6);
    EXPECT_EQ(ecu->ReadConstByte(ecu->ElementConstOffset[a]), 3);
    EXPECT_EQ(ecu->ReadConstByte(ecu->ElementConstOffset[b]), 2);
}

TEST_F(SimpleSheetsTest, ChangesWriteTheConstantsMarkThemAndLog) {
    int k = create(ElementType::Constant, 2, 0, "Idle");
    int t = create(ElementType::Tickbox, 2, 1, "Fan");
    int d = create(ElementType::Delay, 2, 2, "Wait");
    int m = create(ElementType::Mux32, 2, 3, "Pick");
    const int c = ecu->ElementConstOffset[k];
    ecu->Modified = false;
    ConstantChanged(*ecu, k, 12.345);
    EXPECT_EQ(ecu->ReadConstWord(c), 617); // 617.25 rounds to 617
    EXPECT_TRUE(ecu->Modified);
    EXPECT_EQ(ecu->SyncAt(Layout::kConstBase + c), Sync::ToWrite);
    ConstantChanged(*ecu, k, -0.01); // -0.5 rounds to even: 0
    EXPECT_EQ(ecu->ReadConstWord(c), 0);
    TickboxClicked(*ecu, t);
    TickboxClicked(*ecu, t);
    EXPECT_EQ(ecu->ReadConstByte(ecu->ElementConstOffset[t]), 0);
    DelayChanged(*ecu, d, 40000);
    EXPECT_EQ(ecu->ReadConstWord(ecu->ElementConstOffset[d]), 40000);
    Mux32Changed(*ecu, m, 17);
    EXPECT_EQ(ecu->ReadConstByte(ecu->ElementConstOffset[m]), 17);
    // A setting of another kind is never written by the wrong handler.
    ConstantChanged(*ecu, t, 5);
    EXPECT_EQ(ecu->ReadConstByte(ecu->ElementConstOffset[t]), 0);
    EXPECT_EQ(lines->bytes,
              "The constant value of the constant called Idle on page 3 was changed to 12.35\n\r"
              "The constant value of the constant called Idle on page 3 was changed to -0.01\n\r"
              "Ticked the tickbox called Fan on page 3\n\r"
              "Crossed the tickbox called Fan on page 3\n\r"
              "The Delay value of the Delay called Wait on page 3 was changed to 40000\n\r"
              "Selected input 18 on the 32-way Mux called Pick on page 3\n\r");
}

TEST_F(SimpleSheetsTest, HintTextQuotesTheNameAndAddsItsHint) {
    int k = create(ElementType::Constant, 2, 0, "Idle");
    std::string hints = "**s:name:Idle**h:h:Idle speed target.**e:e\r\n";
    EXPECT_EQ(HintText(*ecu, k, &hints), "\"Idle\"\r\n \r\nIdle speed target.");
    EXPECT_EQ(HintText(*ecu, k, nullptr), "\"Idle\"\r\n \r\n");
    EXPECT_EQ(PerColumnSetting("7"), 7);
    EXPECT_EQ(PerColumnSetting(""), 13);
    EXPECT_EQ(PerColumnSetting("0"), 13);
    EXPECT_EQ(PerColumnSetting("x"), 13);
}

} // namespace
