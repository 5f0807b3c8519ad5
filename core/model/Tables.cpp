#include "model/Tables.h"

#include "model/EcuMemoryView.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace zolmar::Tables {

using namespace Layout;

namespace {

// A table's whole block held in memory while it changes shape.
struct Content {
    int type = ElementType::Table2D;
    int columns = 0;
    int rows = 1;
    std::vector<uint16_t> horizontal, vertical;
    std::vector<uint16_t> cells; // row by row, the column index running fastest

    uint16_t& cell(int column, int row) {
        return cells[static_cast<size_t>(row) * static_cast<size_t>(columns) +
                     static_cast<size_t>(column)];
    }
};

Content read(const tECU& ecu, const Shape& shape) {
    Content c;
    c.type = shape.type;
    c.columns = shape.columns;
    c.rows = shape.rows;
    for (int i = 0; i < shape.columns; ++i)
        c.horizontal.push_back(static_cast<uint16_t>(Reference(ecu, shape, Axis::Horizontal, i)));
    if (shape.is3D())
        for (int j = 0; j < shape.rows; ++j)
            c.vertical.push_back(static_cast<uint16_t>(Reference(ecu, shape, Axis::Vertical, j)));
    for (int j = 0; j < shape.rows; ++j)
        for (int i = 0; i < shape.columns; ++i)
            c.cells.push_back(Cell(ecu, shape, i, j));
    return c;
}

std::vector<uint8_t> bytesOf(const Content& c) {
    std::vector<uint8_t> b;
    auto word = [&](uint16_t w) {
        b.push_back(static_cast<uint8_t>(w & 0xFF));
        b.push_back(static_cast<uint8_t>(w >> 8));
    };
    b.push_back(static_cast<uint8_t>(c.columns));
    if (c.type == ElementType::Table3D)
        b.push_back(static_cast<uint8_t>(c.rows));
    for (uint16_t w : c.horizontal)
        word(w);
    for (uint16_t w : c.vertical)
        word(w);
    for (uint16_t w : c.cells)
        word(w);
    return b;
}

std::string tableName(const tECU& ecu, int element) {
    return ecu.NameOf(kNumPages + element) + " on page " + std::to_string(ecu.PageOf(element) + 1);
}

// Writes the new block in place of the old one; the constant blocks behind it move
// by the difference. Nothing is written unless all of it fits the constant area.
bool replaceBlock(tECU& ecu, const Shape& old, const Content& content) {
    const int c = old.constAddr;
    const int oldEnd = c + old.blockSize();
    const int dataEnd = ecu.ConstEnd();
    std::vector<uint8_t> bytes = bytesOf(content);
    if (oldEnd > dataEnd || dataEnd > kConstSize)
        return false;
    for (int y = oldEnd; y < dataEnd; ++y)
        bytes.push_back(ecu.ReadConstByte(y));
    if (c + static_cast<long>(bytes.size()) > kConstSize)
        return false;
    // Growing copies from the top down, shrinking from the bottom up, so that in
    // the ECU's terms nothing is overwritten before it is copied.
    const int n = static_cast<int>(bytes.size());
    if (n >= dataEnd - c) {
        for (int k = n - 1; k >= 0; --k)
            ecu.WriteConstByte(c + k, bytes[static_cast<size_t>(k)]);
    } else {
        for (int k = 0; k < n; ++k)
            ecu.WriteConstByte(c + k, bytes[static_cast<size_t>(k)]);
    }
    ecu.RebuildIndex(true, true);
    ecu.UpdateUsageWords();
    return true;
}

// Where a value falls on an axis.
struct AxisHit {
    bool found = false;
    int base = 0; // the interval's lower index
    int frac = 0; // 0..65535 within the interval
    int nearest = 0;
    int close = 0; // 0..5000
};

// The image's configuration as memory, for reading table blocks only (no live area).
EcuMemoryView configurationOf(const tECU& ecu) {
    EcuMemoryView view;
    view.config = ecu.Image;
    view.configSize = kImageSize;
    return view;
}

// The shape of a table block as the memory holds it.
Shape shapeIn(const EcuMemoryView& memory, int type, int constAddr) {
    Shape s;
    s.type = type;
    s.constAddr = constAddr;
    s.columns = memory.ConstByte(constAddr);
    s.rows = type == ElementType::Table3D ? memory.ConstByte(constAddr + 1) : 1;
    return s;
}

int reference(const EcuMemoryView& memory, const Shape& shape, Axis axis, int index) {
    return static_cast<int16_t>(memory.ConstWord(shape.referenceAddress(axis, index)));
}

uint16_t cellWord(const EcuMemoryView& memory, const Shape& shape, int column, int row) {
    return memory.ConstWord(shape.cellAddress(column, row));
}

AxisHit searchAxis(const EcuMemoryView& memory, const Shape& shape, Axis axis, int x) {
    const int n = shape.count(axis);
    AxisHit hit;
    if (n <= 0)
        return hit;
    if (n == 1) {
        hit.found = true;
        hit.close = x == reference(memory, shape, axis, 0) ? 0 : 5000;
        return hit;
    }
    // The axis read straight from the bytes when it lies inside them; one that runs
    // past them reads 0 beyond, as every read of the memory does.
    const long first = kConstBase + shape.referenceAddress(axis, 0);
    const uint8_t* direct =
        first >= 0 && static_cast<unsigned long>(first) + 2UL * static_cast<unsigned long>(n) <=
                          memory.configSize
            ? memory.config + first
            : nullptr;
    auto ref = [&](int i) -> int {
        if (direct != nullptr)
            return static_cast<int16_t>(direct[2 * i] | (direct[2 * i + 1] << 8));
        return reference(memory, shape, axis, i);
    };
    int lo = ref(0);
    if (x < lo) {
        hit.found = true;
        hit.close = 5000;
        return hit;
    }
    for (int i = 0; i <= n - 2; ++i) {
        const int hi = ref(i + 1);
        if (lo <= x && x < hi) {
            const int64_t f = (static_cast<int64_t>(x - lo) << 16) / (hi - lo);
            hit.found = true;
            hit.base = i;
            hit.frac = static_cast<int>(f);
            if (f <= 32767) {
                hit.nearest = i;
                hit.close = static_cast<int>((f * 5000) >> 16);
            } else {
                hit.nearest = i + 1;
                hit.close = static_cast<int>(((65536 - f) * 5000) >> 16);
            }
            return hit;
        }
        lo = hi;
    }
    // Past the last reference (the intervals above never hold x >= the last one).
    const int last = lo;
    if (x >= last) {
        hit.found = true;
        hit.base = hit.nearest = n - 1;
        hit.close = x > last ? 5000 : 0;
    }
    return hit;
}

// a + floor((b - a) * frac / 65536); the shift of a negative value rounds down.
int blend(int a, int b, int frac) {
    return a + static_cast<int>((static_cast<int64_t>(b - a) * frac) >> 16);
}

int value(uint16_t cell) {
    return static_cast<int16_t>(cell & 0xFFFE);
}

// The nearest cell's tuned flag, then learning on it with its latch.
void tunedAndLearn(const EcuMemoryView& memory, const Shape& shape, int column, int row,
                   const int16_t* inputs, int first, bool latched, uint16_t& tunedOut) {
    const int16_t learnV = inputs[first];
    const int16_t learn = inputs[first + 1];
    const int16_t tuned = inputs[first + 2];
    const bool present = column < shape.columns && row < shape.rows;
    tunedOut = present && (cellWord(memory, shape, column, row) & 1) ? 50 : 0;
    // Learning only ever writes a cell that lies inside the table and the constant area.
    if (learn > 0 && !latched && present) {
        auto word = static_cast<uint16_t>((learnV & 0xFFFE) | (tuned > 0 ? 1 : 0));
        memory.Learn(shape.cellAddress(column, row), word);
    }
}

void error(tECU& ecu, const std::string& text) {
    ecu.messages().error(text);
}

} // namespace

