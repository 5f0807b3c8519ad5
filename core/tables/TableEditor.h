#pragma once

#include "editor/DrawList.h"
#include "model/ECU.h"
#include "model/Tables.h"

#include <array>
#include <string>
#include <vector>

namespace zolmar {

// Cells copied from a table: kept across tables, so cells can go from one to another.
struct TableCopyBuffer {
    static constexpr int kMaxCells = 1000;
    std::vector<uint16_t> words; // row by row, tuned flags included
    int width = 0;
    int height = 0;
    bool from3D = false;
    bool succeeded = false;
};

// The selection rectangle, corners ordered: columns a..b, rows c..d.
struct CellRange {
    int a = 0, b = 0, c = 0, d = 0;
    bool contains(int column, int row) const {
        return column >= a && column <= b && row >= c && row <= d;
    }
};

// The table element editor without its window: which table is open, the cursor,
// the selection, the typed entry, the live cell and trace, and every command that
// changes cells, with its messages and change-log lines. The window maps keys and
// mouse onto these calls and draws what they leave.
class TableEditor {
public:
    static constexpr int kTraceSize = 256;
    static constexpr const char* kDamagedTable =
        "This table cannot be edited: its data runs past the end of the constant memory "
        "(the configuration is damaged).";

    explicit TableEditor(tECU& ecu);

    // --- opening and closing
    // Sets the editor up for the table; false (nothing changed) when it is no table
    // or its block does not lie inside the constant area (shown as an error).
    bool Open(int element);
    // Reads the open table's shape, names and range again (after a change of shape).
    bool Reopen() { return Open(element()); }
    // The window was closed or hidden: no table is open any more.
    void Close();
    // Open on a table that is still in the diagram; the index it has now.
    bool IsOpen() const { return element() >= 0; }
    int Element() const { return element(); }
    // A table was open and has gone (deleted, or another configuration loaded): the
    // window closes rather than show it.
    bool Gone() const { return !table_.empty() && element() < 0; }
    const Tables::Shape& Shape() const { return shape_; }
    bool Is3D() const { return shape_.is3D(); }
    int Columns() const { return shape_.columns; }
    int Rows() const { return shape_.rows; }
    // The most recently opened table of each kind, -1 when none.
    int Recent2D() const { return recent2D_.index(ecu_); }
    int Recent3D() const { return recent3D_.index(ecu_); }
    // F4 / F5 of the main window: the recent table of the kind, else the first one not
    // hidden from the simple view; -1 when there is none.
    int RecentOrFirst(bool threeD) const;
    // Prev (-1) / Next (+1): the next table of the same kind not hidden from the simple
    // view, wrapping around; the open table itself when it is the only one; -1 when
    // no table is open.
    int Neighbour(int direction) const;

    // --- what the window shows about the table
    std::string Caption() const;
    std::array<std::string, 3> SummaryLines() const;
    // "Live Address", "Constant Address", ... with their values.
    std::vector<std::pair<std::string, std::string>> InfoLabels() const;
    const std::string& HorizontalName() const { return horizontalName_; }
    const std::string& VerticalName() const { return verticalName_; }
    int16_t Reference(Tables::Axis axis, int index) const;
    uint16_t CellWord(int column, int row) const;
    // The cell as shown: the value text of the word with the tuned flag cleared.
    std::string CellText(int column, int row) const;

    // --- cursor and selection
    int CursorColumn() const { return cursorColumn_; }
    int CursorRow() const { return cursorRow_; }
    int AnchorColumn() const { return anchorColumn_; }
    int AnchorRow() const { return anchorRow_; }
    bool SingleCell() const { return cursorColumn_ == anchorColumn_ && cursorRow_ == anchorRow_; }
    // The selection, clamped to the table.
    CellRange Selection() const;
    void SetCursor(int column, int row, bool extend);
    void MoveCursor(int dColumn, int dRow, bool extend);
    void SelectAll();

    // --- the typed entry
    bool Entering() const { return entryLength_ > 0; }
    int EntryLength() const { return entryLength_; }
    // The entry as the cursor cell shows it, six characters.
    std::string EntryText() const;
    void TypeDigit(int digit);
    void TypeMinus();
    void TypePoint();
    void CommitEntry();
    void DiscardEntry() { entryLength_ = 0; }
    // The raw value of an entry before it is limited and its bit 0 cleared.
    static int EntryValue(const std::array<char, 5>& c, int length);

    // --- commands on the selection
    // PgUp / PgDn: every selected cell + amount, limited, tuned flag cleared.
    void Nudge(int amount);
    void InterpolateColumns();
    void InterpolateRows();
    void InterpolateCorners();
    void MarkTuned(bool tuned);
    // Add/Subtract percentage; false when nothing changed (p = 0).
    bool ChangeByPercent(int percent);
    bool Copy(TableCopyBuffer& buffer) const;
    bool Paste(const TableCopyBuffer& buffer);

