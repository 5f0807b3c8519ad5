#include "EditorHostFixture.h"
#include "editor/PageOperations.h"

#include <gtest/gtest.h>

using namespace zolmar;
using namespace zolmar::Layout;
using zolmar::test::PointerEditorTest;

namespace {

struct ClipboardTest : PointerEditorTest {
    std::vector<uint8_t> image() const {
        return std::vector<uint8_t>(ecu->Image, ecu->Image + kImageSize);
    }
    // Right-clicks an element's picture, as the context menu's commands expect.
    void menuOn(int e) {
        editor.buttonDown(MouseButton::Right, 17 * ecu->ColumnOf(e) + 30, 17 * ecu->RowOf(e) + 5);
    }
    void menuOnEmpty() { editor.buttonDown(MouseButton::Right, 2000, 2000); }
};

TEST_F(ClipboardTest, PastedGroupIsWiredToItselfAndKeepsOutsideSources) {
    int outside = create(ElementType::Constant, 5, 2, 2, "Out");
    int a = create(ElementType::Constant, 9, 2, 10, "A");
    int b = create(ElementType::Summer, 9, 20, 10, "B");
    ecu->LinkInput(b, 0, a, 0);
    ecu->LinkInput(b, 1, outside, 0);
    ecu->WriteConstWord(ecu->ElementConstOffset[a], 125);
    render();
    editor.setSelection({a, b});
    menuOnEmpty();
    ASSERT_TRUE(editor.copy());
    EXPECT_EQ(editor.clipboard().count(), 2);
    // The group's encoding: position 0, output 0 inside; the outside address shifted.
    const auto& bytes = editor.clipboard().bytes();
    int bRecord = tECU::LogicSize(ElementType::Constant);
    EXPECT_EQ(bytes[static_cast<size_t>(bRecord + 4)], 0x01);
    uint16_t outsideWord = static_cast<uint16_t>(bytes[static_cast<size_t>(bRecord + 6)] |
                                                 (bytes[static_cast<size_t>(bRecord + 7)] << 8));
    EXPECT_EQ(outsideWord, ((ecu->ElementLiveOffset[outside]) << 2) | 3);

    host.page = 7;
    render();
    clearLog();
    int n = ecu->NumElements;
    editor.paste();
    ASSERT_EQ(ecu->NumElements, n + 2);
    int a2 = n, b2 = n + 1;
    EXPECT_EQ(ecu->InputWord(b2, 0), ecu->ElementLiveOffset[a2] | 1);
    EXPECT_EQ(ecu->InputWord(b2, 1), ecu->ElementLiveOffset[outside] | 1);
    EXPECT_EQ(ecu->InputWord(b, 0), ecu->ElementLiveOffset[a] | 1);
    EXPECT_EQ(ecu->PageOf(a2), 7);
    EXPECT_EQ(ecu->ColumnOf(b2), 23);
    EXPECT_EQ(ecu->RowOf(b2), 13);
    EXPECT_EQ(ecu->ExactNameOf(kNumPages + b2), "B");
    EXPECT_EQ(ecu->ReadConstWord(ecu->ElementConstOffset[a2]), 125);
    EXPECT_EQ(editor.selection(), (std::vector<int>{a2, b2}));
    EXPECT_EQ(logged(), "Pasted a new Constant called A to page 8\n\r"
                        "Constant byte 0 with a value of 125\n\r"
                        "Constant byte 1 with a value of 0\n\r"
                        "Pasted a new Summer called B to page 8\n\r"
                        "Link from output 1 of pasted element called Pg8.A on input 1\n\r"
                        "Link from Pg6.Out on input 2\n\r"
                        "Constant byte 0 with a value of 0\n\r");

    // A second paste is an independent group wired to itself.
    editor.paste();
    EXPECT_EQ(ecu->InputWord(n + 3, 0), ecu->ElementLiveOffset[n + 2] | 1);
    EXPECT_EQ(ecu->InputWord(b2, 0), ecu->ElementLiveOffset[a2] | 1);
}

TEST_F(ClipboardTest, SingleCopyKeepsItsSourcesAndTheMuxStrings) {
    int k = create(ElementType::Constant, 9, 2, 10, "K");
    int m = create(ElementType::Mux4, 9, 20, 10, "M");
    ecu->LinkInput(m, 3, k, 0);
    ecu->SetLiteral(m, 0, 2.5);
    render();
    menuOn(m);
    ASSERT_TRUE(editor.copy());
    editor.paste();
    int copy = ecu->NumElements - 1;
    EXPECT_EQ(ecu->InputWord(copy, 3), ecu->ElementLiveOffset[k] | 1);
    EXPECT_EQ(ecu->InputWord(copy, 0), 125 & 0xFFFE);
    for (int b = 12; b < 76; ++b)
        EXPECT_EQ(ecu->ReadLogicByte(ecu->ElementLogicOffset[copy] + b),
                  ecu->ReadLogicByte(ecu->ElementLogicOffset[m] + b));
    EXPECT_NE(logged().find("Link from Pg10.K on input 4\n\r"), std::string::npos);
    EXPECT_NE(logged().find("Literal value of 2.48 on input 1\n\r"), std::string::npos);
}

TEST_F(ClipboardTest, CopyRefusals) {
    std::vector<int> many;
    for (int k = 0; k < 250; ++k)
        many.push_back(create(ElementType::Label, 9, k % 100, k / 100, "L"));
    ElementClipboard clip;
    EXPECT_FALSE(clip.copyGroup(*ecu, many));
    EXPECT_EQ(messages.texts().back(), "Could not copy (Too many items)");
    many.pop_back();
    EXPECT_TRUE(clip.copyGroup(*ecu, many));
    EXPECT_EQ(clip.count(), 249);

    std::vector<int> muxes;
    for (int k = 0; k < 14; ++k)
        muxes.push_back(create(ElementType::Mux32, 3, 0, 0, "M"));
    EXPECT_FALSE(clip.copyGroup(*ecu, muxes));
    EXPECT_EQ(messages.texts().back(), "Could not copy (Too much data)");
    EXPECT_EQ(clip.count(), 0); // a failed copy empties the clipboard
    muxes.resize(13);
    EXPECT_TRUE(clip.copyGroup(*ecu, muxes));

    int aux = create(ElementType::AuxOnInj, 4, 0, 0, "Aux");
    EXPECT_FALSE(clip.copySingle(*ecu, aux));
    EXPECT_EQ(messages.texts().back(),
              "Could not copy (you can only have one block for Aux Outputs on Inj Outputs)");
    EXPECT_FALSE(clip.copySingle(*ecu, 0)); // a dedicated element
    EXPECT_EQ(clip.count(), 0);
}

TEST_F(ClipboardTest, PasteStopsWhenTheConstantsRunOut) {
    int t = create(ElementType::Table2D, 9, 0, 0, "T");
    int c = ecu->ElementConstOffset[t];
    ecu->WriteConstByte(c, 255); // the biggest 2D table: 1021 constant bytes
    ecu->RebuildIndex(false, true);
    ElementClipboard clip;
    ASSERT_TRUE(clip.copySingle(*ecu, t));
    std::vector<int> pasted;
    int pastes = 0;
    while (clip.paste(*ecu, 9, pasted))
        ++pastes;
    EXPECT_EQ(messages.texts().back(), "Cannot paste (Not enough memory)");
    EXPECT_GT(pastes, 25);
    EXPECT_LT(ecu->ConstEnd(), kConstSize);
    auto before = image();
    EXPECT_FALSE(clip.paste(*ecu, 9, pasted));
    EXPECT_EQ(before, image());
}

TEST_F(ClipboardTest, ConstantsCannotBePastedOntoTheGaugePage) {
    int k = create(ElementType::Constant, 9, 0, 0, "K");
    ElementClipboard clip;
    ASSERT_TRUE(clip.copySingle(*ecu, k));
    auto before = image();
    std::vector<int> pasted;
    EXPECT_FALSE(clip.paste(*ecu, 0, pasted));
    EXPECT_EQ(messages.texts().back(), "This page can only contain Gauge elements or Labels");
    EXPECT_EQ(before, image());
}

TEST_F(ClipboardTest, CutDeletesWhatWasCopiedAndFollowsTheTableEditor) {
    int a = create(ElementType::Summer, 9, 2, 2, "A");
    int t = create(ElementType::Table2D, 3, 2, 2, "T");
    ecu->TableEditElement = ElementRef(*ecu, t);
    render();
    menuOn(a);
    editor.cut();
    EXPECT_EQ(ecu->TableEditElement.index(*ecu), t - 1);
    EXPECT_EQ(ecu->TypeOf(t - 1), ElementType::Table2D);
    EXPECT_EQ(editor.clipboard().count(), 1);
    EXPECT_EQ(logged(), "Deleted a Summer called A from page 10\n\r");
    editor.paste();
    EXPECT_EQ(ecu->ExactNameOf(kNumPages + ecu->NumElements - 1), "A");
}

TEST_F(ClipboardTest, DeleteElementsRefusesDedicatedAndLockedStopsStructure) {
    render();
    host.page = ecu->PageOf(0);
    render();
    editor.selectAll();
    ASSERT_FALSE(editor.selection().empty());
    int n = ecu->NumElements;
    menuOnEmpty();
    editor.deleteElements();
    EXPECT_EQ(ecu->NumElements, n);

    host.page = 9;
    int s = create(ElementType::Summer, 9, 2, 2, "S");
    render();
    host.locked = true;
    menuOn(s);
    editor.deleteElements();
    editor.cut();
    EXPECT_EQ(ecu->NumElements, n + 1);
}

TEST_F(ClipboardTest, DuplicatePageRepointsInternalLinksOnly) {
    int third = create(ElementType::Constant, 11, 2, 2, "Third");
    int a = create(ElementType::Constant, 9, 2, 10, "A");
    int b = create(ElementType::Summer, 9, 20, 10, "B");
    ecu->LinkInput(b, 0, a, 0);
    ecu->LinkInput(b, 1, third, 0);
    ecu->RenameSlot(9, "Fuel");
    render();
    // Pages 1..7 of the blank configuration have names; page 8 is free.
    int target = PageOps::duplicatePage(*ecu, 9);
    ASSERT_GE(target, 0);
    EXPECT_TRUE(ecu->ExactNameOf(target).empty());
    auto copies = PageOps::elementsOnPage(*ecu, target);
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(ecu->InputWord(copies[1], 0), ecu->ElementLiveOffset[copies[0]] | 1);
    EXPECT_EQ(ecu->InputWord(copies[1], 1), ecu->ElementLiveOffset[third] | 1);
    EXPECT_EQ(logged(), "Duplicated the contents of page 10 called Fuel\n\r");

    // Through the menu: the new page is shown and named.
    host.newName = "Copy";
    menuOnEmpty();
    editor.duplicatePage();
    EXPECT_NE(host.page, 9);
    EXPECT_EQ(ecu->ExactNameOf(host.page), "Copy");
    EXPECT_EQ(messages.texts().back(),
              "The contents of page 10 were duplicated to page " + std::to_string(host.page + 1));
}

TEST_F(ClipboardTest, NoFreePagesAndAuxOnInjPages) {
    create(ElementType::AuxOnInj, 12, 0, 0, "Aux");
    EXPECT_EQ(PageOps::duplicatePage(*ecu, 12), -1);
    EXPECT_EQ(messages.texts().back(),
              "You can only have one block for Aux Outputs on Injector Outputs");
    for (int p = 0; p < kNumPages; ++p)
        ecu->RenameSlot(p, "P");
    create(ElementType::Summer, 9, 0, 0, "S");
    auto before = image();
    EXPECT_EQ(PageOps::duplicatePage(*ecu, 9), -1);
    EXPECT_EQ(messages.texts().back(), "There are no free pages");
    EXPECT_EQ(before, image());
}

TEST_F(ClipboardTest, MoveAllAndDeletePage) {
    int k = create(ElementType::Constant, 9, 2, 10, "K");
    int g = create(ElementType::Gauge, 9, 20, 10, "G");
    ecu->WriteLogicByte(ecu->ElementLogicOffset[k] + 3, 0x89, true);
    EXPECT_FALSE(PageOps::moveAll(*ecu, 9, 0));
    EXPECT_EQ(ecu->ReadLogicByte(ecu->ElementLogicOffset[k] + 3), 0x89);
    ecu->StructureChanged = false;
    host.moveTarget = 11;
    render();
    menuOnEmpty();
    editor.moveAll();
    EXPECT_EQ(ecu->ReadLogicByte(ecu->ElementLogicOffset[k] + 3), 11);
    EXPECT_EQ(ecu->PageOf(g), 11);
    EXPECT_FALSE(ecu->StructureChanged);

    host.page = 11;
    ecu->RenameSlot(11, "Old");
    messages.answers = {Messages::Answer::No};
    editor.deletePage();
    EXPECT_EQ(ecu->PageOf(g), 11);
    EXPECT_EQ(messages.shown.back().text, "Are you sure you want to delete page page12?");
    messages.answers = {Messages::Answer::Yes};
    int n = ecu->NumElements;
    editor.deletePage();
    EXPECT_EQ(ecu->NumElements, n - 2);
    EXPECT_EQ(ecu->ExactNameOf(11), "");
    EXPECT_EQ(logged(), "Deleted a Gauge called G from page 12\n\r"
                        "Deleted a Constant called K from page 12\n\r");
}

TEST_F(ClipboardTest, PagePropertiesCountsKindsAndListsLinksToOtherPages) {
    int k = create(ElementType::Constant, 9, 2, 2, "K");
    create(ElementType::Constant, 9, 2, 10, "K2");
    int s = create(ElementType::Summer, 9, 20, 10, "S");
    int d = create(ElementType::Display, 6, 2, 2, "D");
    ecu->LinkInput(s, 0, k, 0);
    ecu->LinkInput(d, 0, k, 0);
    auto lines = PageOps::pageProperties(*ecu, 9);
    std::vector<std::string> head(lines.begin(), lines.begin() + 10);
    EXPECT_EQ(head, (std::vector<std::string>{
                        "This page contains the following elements:", " ", "2 Constants", " ",
                        "1 Summers", " ",
                        "The following links (TO OTHER PAGES) originate on this page:", " ", " ",
                        "\"K\" is linked to..."}));
    EXPECT_EQ(lines[10], "   - Page7.D");
    EXPECT_EQ(lines.back(), "\"S\" is linked to...");
}

} // namespace