int64_t RoundHalfEven(int64_t num, int64_t den) {
    if (den < 0) {
        num = -num;
        den = -den;
    }
    int64_t q = num / den;
    int64_t rem = num % den;
    if (rem < 0) {
        q -= 1;
        rem += den;
    }
    if (2 * rem > den || (2 * rem == den && (q & 1)))
        ++q;
    return q;
}

uint16_t InterpolatedCell(int64_t cc, int64_t cd, int64_t rc, int64_t r, int64_t rd) {
    const int64_t den = rd - rc;
    const int64_t v = den == 0 ? cc : RoundHalfEven(cc * (rd - r) + cd * (r - rc), den);
    const auto word =
        static_cast<uint16_t>(static_cast<int16_t>(std::clamp<int64_t>(v, -32768, 32767)));
    return static_cast<uint16_t>(word & 0xFFFE);
}

bool IsTable(int type) {
    return type == ElementType::Table2D || type == ElementType::Table3D;
}

int Shape::blockSize() const {
    return is3D() ? table3DConstSize(columns, rows) : table2DConstSize(columns);
}

int Shape::cellAddress(int column, int row) const {
    if (is3D())
        return constAddr + 2 + 2 * columns + 2 * rows + 2 * (row * columns + column);
    return constAddr + 1 + 2 * columns + 2 * column;
}

