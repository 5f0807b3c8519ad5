#include "tables/TableEditor.h"
#include "TableTestSupport.h"

#include "link/SyncEngine.h"

using namespace zolmar;
using Tables::Axis;

namespace {

struct TableEditorTest : test::TableFixture {
    TableEditor editor{*ecu};

    void type(const std::string& keys) {
        for (char k : keys) {
            if (k >= '0' && k <= '9')
                editor.TypeDigit(k - '0');
            else if (k == '-')
                editor.TypeMinus();
            else if (k == '.')
                editor.TypePoint();
            else if (k == '\n')
                editor.CommitEntry();
        }
    }
    int typed(const std::string& keys) {
        editor.SetCursor(0, 0, false);
        type(keys);
        EXPECT_FALSE(editor.Entering()) << keys;
        return cell(editor.Element(), 0);
    }
};

TEST_F(TableEditorTest, TheGridKnowsWhatItShowsAndWhatTheWholeTableNeeds) {
    const int t = table3D("VE", 16, 14);
    ASSERT_TRUE(editor.Open(t));
    TableEditor::GridMetrics m;
    m.cellWidth = 56;
    m.cellHeight = 18;
    int width = 0, height = 0;
    editor.WholeTableSize(m, width, height);
    // References at the left and on top, then every cell with its spacing.
    EXPECT_EQ(width, 60 + 17 * 56 + 3);
    EXPECT_EQ(height, 30 + 15 * 18 + 3);
    m.width = width;
    m.height = height;
    EXPECT_EQ(editor.VisibleColumns(m), 16);
    EXPECT_EQ(editor.VisibleRows(m), 14);
    m.width -= 56;
    m.height -= 18;
    EXPECT_EQ(editor.VisibleColumns(m), 15) << "a partly shown column does not count";
    EXPECT_EQ(editor.VisibleRows(m), 13);
    m.width = m.height = 0;
    EXPECT_EQ(editor.VisibleColumns(m), 1) << "never less than one";
    EXPECT_EQ(editor.VisibleRows(m), 1);
}

TEST_F(TableEditorTest, EntryRuleGivesTheTemplateValues) {
    ASSERT_TRUE(editor.Open(table2D("Fuel", {0, 0, 0})));
    EXPECT_EQ(typed("12345"), 6172); // 123.44: the fifth digit adds 5 div 2
    EXPECT_EQ(typed("1234\n"), 6170);
    EXPECT_EQ(typed(".5\n"), 24);     // 25 loses its bit 0
    EXPECT_EQ(typed("-1.5"), -76);    // commits at the fifth character
    EXPECT_EQ(typed("999\n"), 32766); // limited, then bit 0 cleared
    EXPECT_EQ(typed("7\n"), 350);
    EXPECT_EQ(typed("12.3\n"), 614); // 615 with bit 0 cleared
    EXPECT_EQ(typed("-12\n"), -600);
    EXPECT_EQ(typed("-\n"), 0);
    EXPECT_EQ(typed("1.25\n"), 62); // "  1.2", then the 5 commits as the fifth: 1.24
}

TEST_F(TableEditorTest, EntryShowsThePointInPlace) {
    ASSERT_TRUE(editor.Open(table2D("Fuel", {0, 0})));
    type("1");
    EXPECT_EQ(editor.EntryText(), "  1.  ");
    type("2");
    EXPECT_EQ(editor.EntryText(), " 12.  ");
    type(".");
    EXPECT_EQ(editor.EntryText(), " 12.  ");
    type("3");
    EXPECT_EQ(editor.EntryText(), " 12.3 ");
    editor.DiscardEntry();
    type("-");
    EXPECT_EQ(editor.EntryText(), "-   . ");
    type("4");
    EXPECT_EQ(editor.EntryText(), "-  4. ");
    type("-"); // ignored during an entry
    type("5");
    EXPECT_EQ(editor.EntryText(), "- 45. ");
    type(".");
    EXPECT_EQ(editor.EntryText(), "- 45. ");
    EXPECT_EQ(editor.EntryLength(), 4);
}

TEST_F(TableEditorTest, ValueGoesToEveryCellOfTheSelectionWithALogLineEach) {
    int t = table3D("VE", 4, 3);
    ASSERT_TRUE(editor.Open(t));
    editor.SetCursor(1, 0, false);
    editor.SetCursor(2, 1, true);
    type("5\n");
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(cell(t, column, row), column >= 1 && column <= 2 && row <= 1 ? 250 : 0);
    EXPECT_EQ(lines->bytes,
              "Entered a value of 5.00 in the cell at 1 horizontal 0 vertical in the table called "
              "VE on page 2\n\r"
              "Entered a value of 5.00 in the cell at 2 horizontal 0 vertical in the table called "
              "VE on page 2\n\r"
              "Entered a value of 5.00 in the cell at 1 horizontal 1 vertical in the table called "
              "VE on page 2\n\r"
              "Entered a value of 5.00 in the cell at 2 horizontal 1 vertical in the table called "
              "VE on page 2\n\r");
    EXPECT_EQ(ecu->SyncAt(Layout::kConstBase + shape(t).cellAddress(1, 0)), Sync::ToWrite);
}

TEST_F(TableEditorTest, PageKeysNudgeAndClearTheTunedFlag) {
    int t = table2D("Fuel", {101, 100, 32767});
    ASSERT_TRUE(editor.Open(t));
    editor.Nudge(50);
    EXPECT_EQ(cell(t, 0), 150);
    editor.SetCursor(1, 0, false);
    editor.Nudge(5);
    EXPECT_EQ(cell(t, 1), 104);
    editor.SetCursor(2, 0, false);
    editor.Nudge(50);
    EXPECT_EQ(cell(t, 2), 32766);
    setCell(t, 0, 0, -32768);
    editor.SetCursor(0, 0, false);
    editor.Nudge(-50);
    EXPECT_EQ(cell(t, 0), -32768);
}

TEST_F(TableEditorTest, InterpolationRowsColumnsAndCorners) {
    int t = table3D("VE", 5, 3);
    setCell(t, 0, 0, 100);
    setCell(t, 4, 0, 501); // tuned: interpolates from the word as stored
    setCell(t, 0, 2, 1000);
    setCell(t, 4, 2, 2000);
    ASSERT_TRUE(editor.Open(t));
    editor.SetCursor(0, 0, false);
    editor.SetCursor(1, 2, true); // two columns wide: rows change nothing
    editor.InterpolateRows();
    EXPECT_EQ(cell(t, 1, 0), 0);
    editor.SetCursor(0, 0, false);
    editor.SetCursor(4, 2, true);
    editor.InterpolateCorners();
    EXPECT_EQ(cell(t, 2, 0), 300); // round(300.5) halves to even
    EXPECT_EQ(cell(t, 1, 0), 200); // round(200.25)
    EXPECT_EQ(cell(t, 4, 0), 501); // end cells stay
    EXPECT_EQ(cell(t, 2, 2), 1500);
    EXPECT_EQ(cell(t, 2, 1), 900); // between 300 and 1500
    EXPECT_EQ(cell(t, 0, 1), 550);
    EXPECT_NE(lines->bytes.find("Interpolated From Corners in the range 0-4 horizontally 0-2 "
                                "vertically in the table called VE on page 2\n\r"),
              std::string::npos);

    int flat = table2D("Flat", {0, 0, 0, 1000});
    ASSERT_TRUE(editor.Open(flat));
    editor.SelectAll();
    editor.InterpolateColumns(); // nothing on a 2D table
    EXPECT_EQ(cell(flat, 1), 0);
    editor.InterpolateRows();
    EXPECT_EQ(cell(flat, 1), 332); // round(333.33) with bit 0 cleared
}

TEST_F(TableEditorTest, PercentageMarksAndTheirLogLines) {
    int t = table2D("Fuel", {100, 200, 32000, -100});
    ASSERT_TRUE(editor.Open(t));
    editor.SelectAll();
    EXPECT_FALSE(editor.ChangeByPercent(0));
    EXPECT_TRUE(lines->bytes.empty());
    EXPECT_TRUE(editor.ChangeByPercent(10));
    EXPECT_EQ(cell(t, 0), 110);
    EXPECT_EQ(cell(t, 1), 220);
    EXPECT_EQ(cell(t, 2), 32766);
    EXPECT_EQ(cell(t, 3), -110);
    EXPECT_TRUE(editor.ChangeByPercent(-100));
    EXPECT_EQ(cell(t, 2), 0);
    EXPECT_EQ(lines->bytes, "Added 10% to the cells in the range 0-3 horizontally 0-0 vertically "
                            "in the table called Fuel on page 2\n\r"
                            "Subtracted 100% from the cells in the range 0-3 horizontally 0-0 "
                            "vertically in the table called Fuel on page 2\n\r");
    editor.MarkTuned(true);
    EXPECT_EQ(cell(t, 0), 1);
    editor.MarkTuned(false);
    EXPECT_EQ(cell(t, 0), 0);
}

TEST_F(TableEditorTest, CopyLimitAndPasteRefusals) {
    int big = table3D("Big", 26, 40, 50);
    int small = table3D("Small", 3, 3);
    int flat = table2D("Flat", {2, 4, 6, 8});
    TableCopyBuffer buffer;
    ASSERT_TRUE(editor.Open(big));
    editor.SetCursor(0, 0, false);
    editor.SetCursor(24, 39, true);
    EXPECT_TRUE(editor.Copy(buffer));
    EXPECT_EQ(buffer.words.size(), 1000u);
    editor.SelectAll();
    EXPECT_FALSE(editor.Copy(buffer));
    EXPECT_FALSE(editor.Paste(buffer));
    EXPECT_EQ(messages.texts(), (std::vector<std::string>{"Region is too large to copy",
                                                          "Most recent copy was unsuccessful"}));
    messages.shown.clear();

    ASSERT_TRUE(editor.Open(flat));
    editor.SetCursor(1, 0, false);
    editor.SetCursor(2, 0, true);
    ASSERT_TRUE(editor.Copy(buffer));
    editor.SetCursor(3, 0, false);
    EXPECT_FALSE(editor.Paste(buffer));
    editor.SetCursor(0, 0, false);
    EXPECT_TRUE(editor.Paste(buffer));
    EXPECT_EQ(cell(flat, 0), 4);
    EXPECT_EQ(cell(flat, 1), 6);
    ASSERT_TRUE(editor.Open(small));
    EXPECT_FALSE(editor.Paste(buffer));
    setCell(small, 1, 1, 77);
    editor.SetCursor(0, 0, false);
    editor.SetCursor(2, 2, true);
    ASSERT_TRUE(editor.Copy(buffer));
    ASSERT_TRUE(editor.Open(flat));
    EXPECT_FALSE(editor.Paste(buffer));
    ASSERT_TRUE(editor.Open(big));
    editor.SetCursor(24, 38, false);
    EXPECT_FALSE(editor.Paste(buffer));
    editor.SetCursor(23, 37, false);
    EXPECT_TRUE(editor.Paste(buffer));
    EXPECT_EQ(cell(big, 24, 38), 77); // the tuned flag travels as copied
    editor.SetCursor(0, 0, false);
    editor.SetCursor(3, 3, true);
    ASSERT_TRUE(editor.Copy(buffer));
    ASSERT_TRUE(editor.Open(small));
    EXPECT_FALSE(editor.Paste(buffer));
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{
                  "Copied region can not be larger than paste region",
                  "Copied from a 2D table, but trying to paste into a 3D table",
                  "Copied from a 3D table, but trying to paste into a 2D table",
                  "Copied region can not be larger than paste region", "Table is too small"}));
}