namespace {

// Fills the live area with PIDs (12 live bytes each) on page 9 until fewer than
// room bytes are left.
void fillLiveArea(tECU& ecu, int room) {
    while (ecu.LiveEnd() + 12 <= Layout::kLiveSize - room) {
        int index = -1;
        ASSERT_TRUE(ecu.CreateElement(ElementType::PID, 0, 0, "P", 9, &index));
    }
}

TEST_F(ClipboardTest, PasteAndDuplicateRefuseWhatTheLiveAreaCannotHold) {
    int pid = create(ElementType::PID, 9, 0, 0, "P");
    fillLiveArea(*ecu, 20);
    ElementClipboard clip;
    ASSERT_TRUE(clip.copyGroup(*ecu, {pid, pid + 1}));
    auto before = image();
    std::vector<int> pasted;
    EXPECT_FALSE(clip.paste(*ecu, 12, pasted));
    EXPECT_EQ(messages.texts().back(), "Cannot paste (Not enough memory)");
    EXPECT_EQ(before, image());
    ASSERT_TRUE(clip.copySingle(*ecu, pid));
    EXPECT_TRUE(clip.paste(*ecu, 12, pasted)); // one PID still fits
    EXPECT_LE(ecu->LiveEnd(), Layout::kLiveSize);

    before = image();
    EXPECT_EQ(PageOps::duplicatePage(*ecu, 9), -1);
    EXPECT_EQ(messages.texts().back(), "Could not duplicate page (Not enough memory)");
    EXPECT_EQ(before, image());
}

} // namespace