int Shape::referenceAddress(Axis axis, int index) const {
    if (!is3D())
        return constAddr + 1 + 2 * index;
    if (axis == Axis::Horizontal)
        return constAddr + 2 + 2 * index;
    return constAddr + 2 + 2 * columns + 2 * index;
}

Shape ShapeAt(const tECU& ecu, int type, int constAddr) {
    return shapeIn(configurationOf(ecu), type, constAddr);
}

bool ShapeOf(const tECU& ecu, int element, Shape& shape) {
    if (element < 0 || element >= ecu.NumElements || !IsTable(ecu.TypeOf(element)))
        return false;
    shape = ShapeAt(ecu, ecu.TypeOf(element), ecu.ElementConstOffset[element]);
    return true;
}

int16_t Reference(const tECU& ecu, const Shape& shape, Axis axis, int index) {
    return static_cast<int16_t>(reference(configurationOf(ecu), shape, axis, index));
}

uint16_t Cell(const tECU& ecu, const Shape& shape, int column, int row) {
    return cellWord(configurationOf(ecu), shape, column, row);
}

bool WriteCell(tECU& ecu, const Shape& shape, int column, int row, uint16_t raw) {
    return ecu.WriteConstWord(shape.cellAddress(column, row), raw);
}

int FreeConstSpace(const tECU& ecu) {
    return kConstSize - ecu.ConstEnd();
}

long AxisLayout::count() const {
    return step == 0 ? 0 : (highest - lowest) / step + 1;
}

bool LayOut(tECU& ecu, int element, const AxisLayout& horizontal, const AxisLayout* vertical) {
    Shape old;
    if (!ShapeOf(ecu, element, old) || old.is3D() != (vertical != nullptr))
        return false;
    for (const AxisLayout* axis : {&horizontal, vertical}) {
        if (!axis)
            continue;
        if (axis->step <= 0) {
            error(ecu, "Number out of range. Allowable range is +0.04 to +655");
            return false;
        }
        if (axis->highest < axis->lowest) {
            error(ecu, "Lowest Reference must be less than Highest Reference");
            return false;
        }
    }
    const long x = horizontal.count();
    const long y = vertical ? vertical->count() : 1;
    const long size = vertical ? 2 + 2 * x + 2 * y + 2 * x * y : 4 * x + 1;
    const long limit = vertical ? kConstSize - 18 : kConstSize - 9;
    if (ecu.ConstEnd() - old.blockSize() + size >= limit) {
        error(ecu, "Not Enough Constant Memory Left");
        return false;
    }
    if (!vertical && x > kMax2DColumns) {
        error(ecu, "Too many entries (Max 255)");
        return false;
    }
    if (vertical && x > kMax3DColumns) {
        error(ecu, "Max 3D Table width is 127");
        return false;
    }
    if (vertical && y > kMax3DRows) {
        error(ecu, "Max 3D Table height is 255");
        return false;
    }
    Content c;
    c.type = old.type;
    c.columns = static_cast<int>(x);
    c.rows = static_cast<int>(y);
    for (long i = 0; i < x; ++i)
        c.horizontal.push_back(static_cast<uint16_t>(horizontal.lowest + i * horizontal.step));
    if (vertical)
        for (long j = 0; j < y; ++j)
            c.vertical.push_back(static_cast<uint16_t>(vertical->lowest + j * vertical->step));
    c.cells.assign(static_cast<size_t>(x * y), 0);
    return replaceBlock(ecu, old, c);
}