TEST_F(TableEditorTest, PreviousAndNextStayWithTheKindAndSkipHiddenTables) {
    int a = table2D("A", {0, 0});
    int only3D = table3D("Only", 2, 2);
    int hidden = table2D("Hidden", {0, 0});
    ecu->WriteLogicByte(ecu->ElementLogicOffset[hidden] + 3, 0x81, false);
    int b = table2D("B", {0, 0});
    ASSERT_TRUE(editor.Open(a));
    EXPECT_EQ(editor.Neighbour(+1), b);
    EXPECT_EQ(editor.Neighbour(-1), b);
    ASSERT_TRUE(editor.Open(b));
    EXPECT_EQ(editor.Neighbour(+1), a);
    EXPECT_EQ(editor.Recent2D(), b);
    ASSERT_TRUE(editor.Open(only3D));
    EXPECT_EQ(editor.Neighbour(+1), only3D);
    EXPECT_EQ(editor.Recent2D(), -1);
    EXPECT_EQ(editor.RecentOrFirst(false), a);
    EXPECT_EQ(ecu->TableEditElement.index(*ecu), only3D);
    editor.Close();
    EXPECT_EQ(ecu->TableEditElement.index(*ecu), -1);
    EXPECT_EQ(editor.RecentOrFirst(true), only3D);
}

