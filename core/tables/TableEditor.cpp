#include "tables/TableEditor.h"

#include "editor/PointerEditor.h"

#include "link/SyncEngine.h"

#include <algorithm>
#include <cmath>

namespace zolmar {

using Tables::Axis;

namespace {

int digitOf(char c) {
    return c >= '0' && c <= '9' ? c - '0' : 0;
}

uint16_t wordOf(long value) {
    return static_cast<uint16_t>(static_cast<int16_t>(std::clamp<long>(value, -32768, 32767)));
}

uint16_t untuned(long value) {
    return static_cast<uint16_t>(wordOf(value) & 0xFFFE);
}

std::string trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

} // namespace

TableEditor::TableEditor(tECU& ecu)
    : ecu_(ecu), trace_(static_cast<size_t>(kTraceSize) * kTraceSize, 0) {}

bool TableEditor::Open(int element) {
    Tables::Shape shape;
    if (!Tables::ShapeOf(ecu_, element, shape))
        return false;
    // A damaged block reaching past the constant area is not edited: every write
    // there would be refused cell by cell.
    if (shape.constAddr + shape.blockSize() > Layout::kConstSize) {
        ecu_.messages().error(kDamagedTable);
        return false;
    }
    table_ = ElementRef(ecu_, element);
    shape_ = shape;
    ecu_.TableEditElement = table_;
    setRecent();
    entryLength_ = 0;
    std::fill(trace_.begin(), trace_.end(), 0);
    liveShown_ = false;
    liveX_ = liveY_ = 0;
    liveColumn_ = liveRow_ = 0;
    lastCursorColumn_ = lastCursorRow_ = -1;
    // The selection carries over, within the new table.
    const int maxColumn = std::max(0, Columns() - 1);
    const int maxRow = std::max(0, Rows() - 1);
    cursorColumn_ = std::clamp(cursorColumn_, 0, maxColumn);
    anchorColumn_ = std::clamp(anchorColumn_, 0, maxColumn);
    cursorRow_ = std::clamp(cursorRow_, 0, maxRow);
    anchorRow_ = std::clamp(anchorRow_, 0, maxRow);
    firstColumn_ = std::clamp(firstColumn_, 0, maxColumn);
    firstRow_ = std::clamp(firstRow_, 0, maxRow);
    horizontalName_ = inputName(0);
    verticalName_ = Is3D() ? inputName(1) : std::string();
    ComputeRange();
    return true;
}

bool TableEditor::current() {
    // Other blocks may have moved this one since it was opened: read its place again.
    Tables::Shape shape;
    if (element() < 0 || !Tables::ShapeOf(ecu_, element(), shape) || shape.type != shape_.type ||
        shape.constAddr + shape.blockSize() > Layout::kConstSize)
        return false;
    shape_ = shape;
    return true;
}

void TableEditor::setRecent() {
    if (element() < 0)
        return;
    recent2D_ = Is3D() ? ElementRef() : table_;
    recent3D_ = Is3D() ? table_ : ElementRef();
}

void TableEditor::Close() {
    setRecent();
    ecu_.TableEditElement.clear();
    table_.clear();
    entryLength_ = 0;
}

int TableEditor::RecentOrFirst(bool threeD) const {
    return PointerEditor::tableForKey(ecu_, threeD, (threeD ? recent3D_ : recent2D_).index(ecu_));
}

int TableEditor::Neighbour(int direction) const {
    const int n = ecu_.NumElements;
    const int open = element();
    if (open < 0)
        return -1;
    const int kind = shape_.type;
    for (int step = 1; step < n; ++step) {
        const int j = ((open + direction * step) % n + n) % n;
        if (ecu_.TypeOf(j) == kind && !ecu_.AdvancedOnly(j))
            return j;
    }
    return open;
}

std::string TableEditor::inputName(int input) const {
    const int e = element();
    if (e < 0)
        return {};
    const uint16_t w = ecu_.InputWord(e, input);
    if ((w & 1) == 0)
        return tECU::ValueText50(static_cast<int16_t>(w));
    std::string name;
    return ecu_.NameOfLiveAddress(w & 0xFFFE, name) ? name : std::string("???");
}

std::string TableEditor::Caption() const {
    if (element() < 0)
        return {};
    return ecu_.NameOf(Layout::kNumPages + element()) + (Is3D() ? " (3D map)" : " (2D map)");
}

std::array<std::string, 3> TableEditor::SummaryLines() const {
    if (Is3D())
        return {"Size: " + std::to_string(Columns()) + " by " + std::to_string(Rows()),
                "Horiz in: " + horizontalName_, "Vert in : " + verticalName_};
    return {std::to_string(Columns()) + " entries ", "Input: " + horizontalName_, " "};
}

std::vector<std::pair<std::string, std::string>> TableEditor::InfoLabels() const {
    if (element() < 0)
        return {};
    const int type = shape_.type;
    const int e = element();
    return {{"Live Address", std::to_string(ecu_.ElementLiveOffset[e])},
            {"Constant Address", std::to_string(ecu_.ElementConstOffset[e])},
            {"Config Address", std::to_string(ecu_.ElementLogicOffset[e])},
            {"Index", std::to_string(e)},
            {"Calc. Depth", std::to_string(ecu_.ElementDepth[e])},
            {"Live Size", std::to_string(tECU::LiveSize(type))},
            {"Constant Size", std::to_string(ecu_.ConstSize(type, ecu_.ElementConstOffset[e]))},
            {"Config Size", std::to_string(tECU::LogicSize(type))}};
}

int16_t TableEditor::Reference(Axis axis, int index) const {
    return Tables::Reference(ecu_, shape_, axis, index);
}

uint16_t TableEditor::CellWord(int column, int row) const {
    return Tables::Cell(ecu_, shape_, column, row);
}

std::string TableEditor::CellText(int column, int row) const {
    return tECU::ValueText50(static_cast<int16_t>(CellWord(column, row) & 0xFFFE));
}

std::vector<int> TableEditor::References(Axis axis) const {
    std::vector<int> refs;
    if (element() < 0 || (axis == Axis::Vertical && !Is3D()))
        return refs;
    for (int i = 0; i < shape_.count(axis); ++i)
        refs.push_back(Reference(axis, i));
    return refs;
}

// ---------------------------------------------------------------- selection

CellRange TableEditor::Selection() const {
    const int maxColumn = std::max(0, Columns() - 1);
    const int maxRow = std::max(0, Rows() - 1);
    CellRange r;
    r.a = std::clamp(std::min(cursorColumn_, anchorColumn_), 0, maxColumn);
    r.b = std::clamp(std::max(cursorColumn_, anchorColumn_), 0, maxColumn);
    r.c = std::clamp(std::min(cursorRow_, anchorRow_), 0, maxRow);
    r.d = std::clamp(std::max(cursorRow_, anchorRow_), 0, maxRow);
    return r;
}

void TableEditor::SetCursor(int column, int row, bool extend) {
    cursorColumn_ = std::clamp(column, 0, std::max(0, Columns() - 1));
    cursorRow_ = std::clamp(row, 0, std::max(0, Rows() - 1));
    if (!extend) {
        anchorColumn_ = cursorColumn_;
        anchorRow_ = cursorRow_;
    }
}

void TableEditor::MoveCursor(int dColumn, int dRow, bool extend) {
    SetCursor(cursorColumn_ + dColumn, cursorRow_ + dRow, extend);
}

void TableEditor::SelectAll() {
    cursorColumn_ = 0;
    cursorRow_ = 0;
    anchorColumn_ = std::max(0, Columns() - 1);
    anchorRow_ = std::max(0, Rows() - 1);
}

// ---------------------------------------------------------------- entry

std::string TableEditor::EntryText() const {
    const auto& c = entry_;
    std::string t;
    if (c[0] != '-') {
        switch (entryLength_) {
        case 1:
            t = std::string("  ") + c[0] + ".";
            break;
        case 2:
            t = std::string(" ") + c[0] + c[1] + ".";
            break;
        case 3:
            t = std::string() + c[0] + c[1] + c[2] + ".";
            break;
        default:
            t = std::string() + c[0] + c[1] + c[2] + "." + c[3];
            break;
        }
    } else {
        switch (entryLength_) {
        case 1:
            t = "-   .";
            break;
        case 2:
            t = std::string("-  ") + c[1] + ".";
            break;
        case 3:
            t = std::string("- ") + c[1] + c[2] + ".";
            break;
        default:
            t = std::string("-") + c[1] + c[2] + c[3] + ".";
            break;
        }
    }
    t.resize(6, ' ');
    return t;
}

int TableEditor::EntryValue(const std::array<char, 5>& c, int length) {
    const int d0 = digitOf(c[0]), d1 = digitOf(c[1]), d2 = digitOf(c[2]), d3 = digitOf(c[3]),
              d4 = digitOf(c[4]);
    if (c[0] != '-') {
        switch (length) {
        case 1:
            return d0 * 50;
        case 2:
            return d0 * 500 + d1 * 50;
        case 3:
            return d0 * 5000 + d1 * 500 + d2 * 50;
        case 4:
            return d0 * 5000 + d1 * 500 + d2 * 50 + d3 * 5;
        default:
            return d0 * 5000 + d1 * 500 + d2 * 50 + d3 * 5 + d4 / 2;
        }
    }
    switch (length) {
    case 1:
        return 0;
    case 2:
        return -d1 * 50;
    case 3:
        return -(d1 * 500 + d2 * 50);
    case 4:
        return -(d1 * 5000 + d2 * 500 + d3 * 50);
    default:
        return -(d1 * 5000 + d2 * 500 + d3 * 50) - d4 * 5;
    }
}

void TableEditor::TypeDigit(int digit) {
    const char ch = static_cast<char>('0' + std::clamp(digit, 0, 9));
    if (!Entering()) {
        entry_ = {ch, ' ', ' ', ' ', ' '};
        entryLength_ = 1;
        return;
    }
    if (entryLength_ >= 5)
        return;
    entry_[static_cast<size_t>(entryLength_)] = ch;
    ++entryLength_;
    if (entryLength_ == 5)
        CommitEntry();
}

void TableEditor::TypeMinus() {
    if (Entering())
        return;
    entry_ = {'-', ' ', ' ', ' ', ' '};
    entryLength_ = 1;
}

void TableEditor::TypePoint() {
    auto& c = entry_;
    if (!Entering()) {
        c = {' ', ' ', '0', ' ', ' '};
        entryLength_ = 3;
        return;
    }
    if (c[0] != '-') {
        if (entryLength_ == 1) {
            c[2] = c[0];
            c[0] = c[1] = ' ';
        } else if (entryLength_ == 2) {
            c[2] = c[1];
            c[1] = c[0];
            c[0] = ' ';
        }
        entryLength_ = std::max(entryLength_, 3);
    } else {
        if (entryLength_ == 2) {
            c[3] = c[1];
            c[1] = c[2] = ' ';
        } else if (entryLength_ == 3) {
            c[3] = c[2];
            c[2] = c[1];
            c[1] = ' ';
        }
        entryLength_ = std::max(entryLength_, 4);
    }
}

void TableEditor::CommitEntry() {
    if (!Entering() || !current())
        return;
    const uint16_t word = untuned(EntryValue(entry_, entryLength_));
    entryLength_ = 0;
    const CellRange r = Selection();
    for (int row = r.c; row <= r.d; ++row)
        for (int column = r.a; column <= r.b; ++column) {
            writeCell(column, row, word);
            logEntered(column, row, word);
        }
    ComputeRange();
}

// ---------------------------------------------------------------- commands

void TableEditor::writeCell(int column, int row, uint16_t word) {
    // A corrupt table's cells are written only where the table has them.
    if (element() < 0 || column < 0 || row < 0 || column >= Columns() || row >= Rows())
        return;
    Tables::WriteCell(ecu_, shape_, column, row, word);
}

std::string TableEditor::where() const {
    return " in the table called " + ecu_.NameOf(Layout::kNumPages + element()) + " on page " +
           std::to_string(ecu_.PageOf(element()) + 1);
}

std::string TableEditor::rangeText(const CellRange& r) const {
    return std::to_string(r.a) + "-" + std::to_string(r.b) + " horizontally " +
           std::to_string(r.c) + "-" + std::to_string(r.d) + " vertically" + where();
}

void TableEditor::logEntered(int column, int row, uint16_t word) {
    if (!ecu_.LoggingChanges())
        return;
    ecu_.LogChange("Entered a value of " + Tables::TwoDecimals(static_cast<int16_t>(word)) +
                   " in the cell at " + std::to_string(column) + " horizontal " +
                   std::to_string(row) + " vertical" + where());
}

void TableEditor::Nudge(int amount) {
    if (!current())
        return;
    const CellRange r = Selection();
    for (int row = r.c; row <= r.d; ++row)
        for (int column = r.a; column <= r.b; ++column) {
            const uint16_t word =
                untuned(static_cast<long>(static_cast<int16_t>(CellWord(column, row))) + amount);
            writeCell(column, row, word);
            logEntered(column, row, word);
        }
    ComputeRange();
}

void TableEditor::interpolateRow(int row, int a, int b) {
    const int64_t ca = static_cast<int16_t>(CellWord(a, row));
    const int64_t cb = static_cast<int16_t>(CellWord(b, row));
    const int64_t ra = Reference(Axis::Horizontal, a);
    const int64_t rb = Reference(Axis::Horizontal, b);
    for (int i = a + 1; i < b; ++i)
        writeCell(i, row, Tables::InterpolatedCell(ca, cb, ra, Reference(Axis::Horizontal, i), rb));
}

void TableEditor::interpolateColumn(int column, int c, int d) {
    const int64_t cc = static_cast<int16_t>(CellWord(column, c));
    const int64_t cd = static_cast<int16_t>(CellWord(column, d));
    const int64_t rc = Reference(Axis::Vertical, c);
    const int64_t rd = Reference(Axis::Vertical, d);
    for (int j = c + 1; j < d; ++j)
        writeCell(column, j,
                  Tables::InterpolatedCell(cc, cd, rc, Reference(Axis::Vertical, j), rd));
}

void TableEditor::InterpolateColumns() {
    if (!current() || !Is3D())
        return;
    const CellRange r = Selection();
    if (r.d - r.c >= 2)
        for (int column = r.a; column <= r.b; ++column)
            interpolateColumn(column, r.c, r.d);
    ecu_.LogChange("Interpolated Columns in the range " + rangeText(r));
    ComputeRange();
}

void TableEditor::InterpolateRows() {
    if (!current())
        return;
    const CellRange r = Selection();
    if (r.b - r.a >= 2)
        for (int row = r.c; row <= r.d; ++row)
            interpolateRow(row, r.a, r.b);
    ecu_.LogChange("Interpolated Rows in the range " + rangeText(r));
    ComputeRange();
}

void TableEditor::InterpolateCorners() {
    if (!current())
        return;
    const CellRange r = Selection();
    if (r.b - r.a >= 2) {
        interpolateRow(r.c, r.a, r.b);
        interpolateRow(r.d, r.a, r.b);
    }
    if (Is3D() && r.d - r.c >= 2)
        for (int column = r.a; column <= r.b; ++column)
            interpolateColumn(column, r.c, r.d);
    ecu_.LogChange("Interpolated From Corners in the range " + rangeText(r));
    ComputeRange();
}

void TableEditor::MarkTuned(bool tuned) {
    if (!current())
        return;
    const CellRange r = Selection();
    for (int row = r.c; row <= r.d; ++row)
        for (int column = r.a; column <= r.b; ++column) {
            const uint16_t w = CellWord(column, row);
            writeCell(column, row, static_cast<uint16_t>(tuned ? (w | 1) : (w & 0xFFFE)));
        }
    ComputeRange();
}

bool TableEditor::ChangeByPercent(int percent) {
    if (percent == 0 || !current())
        return false;
    percent = std::clamp(percent, -100, 400);
    const CellRange r = Selection();
    for (int row = r.c; row <= r.d; ++row)
        for (int column = r.a; column <= r.b; ++column) {
            const int64_t word = static_cast<int16_t>(CellWord(column, row));
            // word x (1 + p / 100), limited to the word's range before rounding.
            const int64_t product = std::clamp<int64_t>(word * (100 + percent), -3276800, 3276700);
            writeCell(column, row, untuned(static_cast<long>(Tables::RoundHalfEven(product, 100))));
        }
    const std::string p = std::to_string(percent < 0 ? -percent : percent);
    ecu_.LogChange((percent > 0 ? "Added " + p + "% to the cells in the range "
                                : "Subtracted " + p + "% from the cells in the range ") +
                   rangeText(r));
    ComputeRange();
    return true;
}

bool TableEditor::Copy(TableCopyBuffer& buffer) const {
    if (element() < 0 || Columns() <= 0 || Rows() <= 0) {
        buffer.succeeded = false;
        return false;
    }
    const CellRange r = Selection();
    const int width = r.b - r.a + 1;
    const int height = r.d - r.c + 1;
    if (Is3D() && width * height > TableCopyBuffer::kMaxCells) {
        buffer.succeeded = false;
        ecu_.messages().error("Region is too large to copy");
        return false;
    }
    buffer.words.clear();
    for (int row = r.c; row <= r.d; ++row)
        for (int column = r.a; column <= r.b; ++column)
            buffer.words.push_back(CellWord(column, row));
    buffer.width = width;
    buffer.height = height;
    buffer.from3D = Is3D();
    buffer.succeeded = true;
    return true;
}

bool TableEditor::Paste(const TableCopyBuffer& buffer) {
    if (!current())
        return false;
    auto refuse = [this](const char* text) {
        ecu_.messages().error(text);
        return false;
    };
    if (!buffer.succeeded || buffer.words.size() != static_cast<size_t>(buffer.width) *
                                                        static_cast<size_t>(buffer.height))
        return refuse("Most recent copy was unsuccessful");
    if (!buffer.from3D && Is3D())
        return refuse("Copied from a 2D table, but trying to paste into a 3D table");
    if (buffer.from3D && !Is3D())
        return refuse("Copied from a 3D table, but trying to paste into a 2D table");
    if (Columns() < buffer.width || Rows() < buffer.height)
        return refuse("Table is too small");
    const CellRange r = Selection();
    if (r.a + buffer.width > Columns() || r.c + buffer.height > Rows())
        return refuse("Copied region can not be larger than paste region");
    for (int y = 0; y < buffer.height; ++y)
        for (int x = 0; x < buffer.width; ++x) {
            const uint16_t word = buffer.words[static_cast<size_t>(y * buffer.width + x)];
            const int column = r.a + x, row = r.c + y;
            writeCell(column, row, word);
            if (!ecu_.LoggingChanges())
                continue;
            const std::string value = Tables::TwoDecimals(static_cast<int16_t>(word & 0xFFFE));
            if (Is3D())
                ecu_.LogChange("Pasted a value of " + value + " in to the cell at " +
                               std::to_string(column) + " horizontal " + std::to_string(row) +
                               " vertical" + where());
            else
                ecu_.LogChange("Pasted a value of " + value + " in to cell " +
                               std::to_string(column) + where());
        }
    ComputeRange();
    return true;
}

// ---------------------------------------------------------------- insert and delete

int TableEditor::InsertProposal(Axis axis) const {
    const std::vector<int> refs = References(axis);
    const int n = static_cast<int>(refs.size());
    if (n == 0)
        return 0;
    if (n == 1)
        return refs[0];
    const int i = std::clamp(axis == Axis::Horizontal ? cursorColumn_ : cursorRow_, 0, n - 1);
    if (i >= n - 1)
        return (refs[static_cast<size_t>(n - 2)] + refs[static_cast<size_t>(n - 1)]) / 2;
    return (refs[static_cast<size_t>(i)] + refs[static_cast<size_t>(i + 1)]) / 2;
}

bool TableEditor::BeginInsert(Axis axis, std::string& proposal) {
    if (!current() || (axis == Axis::Vertical && !Is3D()))
        return false;
    if (!Tables::CheckGrowth(ecu_, shape_, axis))
        return false;
    proposal = Tables::TwoDecimals(InsertProposal(axis));
    return true;
}

TableEditor::InsertResult TableEditor::FinishInsert(Axis axis, const std::string& text) {
    double value = 0;
    if (!Tables::ParseReal(text, value)) {
        ecu_.messages().error("\"" + text + "\" not a valid real number");
        return InsertResult::TypeAgain;
    }
    if (value < -655 || value > 655) {
        ecu_.messages().error("Number out of range. Allowable range is -655 to +655");
        return InsertResult::TypeAgain;
    }
    int index = 0;
    if (!Tables::InsertAt(ecu_, element(), axis, text, index))
        return InsertResult::Refused;
    Reopen();
    return InsertResult::Done;
}

bool TableEditor::DeleteSelected(Axis axis) {
    if (!current())
        return false;
    const CellRange r = Selection();
    const int first = axis == Axis::Horizontal ? r.a : r.c;
    const int last = axis == Axis::Horizontal ? r.b : r.d;
    if (!Tables::ShrinkAllowed(ecu_, shape_, axis, last - first + 1))
        return false;
    const bool column = axis == Axis::Horizontal;
    const std::string firstText = tECU::ValueText50(Reference(axis, first));
    const std::string question = first == last
                                     ? std::string("Are you sure you want to delete ") +
                                           (column ? "column " : "row ") + firstText + "?"
                                     : std::string("Are you sure you want to delete ") +
                                           (column ? "columns " : "rows ") + firstText + " to " +
                                           tECU::ValueText50(Reference(axis, last)) + "?";
    if (!ecu_.messages().askYesNo(Messages::Kind::Confirmation, question))
        return false;
    if (!Tables::Delete(ecu_, element(), axis, first, last))
        return false;
    Reopen();
    return true;
}

// ---------------------------------------------------------------- live values

bool TableEditor::LiveAvailable() const {
    return ecu_.OnlineCapable || ecu_.Simulating;
}

int16_t TableEditor::InputValue(int input) const {
    const int e = element();
    if (e < 0)
        return 0;
    const uint16_t w = ecu_.InputWord(e, input);
    if ((w & 1) == 0)
        return static_cast<int16_t>(w);
    const int address = w & 0xFFFE;
    // Wrapped links point past the live area: they read nothing.
    if (address >= Layout::kLiveSize)
        return 0;
    return static_cast<int16_t>(ecu_.ImageWord(Layout::kLiveBase + address));
}

int TableEditor::NearestIndex(const std::vector<int>& r, int x, bool upperInclusive) {
    const int n = static_cast<int>(r.size());
    if (n == 0 || x < r[0])
        return 0;
    if (x >= r[static_cast<size_t>(n - 1)])
        return n - 1;
    for (int i = 0; i < n; ++i) {
        const int prev = r[static_cast<size_t>(i > 0 ? i - 1 : 0)];
        const int here = r[static_cast<size_t>(i)];
        const int next = r[static_cast<size_t>(i + 1 < n ? i + 1 : n - 1)];
        const int low = prev + (here - prev) / 2;
        const int high = here + (next - here) / 2;
        if (x >= low && (upperInclusive ? x <= high : x < high))
            return i;
    }
    return 0;
}

TableEditor::LiveChange TableEditor::LiveRefresh() {
    LiveChange change;
    if (!current())
        return change;
    const bool available = LiveAvailable();
    const int16_t x = InputValue(0);
    const int16_t y = Is3D() ? InputValue(1) : 0;
    const int column = NearestIndex(References(Axis::Horizontal), x, false);
    const int row = Is3D() ? NearestIndex(References(Axis::Vertical), y, true) : 0;
    if (column != liveColumn_ || row != liveRow_ || cursorColumn_ != lastCursorColumn_ ||
        cursorRow_ != lastCursorRow_)
        change.both = true;
    if (x != liveX_ || y != liveY_ || available != liveShown_)
        change.grid = true;
    liveColumn_ = column;
    liveRow_ = row;
    lastCursorColumn_ = cursorColumn_;
    lastCursorRow_ = cursorRow_;
    liveX_ = x;
    liveY_ = y;
    liveShown_ = available;
    return change;
}

bool TableEditor::TraceStep(bool mapTrace) {
    if (!mapTrace || !Is3D() || !(ecu_.LinkState == Link::Online || ecu_.Simulating))
        return false;
    if (liveColumn_ < 0 || liveColumn_ >= kTraceSize || liveRow_ < 0 || liveRow_ >= kTraceSize)
        return false;
    trace_[static_cast<size_t>(liveColumn_) * kTraceSize + static_cast<size_t>(liveRow_)] = 1;
    return true;
}

void TableEditor::ClearTrace() {
    std::fill(trace_.begin(), trace_.end(), 0);
}

bool TableEditor::Traced(int column, int row) const {
    if (column < 0 || column >= kTraceSize || row < 0 || row >= kTraceSize)
        return false;
    return trace_[static_cast<size_t>(column) * kTraceSize + static_cast<size_t>(row)] != 0;
}

std::string TableEditor::LiveText(Axis axis) const {
    if (!LiveAvailable() || (axis == Axis::Vertical && !Is3D()))
        return {};
    return trimmed(tECU::ValueText50(axis == Axis::Horizontal ? liveX_ : liveY_));
}

// ---------------------------------------------------------------- grid

void TableEditor::SetFirstVisible(int column, int row) {
    firstColumn_ = std::clamp(column, 0, std::max(0, Columns() - 1));
    firstRow_ = std::clamp(row, 0, std::max(0, Rows() - 1));
}

int TableEditor::VisibleColumns(const GridMetrics& m) const {
    return std::max(1, (m.width - 60) / std::max(1, m.cellWidth) - 1);
}

int TableEditor::VisibleRows(const GridMetrics& m) const {
    return std::max(1, (m.height - 30) / std::max(1, m.cellHeight) - 1);
}

void TableEditor::WholeTableSize(const GridMetrics& m, int& width, int& height) const {
    const int w = std::max(1, m.cellWidth), h = std::max(1, m.cellHeight);
    width = 60 + (std::max(1, Columns()) + 1) * w + 3;
    height = 30 + (std::max(1, Rows()) + 1) * h + 3;
}

void TableEditor::ScrollToCursor(const GridMetrics& m) {
    const int w = std::max(1, m.cellWidth), h = std::max(1, m.cellHeight);
    for (int k = 0; k < 30 && firstColumn_ < Columns() - 1 &&
                    w * (cursorColumn_ - firstColumn_) > m.width - 3 * w;
         ++k)
        ++firstColumn_;
    for (int k = 0; k < 30 && firstColumn_ > 0 && cursorColumn_ - firstColumn_ < 1; ++k)
        --firstColumn_;
    for (int k = 0;
         k < Rows() && firstRow_ < Rows() - 1 && h * (cursorRow_ - firstRow_) > m.height - 3 * h;
         ++k)
        ++firstRow_;
    for (int k = 0; k < Rows() && firstRow_ > 0 && cursorRow_ - firstRow_ < 1; ++k)
        --firstRow_;
}

void TableEditor::CellAt(const GridMetrics& m, int x, int y, int& column, int& row) const {
    const int w = std::max(1, m.cellWidth), h = std::max(1, m.cellHeight);
    column = std::clamp((x - 60) / w + firstColumn_ - 1, 0, std::max(0, Columns() - 1));
    row = std::clamp((y - 30) / h + firstRow_ - 1, 0, std::max(0, Rows() - 1));
}

void TableEditor::ComputeRange() {
    lo_ = hi_ = 0;
    bool first = true;
    for (int row = 0; row < Rows(); ++row)
        for (int column = 0; column < Columns(); ++column) {
            const int v = static_cast<int16_t>(CellWord(column, row));
            if (first || v < lo_)
                lo_ = v;
            if (first || v > hi_)
                hi_ = v;
            first = false;
        }
}

Rgb TableEditor::CellBackground(int column, int row, const Options& o) const {
    const bool selected = Selection().contains(column, row);
    if (selected)
        return Entering() ? Rgb{0, 128, 128} : Rgb{160, 160, 164};
    if (Is3D() && Traced(column, row))
        return Colours::kRed;
    if (!Is3D() || (!o.highlight && o.noShading))
        return Colours::kWhite;
    if (o.highlight && LiveAvailable() && (column == liveColumn_ || row == liveRow_))
        return Rgb{250, 0, 255};
    if (o.noShading)
        return Colours::kWhite;
    if (lo_ == hi_)
        return Rgb{255, 255, 0};
    const int v = static_cast<int16_t>(CellWord(column, row));
    const int mid = lo_ + (hi_ - lo_) / 2;
    auto channel = [](long c) { return static_cast<uint8_t>(std::clamp<long>(c, 0, 255)); };
    if (v < mid) {
        const int half = std::max(1, (hi_ - lo_) / 2);
        return Rgb{channel(static_cast<long>(v - lo_) * 255 / half), 255, 0};
    }
    return Rgb{255, channel(255 - static_cast<long>(v - mid) * 255 / std::max(1, hi_ - mid)), 0};
}

Rgb TableEditor::CellTextColour(int column, int row) const {
    if (Entering() && column == cursorColumn_ && row == cursorRow_)
        return Colours::kWhite;
    return (CellWord(column, row) & 1) ? Rgb{0, 128, 0} : Colours::kBlack;
}

namespace {

// The line through the live value: on the first or last cell's centre outside the
// references, otherwise between the centres by the fraction of the interval.
bool crosshair(const std::vector<int>& refs, int value, int live, int first, int origin, int size,
               int& at) {
    const int n = static_cast<int>(refs.size());
    if (n == 0)
        return false;
    auto centre = [&](int index) { return origin + (index - first + 1) * size + size / 2; };
    if (value <= refs[0]) {
        if (first != 0)
            return false;
        at = centre(0);
        return true;
    }
    if (value >= refs[static_cast<size_t>(n - 1)]) {
        at = centre(n - 1);
        return true;
    }
    int f = std::clamp(live, 0, n - 1);
    if (f == n - 1)
        --f;
    const int span = refs[static_cast<size_t>(f + 1)] - refs[static_cast<size_t>(f)];
    const double fraction =
        span == 0 ? 0.0 : static_cast<double>(value - refs[static_cast<size_t>(f)]) / span;
    at = centre(f) + static_cast<int>(std::lround(fraction * size));
    return true;
}

} // namespace

bool TableEditor::CrosshairX(const GridMetrics& m, int& x) const {
    if (element() < 0 || !LiveAvailable())
        return false;
    return crosshair(References(Axis::Horizontal), liveX_, liveColumn_, firstColumn_, 60,
                     m.cellWidth, x);
}

bool TableEditor::CrosshairY(const GridMetrics& m, int& y) const {
    if (element() < 0 || !LiveAvailable() || !Is3D())
        return false;
    return crosshair(References(Axis::Vertical), liveY_, liveRow_, firstRow_, 30, m.cellHeight, y);
}

} // namespace zolmar