bool CopyFrom(tECU& ecu, int element, const tECU& from, int fromElement, Part part) {
    Shape old, source;
    if (!ShapeOf(ecu, element, old) || !ShapeOf(from, fromElement, source) ||
        old.type != source.type)
        return false;
    const Content content = read(from, source);
    if (part != Part::Whole) {
        if (old.columns != source.columns || old.rows != source.rows)
            return false;
        const size_t n = part == Part::Cells ? content.cells.size()
                                             : content.horizontal.size() + content.vertical.size();
        for (size_t k = 0; k < n; ++k) {
            int addr;
            uint16_t w;
            if (part == Part::Cells) {
                const int column = static_cast<int>(k % static_cast<size_t>(old.columns));
                const int row = static_cast<int>(k / static_cast<size_t>(old.columns));
                addr = old.cellAddress(column, row);
                w = content.cells[k];
            } else if (k < content.horizontal.size()) {
                addr = old.referenceAddress(Axis::Horizontal, static_cast<int>(k));
                w = content.horizontal[k];
            } else {
                const size_t j = k - content.horizontal.size();
                addr = old.referenceAddress(Axis::Vertical, static_cast<int>(j));
                w = content.vertical[j];
            }
            if (ecu.ReadConstWord(addr) != w && !ecu.WriteConstWord(addr, w))
                return false;
        }
        ecu.ConstantsChanged = true;
        return true;
    }
    const long limit = old.is3D() ? kConstSize - 18 : kConstSize - 9;
    if (ecu.ConstEnd() - old.blockSize() + source.blockSize() >= limit) {
        error(ecu, "Not Enough Constant Memory Left");
        return false;
    }
    if (!replaceBlock(ecu, old, content))
        return false;
    ecu.ConstantsChanged = true;
    return true;
}

namespace {

// The growth of one column or row in bytes; 0 when the count limit is reached
// (after showing its message).
int checkGrowth(tECU& ecu, const Shape& shape, Axis axis) {
    if (shape.is3D() && axis == Axis::Horizontal && shape.columns >= kMax3DColumns) {
        error(ecu, "Already 127 columns (maximum) in 3D map");
        return 0;
    }
    if (!shape.is3D() && shape.columns >= kMax2DColumns) {
        error(ecu, "Already 255 columns (maximum) in 2D map");
        return 0;
    }
    if (shape.is3D() && axis == Axis::Vertical && shape.rows >= kMax3DRows) {
        error(ecu, "Already 255 rows (maximum) in map");
        return 0;
    }
    int growth = !shape.is3D()              ? 4
                 : axis == Axis::Horizontal ? 2 * shape.rows + 2
                                            : 2 * shape.columns + 2;
    int free = FreeConstSpace(ecu);
    if (free < growth) {
        error(ecu, "Not enough memory (requires additional " + std::to_string(growth - free) +
                       " bytes, only " + std::to_string(free) + " available)");
        return 0;
    }
    return growth;
}

} // namespace

bool CheckGrowth(tECU& ecu, const Shape& shape, Axis axis) {
    return checkGrowth(ecu, shape, axis) != 0;
}

bool ShrinkAllowed(tECU& ecu, const Shape& shape, Axis axis, int k) {
    if (!shape.is3D() && axis == Axis::Vertical) {
        error(ecu, "Cannot delete row from 2D Table.");
        return false;
    }
    if (shape.count(axis) - k >= 2)
        return true;
    const std::string n = std::to_string(k);
    if (axis == Axis::Horizontal)
        error(ecu, k == 1
                       ? "Cannot delete column; table must have at least two columns."
                       : "Cannot delete " + n + " columns; table must have at least two columns.");
    else
        error(ecu, k == 1 ? "Cannot delete row; 3D Table must have at least two rows."
                          : "Cannot delete " + n + " rows; 3D table must have at least two rows.");
    return false;
}