TEST_F(TableEditorTest, LiveCellByMidpointsAndTheTraceOfA3DTable) {
    const std::vector<int> refs{0, 500, 1000};
    EXPECT_EQ(TableEditor::NearestIndex(refs, -1, false), 0);
    EXPECT_EQ(TableEditor::NearestIndex(refs, 249, false), 0);
    EXPECT_EQ(TableEditor::NearestIndex(refs, 250, false), 1);
    EXPECT_EQ(TableEditor::NearestIndex(refs, 250, true), 0); // rows: the midpoint goes down
    EXPECT_EQ(TableEditor::NearestIndex(refs, 1000, false), 2);
    EXPECT_EQ(TableEditor::NearestIndex(refs, 999, true), 2);
    EXPECT_EQ(TableEditor::NearestIndex({}, 5, false), 0);

    int t = table3D("VE", 3, 3);
    ASSERT_TRUE(editor.Open(t));
    ecu->SetLiteral(t, 0, 10.0); // horizontal input 10.00 (raw 500)
    ecu->SetLiteral(t, 1, 20.0); // vertical input at the last reference
    ecu->Simulating = true;
    auto change = editor.LiveRefresh();
    EXPECT_TRUE(change.both);
    EXPECT_TRUE(change.grid);
    EXPECT_EQ(editor.LiveColumn(), 1);
    EXPECT_EQ(editor.LiveRow(), 2);
    EXPECT_EQ(editor.LiveText(Axis::Horizontal), "10.00");
    change = editor.LiveRefresh();
    EXPECT_FALSE(change.both);
    EXPECT_FALSE(change.grid);
    EXPECT_FALSE(editor.TraceStep(false));
    EXPECT_TRUE(editor.TraceStep(true));
    EXPECT_TRUE(editor.Traced(1, 2));
    EXPECT_EQ(editor.CellBackground(1, 2, {}), Colours::kRed);
    ASSERT_TRUE(editor.Open(t)); // opening afresh clears the trace
    EXPECT_FALSE(editor.Traced(1, 2));
    ecu->Simulating = false;
    ecu->LinkState = Link::Offline;
    editor.LiveRefresh();
    EXPECT_FALSE(editor.TraceStep(true));
    EXPECT_EQ(editor.LiveText(Axis::Horizontal), "");
}