    // --- insertion and deletion of columns and rows
    // Checks the kind, the count limits and the free space (messages shown); then the
    // proposal for the "Insert ..." dialog with two decimals.
    bool BeginInsert(Tables::Axis axis, std::string& proposal);
    enum class InsertResult { Done, TypeAgain, Refused };
    // The typed value: a number -655..655 that is no existing reference. TypeAgain
    // after a number error (the dialog stays open); Done reopens the table.
    InsertResult FinishInsert(Tables::Axis axis, const std::string& text);
    // Deletes the selected columns (rows) after the confirmation; reopens on success.
    bool DeleteSelected(Tables::Axis axis);
    // The proposal for a new reference at the cursor, raw.
    int InsertProposal(Tables::Axis axis) const;

    // --- live values and trace
    // The live values are available: online-capable link or simulating.
    bool LiveAvailable() const;
    // The input's current value: the linked live word or the fixed value.
    int16_t InputValue(int input) const;
    struct LiveChange {
        bool both = false; // live cell or cursor moved: graphic and grid
        bool grid = false; // a live value moved: the grid with its crosshair
    };
    // One poll: live values, live cell; tells what to redraw.
    LiveChange LiveRefresh();
    // After the refresh: marks the live cell when tracing; true when a mark was set.
    bool TraceStep(bool mapTrace);
    void ClearTrace();
    bool Traced(int column, int row) const;
    int LiveColumn() const { return liveColumn_; }
    int LiveRow() const { return liveRow_; }
    int16_t LiveHorizontal() const { return liveX_; }
    int16_t LiveVertical() const { return liveY_; }
    // The text beside an axis caption: blank without live values, none for the 2D vertical.
    std::string LiveText(Tables::Axis axis) const;
    // The live cell index for a value on references: index 0 below the first, the last at
    // or above the last, otherwise by the midpoints; the upper midpoint belongs to the
    // lower index when upperInclusive (rows).
    static int NearestIndex(const std::vector<int>& references, int x, bool upperInclusive);
    std::vector<int> References(Tables::Axis axis) const;

    // --- grid geometry and colours
    struct GridMetrics {
        int cellWidth = 56;
        int cellHeight = 16;
        int width = 600;  // grid area
        int height = 300; // grid area
    };
    // Keeps the cursor in view after a key.
    void ScrollToCursor(const GridMetrics& m);
    int FirstColumn() const { return firstColumn_; }
    int FirstRow() const { return firstRow_; }
    void SetFirstVisible(int column, int row);
    // How many columns and rows the grid area shows whole (at least one each).
    int VisibleColumns(const GridMetrics& m) const;
    int VisibleRows(const GridMetrics& m) const;
    // The grid area that shows the whole table: every column, every row and the
    // references, with the cells' own spacing as the margin.
    void WholeTableSize(const GridMetrics& m, int& width, int& height) const;
    // The cell under a mouse position, clamped to the table.
    void CellAt(const GridMetrics& m, int x, int y, int& column, int& row) const;
    struct Options {
        bool highlight = true; // highlight the live cell's column and row
        bool noShading = false;
    };
    Rgb CellBackground(int column, int row, const Options& options) const;
    Rgb CellTextColour(int column, int row) const;
    // The crosshair's x (and y for 3D) relative to the grid's scrolled origin; false
    // when that line is not drawn.
    bool CrosshairX(const GridMetrics& m, int& x) const;
    bool CrosshairY(const GridMetrics& m, int& y) const;
    // The smallest and largest cell word (tuned flag included).
    int RangeLow() const { return lo_; }
    int RangeHigh() const { return hi_; }
    void ComputeRange();

    // The 3D graphic's viewing direction, 0..3, kept across tables.
    int Orientation = 0;
    void NextOrientation() { Orientation = (Orientation + 1) & 3; }

private:
    void setRecent();
    // Re-reads the open table's shape; false when it is no longer an editable table.
    bool current();
    void writeCell(int column, int row, uint16_t word);
    std::string where() const;
    std::string rangeText(const CellRange& r) const;
    void logEntered(int column, int row, uint16_t word);
    void interpolateRow(int row, int a, int b);
    void interpolateColumn(int column, int c, int d);
    std::string inputName(int input) const;

    int element() const { return table_.index(ecu_); }

    tECU& ecu_;
    ElementRef table_;
    Tables::Shape shape_;
    ElementRef recent2D_;
    ElementRef recent3D_;
    int cursorColumn_ = 0, cursorRow_ = 0;
    int anchorColumn_ = 0, anchorRow_ = 0;
    std::array<char, 5> entry_{' ', ' ', ' ', ' ', ' '};
    int entryLength_ = 0;
    int firstColumn_ = 0, firstRow_ = 0;
    int liveColumn_ = 0, liveRow_ = 0;
    int16_t liveX_ = 0, liveY_ = 0;
    bool liveShown_ = false;
    int lastCursorColumn_ = -1, lastCursorRow_ = -1;
    std::vector<uint8_t> trace_;
    int lo_ = 0, hi_ = 0;
    std::string horizontalName_, verticalName_;
};

} // namespace zolmar