bool Grow(tECU& ecu, int element, Axis axis, int16_t value, int& index) {
    Shape shape;
    if (!ShapeOf(ecu, element, shape) || (!shape.is3D() && axis == Axis::Vertical))
        return false;
    if (checkGrowth(ecu, shape, axis) == 0)
        return false;
    Content c = read(ecu, shape);
    std::vector<uint16_t>& refs = axis == Axis::Horizontal ? c.horizontal : c.vertical;
    int r = 0;
    for (uint16_t ref : refs)
        if (static_cast<int16_t>(ref) < value)
            ++r;
    refs.insert(refs.begin() + r, static_cast<uint16_t>(value));
    if (axis == Axis::Horizontal) {
        std::vector<uint16_t> cells;
        for (int j = 0; j < c.rows; ++j)
            for (int i = 0; i <= c.columns; ++i)
                cells.push_back(i == r ? 0 : c.cell(i < r ? i : i - 1, j));
        c.cells = cells;
        ++c.columns;
    } else {
        c.cells.insert(c.cells.begin() + static_cast<long>(r) * c.columns,
                       static_cast<size_t>(c.columns), 0);
        ++c.rows;
    }
    if (!replaceBlock(ecu, shape, c))
        return false;
    index = r;
    return true;
}

bool Shrink(tECU& ecu, int element, Axis axis, int first, int last) {
    Shape shape;
    if (!ShapeOf(ecu, element, shape))
        return false;
    const int count = shape.count(axis);
    if (!shape.is3D() && axis == Axis::Vertical)
        return ShrinkAllowed(ecu, shape, axis, 0);
    if (first < 0 || last < first || last >= count)
        return false;
    const int k = last - first + 1;
    if (!ShrinkAllowed(ecu, shape, axis, k))
        return false;
    Content c = read(ecu, shape);
    std::vector<uint16_t>& refs = axis == Axis::Horizontal ? c.horizontal : c.vertical;
    refs.erase(refs.begin() + first, refs.begin() + last + 1);
    std::vector<uint16_t> cells;
    for (int j = 0; j < c.rows; ++j) {
        for (int i = 0; i < c.columns; ++i) {
            int index = axis == Axis::Horizontal ? i : j;
            if (index < first || index > last)
                cells.push_back(c.cell(i, j));
        }
    }
    c.cells = cells;
    if (axis == Axis::Horizontal)
        c.columns -= k;
    else
        c.rows -= k;
    return replaceBlock(ecu, shape, c);
}

void FillInserted(tECU& ecu, int element, Axis axis, int index) {
    Shape shape;
    if (!ShapeOf(ecu, element, shape))
        return;
    const int count = shape.count(axis);
    const int across = axis == Axis::Horizontal ? shape.rows : shape.columns;
    if (count < 2 || index < 0 || index >= count)
        return;
    auto at = [&](int along, int other) {
        return axis == Axis::Horizontal ? Cell(ecu, shape, along, other)
                                        : Cell(ecu, shape, other, along);
    };
    auto put = [&](int along, int other, uint16_t raw) {
        if (axis == Axis::Horizontal)
            WriteCell(ecu, shape, along, other, raw);
        else
            WriteCell(ecu, shape, other, along, raw);
    };
    if (index == 0 || index == count - 1) {
        int from = index == 0 ? 1 : count - 2;
        for (int o = 0; o < across; ++o)
            put(index, o, at(from, o));
        return;
    }
    const int64_t rc = Reference(ecu, shape, axis, index - 1);
    const int64_t rr = Reference(ecu, shape, axis, index);
    const int64_t rd = Reference(ecu, shape, axis, index + 1);
    for (int o = 0; o < across; ++o) {
        const int64_t cc = static_cast<int16_t>(at(index - 1, o));
        const int64_t cd = static_cast<int16_t>(at(index + 1, o));
        put(index, o, InterpolatedCell(cc, cd, rc, rr, rd));
    }
}