TEST_F(TableEditorTest, InsertionProposesFillsAndReopens) {
    int t = table3D("VE", 3, 2, 500);
    setCell(t, 1, 0, 1000);
    setCell(t, 2, 0, 2000);
    setCell(t, 1, 1, 100);
    setCell(t, 2, 1, 501);
    ASSERT_TRUE(editor.Open(t));
    editor.SetCursor(2, 0, false);
    EXPECT_EQ(editor.InsertProposal(Axis::Horizontal), 750);
    editor.SetCursor(0, 0, false);
    std::string proposal;
    ASSERT_TRUE(editor.BeginInsert(Axis::Horizontal, proposal));
    EXPECT_EQ(proposal, "5.00");
    EXPECT_EQ(editor.FinishInsert(Axis::Horizontal, "abc"), TableEditor::InsertResult::TypeAgain);
    EXPECT_EQ(editor.FinishInsert(Axis::Horizontal, "656"), TableEditor::InsertResult::TypeAgain);
    EXPECT_EQ(editor.FinishInsert(Axis::Horizontal, "10"), TableEditor::InsertResult::Refused);
    EXPECT_EQ(editor.Columns(), 3);
    EXPECT_EQ(editor.FinishInsert(Axis::Horizontal, "12.5"), TableEditor::InsertResult::Done);
    EXPECT_EQ(editor.Columns(), 4);
    EXPECT_EQ(reference(t, Axis::Horizontal, 2), 625);
    EXPECT_EQ(cell(t, 2, 0), 1250); // a quarter of the way from 1000 to 2000
    EXPECT_EQ(cell(t, 2, 1), 200);  // from 100 to 501 (as stored): 200.25
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"\"abc\" not a valid real number",
                                        "Number out of range. Allowable range is -655 to +655",
                                        "A column of value  10.00 already exists"}));
    std::string row;
    int flat = table2D("Flat", {0, 0});
    ASSERT_TRUE(editor.Open(flat));
    EXPECT_FALSE(editor.BeginInsert(Axis::Vertical, row)); // rows only in 3D tables
}

