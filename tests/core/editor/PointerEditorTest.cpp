#include "EditorHostFixture.h"
#include "editor/PageOperations.h"

#include <gtest/gtest.h>

using namespace zolmar;
using namespace zolmar::Layout;
using zolmar::test::PointerEditorTest;

namespace {

TEST_F(PointerEditorTest, DragMovesTheGrabbedElementOnly) {
    int a = create(ElementType::Summer, 9, 10, 10, "A");
    int b = create(ElementType::Summer, 9, 10, 20, "B");
    render();
    ASSERT_EQ(ElementMap::element(renderer.elementMap().at(12, 10)), a);
    editor.setSelection({b});
    ecu->StructureChanged = false;
    // Press in the picture (not on a pin) and move it 5 cells right, 2 down.
    drag(px(12), px(10), px(17), px(12));
    EXPECT_EQ(ecu->ColumnOf(a), 15);
    EXPECT_EQ(ecu->RowOf(a), 12);
    EXPECT_EQ(ecu->ColumnOf(b), 10); // pressing an unselected element empties the selection
    EXPECT_TRUE(editor.selection().empty());
    EXPECT_FALSE(ecu->StructureChanged); // positions are cosmetic
    EXPECT_TRUE(ecu->LogicOrNamesChanged);
    EXPECT_FALSE(editor.dragging());
    EXPECT_TRUE(host.dialogs.empty());
}

TEST_F(PointerEditorTest, DragOfASelectedElementMovesTheSelectionAndKeepsItOnTheGrid) {
    int a = create(ElementType::Summer, 9, 10, 10, "A");
    int b = create(ElementType::Summer, 9, 2, 30, "B");
    render();
    editor.setSelection({a, b});
    // 5 cells left would take B to column -3: the group stops at the edge.
    drag(px(12), px(10), px(7), px(11));
    EXPECT_EQ(ecu->ColumnOf(b), 0);
    EXPECT_EQ(ecu->ColumnOf(a), 8);
    EXPECT_EQ(ecu->RowOf(a), 11);
    EXPECT_EQ(ecu->RowOf(b), 31);
    EXPECT_EQ(editor.selection(), (std::vector<int>{a, b}));
}

TEST_F(PointerEditorTest, SmallJitterIsAClickAndLockedStopsDrags) {
    int s = create(ElementType::Summer, 9, 10, 10, "S");
    render();
    drag(px(12), px(10), px(12) + 1, px(10) + 1);
    EXPECT_EQ(host.dialogs, (std::vector<int>{s}));
    EXPECT_EQ(ecu->ColumnOf(s), 10);
    host.locked = true;
    editor.buttonDown(MouseButton::Left, px(12), px(10));
    editor.pointerMove(px(20), px(20));
    EXPECT_FALSE(editor.dragging());
    EXPECT_EQ(host.hintText, "Configuration is locked");
    editor.buttonUp(MouseButton::Left, px(20), px(20));
    EXPECT_EQ(ecu->ColumnOf(s), 10);
}

TEST_F(PointerEditorTest, LinkByClickingInputThenOutputAcrossPages) {
    int src = create(ElementType::Constant, 4, 10, 10, "Src");
    int dst = create(ElementType::Summer, 9, 20, 10, "Dst");
    render();
    click(px(20), px(11)); // input 2 of Dst
    EXPECT_TRUE(editor.linking());
    EXPECT_EQ(editor.pendingElement(), dst);
    EXPECT_EQ(editor.pendingInput(), 1);
    EXPECT_EQ(host.hintText, "Creating link - now click on source (right click to cancel)");
    click(px(20), px(10)); // a second input changes nothing
    EXPECT_EQ(editor.pendingInput(), 1);

    host.setCurrentPage(4);
    EXPECT_TRUE(editor.linking()); // survives the page change
    Point out = outputPin(src);
    click(out.x, out.y);
    EXPECT_FALSE(editor.linking());
    EXPECT_EQ(ecu->InputWord(dst, 1), ecu->ElementLiveOffset[src] | 1);
    EXPECT_TRUE(ecu->StructureChanged);
    EXPECT_EQ(logged(),
              "Created a link from Pg5.Src to input 2 of the element called Dst on page 10\n\r");
}

TEST_F(PointerEditorTest, RightClickCancelsLinkingWithoutChanges) {
    create(ElementType::Summer, 9, 20, 10, "Dst");
    render();
    click(px(20), px(10));
    ASSERT_TRUE(editor.linking());
    auto before = std::vector<uint8_t>(ecu->Image, ecu->Image + kImageSize);
    click(px(50), px(50), MouseButton::Right);
    EXPECT_FALSE(editor.linking());
    EXPECT_EQ(host.hintText, "");
    EXPECT_EQ(before, std::vector<uint8_t>(ecu->Image, ecu->Image + kImageSize));
}

TEST_F(PointerEditorTest, DraggingFromOutputToInputLinks) {
    int src = create(ElementType::Constant, 9, 2, 10, "K");
    int dst = create(ElementType::Multiplier, 9, 20, 10, "M");
    render();
    Point out = outputPin(src);
    drag(out.x, out.y, px(20), px(12));
    EXPECT_EQ(ecu->InputWord(dst, 2), ecu->ElementLiveOffset[src] | 1);
    EXPECT_EQ(ecu->ColumnOf(src), 2); // pins never move their element
    // And the other way round, from an input to an output.
    drag(px(20), px(10), out.x, out.y);
    EXPECT_EQ(ecu->InputWord(dst, 0), ecu->ElementLiveOffset[src] | 1);
    EXPECT_EQ(ecu->InputWord(dst, 1), 50);
}

TEST_F(PointerEditorTest, OutputClickListsTheInputsItFeeds) {
    int src = create(ElementType::Constant, 9, 2, 10, "K");
    int a = create(ElementType::Summer, 9, 20, 10, "A");
    int b = create(ElementType::Display, 7, 20, 10, "B");
    ecu->LinkInput(a, 1, src, 0);
    ecu->LinkInput(b, 0, src, 0);
    render();
    Point out = outputPin(src);
    click(out.x, out.y);
    EXPECT_EQ(host.listCaption, "This output is linked to the following inputs:");
    EXPECT_EQ(host.listLines, (std::vector<std::string>{"   - Page10.A.Input2", "   - Page8.B"}));
}

TEST_F(PointerEditorTest, ConstantArrowsStepInPlaceWithinTheirLimits) {
    int k = create(ElementType::Constant, 9, 10, 10, "K");
    render();
    int K = 170, L = 170;
    int c = ecu->ElementConstOffset[k];
    ecu->WriteConstWord(c, 32716);
    click(K + 60, L + 5);
    EXPECT_EQ(static_cast<int16_t>(ecu->ReadConstWord(c)), 32766);
    click(K + 60, L + 5); // above 32716: unchanged
    EXPECT_EQ(static_cast<int16_t>(ecu->ReadConstWord(c)), 32766);
    click(K + 60, L + 20);
    EXPECT_EQ(static_cast<int16_t>(ecu->ReadConstWord(c)), 32716);
    click(K + 60, L + 14); // between the arrows: nothing
    EXPECT_EQ(static_cast<int16_t>(ecu->ReadConstWord(c)), 32716);
    EXPECT_TRUE(host.dialogs.empty());
    click(K + 20, L + 10);
    EXPECT_EQ(host.dialogs, (std::vector<int>{k}));
    EXPECT_EQ(logged(),
              "The constant value of the constant called K on page 10 was increased by 1.00\n\r"
              "The constant value of the constant called K on page 10 was decreased by 1.00\n\r");
}

TEST_F(PointerEditorTest, TickboxAndMuxActInPlaceEvenWhenLocked) {
    int t = create(ElementType::Tickbox, 9, 10, 10, "T");
    int m = create(ElementType::Mux4, 9, 30, 10, "M");
    render();
    host.locked = true;
    click(px(12), px(10));
    EXPECT_EQ(ecu->ReadConstByte(ecu->ElementConstOffset[t]), 1);
    click(px(12), px(10));
    EXPECT_EQ(ecu->ReadConstByte(ecu->ElementConstOffset[t]), 0);
    click(30 * 17 + 40, 10 * 17 + 40); // third row of the mux
    EXPECT_EQ(ecu->ReadConstByte(ecu->ElementConstOffset[m]), 2);
    click(30 * 17 + 160, 10 * 17 + 40); // right of the strings: the dialog
    EXPECT_EQ(host.dialogs, (std::vector<int>{m}));
    EXPECT_EQ(logged(), "Ticked the tickbox called T on page 10\n\r"
                        "Crossed the tickbox called T on page 10\n\r"
                        "Selected input 3 on the 4-way Mux called M on page 10\n\r");
}

TEST_F(PointerEditorTest, NameRowClickRenames) {
    int s = create(ElementType::Summer, 9, 10, 10, "Old");
    render();
    host.newName = "New";
    click(px(12), px(12)); // the summer is 33 high: row 12 is its name row
    EXPECT_EQ(host.nameDialogs, (std::vector<int>{kNumPages + s}));
    EXPECT_EQ(logged(), "Changed the name of Old on page 10 to New\n\r");
}

TEST_F(PointerEditorTest, RubberBandSamplesEveryThirdColumn) {
    int wide = create(ElementType::Summer, 9, 10, 10, "W");
    int label = create(ElementType::Label, 9, 13, 20, "ab"); // 2 cells wide: columns 13, 14
    int far = create(ElementType::Summer, 9, 60, 60, "F");
    render();
    drag(px(5), px(5), px(40), px(30));
    EXPECT_EQ(editor.selection(), (std::vector<int>{wide}));
    (void)label;
    (void)far;
    EXPECT_FALSE(editor.bandActive());
}

TEST_F(PointerEditorTest, AddModePlacesAndRenames) {
    render();
    editor.setAddKind(20);
    EXPECT_EQ(host.hintText, "Adding an Element - click to place (right click to cancel)");
    host.newName = "Extra";
    click(px(40), px(5));
    ASSERT_EQ(host.nameDialogs.size(), 1u);
    int e = host.nameDialogs[0] - kNumPages;
    EXPECT_EQ(ecu->TypeOf(e), ElementType::AuxOnInj);
    EXPECT_EQ(ecu->ColumnOf(e), 40);
    EXPECT_EQ(editor.addKind(), 0);
    EXPECT_FALSE(editor.buttonIsDown());
    EXPECT_EQ(
        logged(),
        "Added a new block for Aux Outputs on Injector Outputs, called Extra, on page 10\n\r");
    // A second block is refused by the model.
    EXPECT_FALSE(editor.createAtClickCell(20));
    EXPECT_EQ(messages.texts().back(),
              "You can only have one block for Aux Outputs on Injector Outputs");
    EXPECT_TRUE(host.tableSetups.empty());

    // A new table is given its first axes before it is named.
    editor.setAddKind(3);
    click(px(60), px(5));
    ASSERT_EQ(host.tableSetups.size(), 1u);
    ASSERT_EQ(host.nameDialogs.size(), 2u);
    EXPECT_EQ(host.tableSetups[0], host.nameDialogs[1] - kNumPages);
    EXPECT_EQ(ecu->TypeOf(host.tableSetups[0]), ElementType::Table3D);
}

TEST_F(PointerEditorTest, BusyLinkStatesRefuseEverything) {
    int s = create(ElementType::Summer, 9, 10, 10, "S");
    render();
    host.states.selectAll = true;
    ecu->LinkState = Link::ReadingAll;
    click(px(12), px(10));
    drag(px(12), px(10), px(30), px(30));
    EXPECT_TRUE(host.dialogs.empty());
    EXPECT_EQ(ecu->ColumnOf(s), 10);
    EXPECT_FALSE(host.states.selectAll);
    host.advanced = false;
    ecu->LinkState = Link::Offline;
    click(px(12), px(10));
    EXPECT_TRUE(host.dialogs.empty());
}

TEST_F(PointerEditorTest, ContextMenuStatesFollowTheHitAndTheLock) {
    int s = create(ElementType::Summer, 9, 10, 10, "S");
    render();
    editor.buttonDown(MouseButton::Right, px(10), px(11)); // input 2 pin
    EXPECT_TRUE(host.states.editLink);
    EXPECT_TRUE(host.states.copy);
    EXPECT_FALSE(host.states.newItems);
    EXPECT_TRUE(host.states.viewProperties);
    EXPECT_FALSE(host.states.paste);
    editor.buttonDown(MouseButton::Right, px(50), px(50));
    EXPECT_FALSE(host.states.copy); // nothing selected
    EXPECT_TRUE(host.states.newItems);
    EXPECT_FALSE(host.states.viewProperties);
    host.locked = true;
    editor.buttonDown(MouseButton::Right, px(12), px(10));
    EXPECT_FALSE(host.states.copy);
    EXPECT_FALSE(host.states.renameElement);
    EXPECT_FALSE(host.states.editLink);
    EXPECT_TRUE(host.states.selectAll);
    // A page with a dedicated element cannot be duplicated or deleted.
    host.locked = false;
    host.page = ecu->PageOf(0);
    render();
    editor.buttonDown(MouseButton::Right, 2000, 2000);
    EXPECT_FALSE(host.states.duplicatePage);
    EXPECT_FALSE(host.states.deletePage);
    EXPECT_TRUE(host.states.moveAll);
    (void)s;
}

TEST_F(PointerEditorTest, DeleteLinkLeavesTheTypesLiteral) {
    int k = create(ElementType::Constant, 9, 2, 10, "K");
    int m = create(ElementType::Multiplier, 9, 20, 10, "M");
    int s = create(ElementType::Summer, 9, 20, 20, "S");
    ecu->LinkInput(m, 0, k, 0);
    ecu->LinkInput(s, 0, k, 0);
    render();
    editor.buttonDown(MouseButton::Right, px(20), px(10));
    editor.deleteLink();
    editor.buttonDown(MouseButton::Right, px(20), px(20));
    editor.deleteLink();
    EXPECT_EQ(ecu->InputWord(m, 0), 50);
    EXPECT_EQ(ecu->InputWord(s, 0), 0);
    EXPECT_EQ(logged(), "Deleted the link on input 1 of the element called M on page 10\n\r"
                        "Deleted the link on input 1 of the element called S on page 10\n\r");
    editor.buttonDown(MouseButton::Right, px(20), px(21));
    editor.editLink();
    EXPECT_EQ(host.linkDialogs, (std::vector<std::pair<int, int>>{{s, 1}}));
}

TEST_F(PointerEditorTest, ArrowKeysScrollAndTableKeysFindTables) {
    editor.key(PointerEditor::Key::Down);
    editor.key(PointerEditor::Key::Left);
    EXPECT_EQ(host.scrolled, (Point{-17, 17}));
    int hidden = create(ElementType::Table2D, 9, 0, 0, "H");
    int shown = create(ElementType::Table2D, 9, 0, 20, "S");
    ecu->WriteLogicByte(ecu->ElementLogicOffset[hidden] + 3, 0x82, true);
    EXPECT_EQ(PointerEditor::tableForKey(*ecu, false, -1), shown);
    EXPECT_EQ(PointerEditor::tableForKey(*ecu, false, hidden), hidden);
    EXPECT_EQ(PointerEditor::tableForKey(*ecu, true, hidden), -1);
}

TEST_F(PointerEditorTest, AutoScrollNearTheEdgesWhileTheButtonIsDown) {
    render();
    editor.buttonDown(MouseButton::Left, px(5), px(5));
    editor.pointerMove(795, 300);
    EXPECT_EQ(host.scrolled, (Point{20, 0}));
    editor.pointerMove(760, 520);
    EXPECT_EQ(host.scrolled, (Point{25, 5}));
    editor.buttonUp(MouseButton::Left, 760, 520);
    editor.pointerMove(795, 300);
    EXPECT_EQ(host.scrolled, (Point{25, 5}));
}

} // namespace