void LookUp(tECU& ecu, int type, int constAddr, const int16_t* inputs, uint16_t* live) {
    ImageMemory memory(ecu);
    LookUp(memory.view(), type, constAddr, inputs, live);
}

void LookUp(const EcuMemoryView& memory, int type, int constAddr, const int16_t* inputs,
            uint16_t* live) {
    const Shape shape = shapeIn(memory, type, constAddr);
    if (!shape.is3D()) {
        const uint16_t state = live[4];
        const AxisHit h = searchAxis(memory, shape, Axis::Horizontal, inputs[0]);
        if (h.found) {
            int low = value(cellWord(memory, shape, h.base, 0));
            int high = h.frac ? value(cellWord(memory, shape, h.base + 1, 0)) : low;
            live[0] = static_cast<uint16_t>(blend(low, high, h.frac));
            live[1] = static_cast<uint16_t>(h.close);
        }
        const int nearest = h.found ? h.nearest : 0;
        live[2] = nearest != (state >> 8) ? 50 : 0;
        tunedAndLearn(memory, shape, nearest, 0, inputs, 1, (state & 0xFF) != 0, live[3]);
        live[4] = static_cast<uint16_t>((nearest << 8) | (inputs[2] > 0 ? 1 : 0));
        return;
    }
    const uint16_t state = live[5];
    const AxisHit h = searchAxis(memory, shape, Axis::Horizontal, inputs[0]);
    const AxisHit v = searchAxis(memory, shape, Axis::Vertical, inputs[1]);
    if (h.found && v.found) {
        auto row = [&](int e) {
            int low = value(cellWord(memory, shape, h.base, e));
            int high = h.frac ? value(cellWord(memory, shape, h.base + 1, e)) : low;
            return blend(low, high, h.frac);
        };
        const int top = row(v.base);
        const int bottom = v.frac ? row(v.base + 1) : top;
        live[0] = static_cast<uint16_t>(blend(top, bottom, v.frac));
    }
    if (h.found)
        live[1] = static_cast<uint16_t>(h.close);
    if (v.found)
        live[2] = static_cast<uint16_t>(v.close);
    const int column = h.found ? h.nearest : 0;
    const int row = v.found ? v.nearest : 0;
    const bool same = column == ((state >> 1) & 0x7F) && row == (state >> 8);
    live[3] = same ? 0 : 50;
    tunedAndLearn(memory, shape, column, row, inputs, 2, (state & 1) != 0, live[4]);
    live[5] = static_cast<uint16_t>(column * 2 + row * 256 + (inputs[3] > 0 ? 1 : 0));
}

// ---------------------------------------------------------------- editor commands

bool ParseReal(const std::string& text, double& result) {
    size_t k = 0;
    while (k < text.size() && text[k] == ' ')
        ++k;
    size_t end = text.size();
    while (end > k && text[end - 1] == ' ')
        --end;
    std::string t = text.substr(k, end - k);
    if (t.empty())
        return false;
    size_t p = 0;
    if (t[p] == '+' || t[p] == '-')
        ++p;
    bool digits = false, point = false;
    for (; p < t.size(); ++p) {
        if (t[p] >= '0' && t[p] <= '9')
            digits = true;
        else if (t[p] == '.' && !point)
            point = true;
        else
            return false;
    }
    if (!digits)
        return false;
    result = std::strtod(t.c_str(), nullptr);
    return true;
}

long RawFromValue(double value) {
    return static_cast<long>(std::nearbyint(value * 50.0));
}

std::string TwoDecimals(int raw) {
    int a = std::abs(raw);
    std::string frac = std::to_string(2 * (a % 50));
    return std::string(raw < 0 ? "-" : "") + std::to_string(a / 50) + "." +
           (frac.size() < 2 ? "0" : "") + frac;
}

namespace {

bool checkNumber(const std::string& text, double low, double high, const char* rangeText,
                 double& value, std::string& message) {
    if (!ParseReal(text, value)) {
        message = "\"" + text + "\" not a valid real number";
        return false;
    }
    if (value < low || value > high) {
        message = std::string("Number out of range. Allowable range is ") + rangeText;
        return false;
    }
    return true;
}

} // namespace