TEST_F(TableEditorTest, DeletionAsksAndKeepsTwo) {
    int t = table3D("VE", 4, 2);
    ASSERT_TRUE(editor.Open(t));
    editor.SelectAll();
    EXPECT_FALSE(editor.DeleteSelected(Axis::Vertical));
    EXPECT_FALSE(editor.DeleteSelected(Axis::Horizontal));
    editor.SetCursor(1, 0, false);
    messages.answers = {Messages::Answer::No};
    EXPECT_FALSE(editor.DeleteSelected(Axis::Horizontal));
    EXPECT_EQ(editor.Columns(), 4);
    editor.SetCursor(2, 0, true);
    messages.answers = {Messages::Answer::Yes};
    EXPECT_TRUE(editor.DeleteSelected(Axis::Horizontal));
    EXPECT_EQ(editor.Columns(), 2);
    EXPECT_EQ(reference(t, Axis::Horizontal, 1), 1500);
    EXPECT_EQ(editor.CursorColumn(), 1);
    EXPECT_EQ(
        messages.texts(),
        (std::vector<std::string>{"Cannot delete 2 rows; 3D table must have at least two rows.",
                                  "Cannot delete 4 columns; table must have at least two columns.",
                                  "Are you sure you want to delete column  10.00?",
                                  "Are you sure you want to delete columns  10.00 to  20.00?"}));
    EXPECT_NE(
        lines->bytes.find("Deleted the columns from 1 to 2 from the table called VE on page 2"),
        std::string::npos);
}