bool CheckSetupTexts(const SetupTexts& texts, AxisLayout& axis, std::string& message) {
    double lowest = 0, highest = 0, step = 0;
    if (!checkNumber(texts.lowest, -655, 654, "-655 to +654", lowest, message) ||
        !checkNumber(texts.highest, -654, 655, "-654 to +655", highest, message))
        return false;
    if (!(lowest < highest)) {
        message = "Lowest Reference must be less than Highest Reference";
        return false;
    }
    if (!checkNumber(texts.step, 0.04, 655, "+0.04 to +655", step, message))
        return false;
    axis.lowest = static_cast<int>(RawFromValue(lowest));
    axis.highest = static_cast<int>(RawFromValue(highest));
    axis.step = static_cast<int>(RawFromValue(step));
    return true;
}

bool SetUp(tECU& ecu, int element, const SetupTexts& horizontal, const SetupTexts* vertical) {
    Shape shape;
    if (!ShapeOf(ecu, element, shape) || shape.is3D() != (vertical != nullptr))
        return false;
    AxisLayout h, v;
    std::string message;
    if (!CheckSetupTexts(horizontal, h, message) ||
        (vertical && !CheckSetupTexts(*vertical, v, message))) {
        error(ecu, message);
        return false;
    }
    if (!LayOut(ecu, element, h, vertical ? &v : nullptr))
        return false;
    if (!vertical) {
        ecu.LogChange("Initialised with lowest reference " + horizontal.lowest);
        ecu.LogChange("Initialised with highest reference " + horizontal.highest);
        ecu.LogChange("Initialised with a step size of " + horizontal.step);
    } else {
        ecu.LogChange("Initialised with lowest horizontal reference " + horizontal.lowest);
        ecu.LogChange("Initialised with highest horizontal reference " + horizontal.highest);
        ecu.LogChange("Initialised with a horizontal step size of " + horizontal.step);
        ecu.LogChange("Initialised with lowest vertical reference " + vertical->lowest);
        ecu.LogChange("Initialised with highest vertical reference " + vertical->highest);
        ecu.LogChange("Initialised with a vertical step size of " + vertical->step);
    }
    return true;
}

bool InsertAt(tECU& ecu, int element, Axis axis, const std::string& valueText, int& index) {
    Shape shape;
    if (!ShapeOf(ecu, element, shape) || (!shape.is3D() && axis == Axis::Vertical))
        return false;
    if (checkGrowth(ecu, shape, axis) == 0)
        return false;
    double typed = 0;
    std::string message;
    if (!checkNumber(valueText, -655, 655, "-655 to +655", typed, message)) {
        error(ecu, message);
        return false;
    }
    const auto raw = static_cast<int16_t>(RawFromValue(typed));
    const bool column = axis == Axis::Horizontal;
    for (int i = 0; i < shape.count(axis); ++i) {
        if (Reference(ecu, shape, axis, i) == raw) {
            error(ecu, std::string(column ? "A column of value " : "A row of value ") +
                           tECU::ValueText50(raw) + " already exists");
            return false;
        }
    }
    if (!Grow(ecu, element, axis, raw, index))
        return false;
    FillInserted(ecu, element, axis, index);
    ecu.LogChange(std::string(column ? "Inserted a column at " : "Inserted a row at ") +
                  TwoDecimals(raw) + " in the table called " + tableName(ecu, element));
    return true;
}

bool Delete(tECU& ecu, int element, Axis axis, int first, int last) {
    if (!Shrink(ecu, element, axis, first, last))
        return false;
    const char* one = axis == Axis::Horizontal ? "Deleted column " : "Deleted row ";
    const char* many =
        axis == Axis::Horizontal ? "Deleted the columns from " : "Deleted the rows from ";
    if (first == last)
        ecu.LogChange(one + std::to_string(first) + " from the table called " +
                      tableName(ecu, element));
    else
        ecu.LogChange(many + std::to_string(first) + " to " + std::to_string(last) +
                      " from the table called " + tableName(ecu, element));
    return true;
}

} // namespace zolmar::Tables