TEST_F(TableEditorTest, ArrowKeysScrollToTheLastOf255Columns) {
    std::vector<int> cells(255, 0);
    int t = table2D("Long", cells, 2);
    ASSERT_TRUE(editor.Open(t));
    TableEditor::GridMetrics m{56, 16, 600, 100};
    for (int k = 0; k < 300; ++k) {
        editor.MoveCursor(1, 0, false);
        editor.ScrollToCursor(m);
    }
    EXPECT_EQ(editor.CursorColumn(), 254);
    EXPECT_GE(editor.FirstColumn(), 254 - 600 / 56);
    int column = -1, row = -1;
    editor.CellAt(m, 60 + 2 * 56 + 5, 30 + 16 + 3, column, row);
    EXPECT_EQ(column, editor.FirstColumn() + 1);
    EXPECT_EQ(row, 0);
    for (int k = 0; k < 300; ++k) {
        editor.MoveCursor(-1, 0, false);
        editor.ScrollToCursor(m);
    }
    EXPECT_EQ(editor.FirstColumn(), 0);
}

TEST_F(TableEditorTest, CellColoursShadeFromGreenToRed) {
    int t = table3D("VE", 3, 1);
    setCell(t, 0, 0, 0);
    setCell(t, 1, 0, 500);
    setCell(t, 2, 0, 1000);
    ASSERT_TRUE(editor.Open(t));
    editor.SetCursor(2, 0, false);
    TableEditor::Options shade{false, false};
    EXPECT_EQ(editor.CellBackground(0, 0, shade), (Rgb{0, 255, 0}));
    EXPECT_EQ(editor.CellBackground(1, 0, shade), (Rgb{255, 255, 0}));
    EXPECT_EQ(editor.CellBackground(2, 0, shade), (Rgb{160, 160, 164}));
    editor.TypeDigit(1);
    EXPECT_EQ(editor.CellBackground(2, 0, shade), (Rgb{0, 128, 128}));
    EXPECT_EQ(editor.CellTextColour(2, 0), Colours::kWhite);
    EXPECT_EQ(editor.CellBackground(0, 0, {false, true}), Colours::kWhite);
}

} // namespace

namespace {

TEST_F(TableEditorTest, DamagedBlocksAreNotOpenedAndEmptyTablesAreHarmless) {
    int t = table3D("VE", 3, 3);
    const int c = ecu->ElementConstOffset[t];
    ecu->WriteConstByte(c, 255);
    ecu->WriteConstByte(c + 1, 255);
    EXPECT_FALSE(editor.Open(t));
    EXPECT_EQ(messages.texts().back(), TableEditor::kDamagedTable);
    EXPECT_EQ(ecu->TableEditElement.index(*ecu), -1);

    ecu->WriteConstByte(c, 0);
    ecu->WriteConstByte(c + 1, 0);
    const std::vector<uint8_t> before(ecu->Image + Layout::kConstBase,
                                      ecu->Image + Layout::kConstBase + Layout::kConstSize);
    ASSERT_TRUE(editor.Open(t));
    messages.shown.clear();
    type("5\n");
    editor.SelectAll();
    editor.InterpolateCorners();
    editor.Nudge(50);
    editor.ChangeByPercent(10);
    editor.MarkTuned(true);
    TableCopyBuffer buffer;
    EXPECT_FALSE(editor.Copy(buffer)); // an empty table has no cells to copy
    editor.Paste(buffer);
    editor.LiveRefresh();
    const std::vector<uint8_t> after(ecu->Image + Layout::kConstBase,
                                     ecu->Image + Layout::kConstBase + Layout::kConstSize);
    EXPECT_EQ(before, after);
}

} // namespace

namespace {

TEST_F(TableEditorTest, EditsFollowABlockMovedByAnEarlierTable) {
    int first = table2D("First", {0, 0, 0});
    int second = table2D("Second", {7, 7});
    ASSERT_TRUE(editor.Open(second));
    int index = 0;
    ASSERT_TRUE(Tables::InsertAt(*ecu, first, Axis::Horizontal, "5", index));
    type("5\n");
    EXPECT_EQ(cell(second, 0), 250);
    EXPECT_EQ(cell(second, 1), 7);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(cell(first, i), 0) << i;
}

} // namespace
