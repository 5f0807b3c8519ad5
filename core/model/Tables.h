#pragma once

#include "model/ECU.h"

#include <cstdint>
#include <string>

namespace zolmar {

struct EcuMemoryView;

// Table storage: where a 2D or 3D table keeps its references and cells in the
// constant area, how the block is laid out, grown and shrunk, and how a table is
// looked up. Everything goes through the model's constant accessors.
namespace Tables {

// Horizontal is the only axis of a 2D table (its columns).
enum class Axis { Horizontal, Vertical };

// Limits of the counts.
inline constexpr int kMax2DColumns = 255;
inline constexpr int kMax3DColumns = 127;
inline constexpr int kMax3DRows = 255;

bool IsTable(int type);

// A table block's position and dimensions as read from the image.
struct Shape {
    int type = ElementType::Table2D;
    int constAddr = 0;
    int columns = 0; // N for 2D, X for 3D
    int rows = 1;    // Y for 3D, 1 for 2D

    bool is3D() const { return type == ElementType::Table3D; }
    int count(Axis axis) const { return axis == Axis::Horizontal ? columns : rows; }
    int blockSize() const;
    int cellAddress(int column, int row) const;
    int referenceAddress(Axis axis, int index) const;
};

Shape ShapeAt(const tECU& ecu, int type, int constAddr);
// False when the element is no table.
bool ShapeOf(const tECU& ecu, int element, Shape& shape);

int16_t Reference(const tECU& ecu, const Shape& shape, Axis axis, int index);
// The stored cell word, tuned flag (bit 0) included.
uint16_t Cell(const tECU& ecu, const Shape& shape, int column, int row);
bool WriteCell(tECU& ecu, const Shape& shape, int column, int row, uint16_t raw);

// 31740 minus the end of the last element's constant block.
int FreeConstSpace(const tECU& ecu);

// One axis of a layout, raw values (value x 50).
struct AxisLayout {
    int lowest = 0;
    int highest = 0;
    int step = 0;
    // (highest - lowest) div step + 1, truncating toward zero.
    long count() const;
};

// Replaces the table's block with references lowest, lowest + step, ... and zero
// cells. The block of a table that is not the last element keeps its place: the
// later blocks move. Refused (with the set-up's message) when a count is out of
// range or the data would not end 9 (2D) or 18 (3D) bytes below the end of the
// constant area. Rebuilds the index and the usage words.
bool LayOut(tECU& ecu, int element, const AxisLayout& horizontal, const AxisLayout* vertical);

// Which part of another configuration's table CopyFrom takes.
enum class Part { Whole, References, Cells };
// Copies a table of another configuration (of the same type) onto the element: the
// whole block (counts, references and cells: the blocks behind it move), or only its
// references or cells when both have the same counts. Refused, with the set-up's
// message, when the block would not fit the constant area as a layout would not.
bool CopyFrom(tECU& ecu, int element, const tECU& from, int fromElement, Part part);

// Grows the table by a column (either kind) or a row (3D) at the sorted position
// of the raw reference value; the new cells are 0 until the caller fills them.
// Refused with "Not enough memory (...)" when the free constant space is short,
// or with the count limit's message. Returns the new index through index.
bool Grow(tECU& ecu, int element, Axis axis, int16_t value, int& index);
// Removes columns or rows first..last; refused when fewer than two would remain.
bool Shrink(tECU& ecu, int element, Axis axis, int first, int last);
// Fills the cells of a just inserted column or row: copies its neighbour at
// either end, otherwise interpolates across it by the references.
void FillInserted(tECU& ecu, int element, Axis axis, int index);

// Whether a column (or a 3D row) can be added: the count limits and the free
// constant space, each refusal shown with its message.
bool CheckGrowth(tECU& ecu, const Shape& shape, Axis axis);
// Whether k columns (rows) can be removed leaving at least two, refusals shown.
bool ShrinkAllowed(tECU& ecu, const Shape& shape, Axis axis, int k);
// The cell between the end cells cc (at reference rc) and cd (at rd) at the
// reference r: round(cd t + cc (1 - t)), halves to even, exactly, limited to a word
// and with bit 0 (tuned) cleared. With rc = rd it is cc.
uint16_t InterpolatedCell(int64_t cc, int64_t cd, int64_t rc, int64_t r, int64_t rd);
// Rounds num / den (den != 0) to the nearest integer, halves to even.
int64_t RoundHalfEven(int64_t num, int64_t den);

// Looks the table up: inputs are the values of its input words in record order
// (2D: Input, LearnV, Learn, Tuned; 3D: In1, In2, LearnV, Learn, Tuned); live is
// its live block (5 words for 2D, 6 for 3D), updated in place. Learning writes the
// nearest cell with WriteConstWord.
void LookUp(tECU& ecu, int type, int constAddr, const int16_t* inputs, uint16_t* live);
// The same on any ECU memory (the virtual ECU's own, for one); a learnt cell goes to
// the memory's learn sink.
void LookUp(const EcuMemoryView& memory, int type, int constAddr, const int16_t* inputs,
            uint16_t* live);

// The table commands of the editor, with their checks, messages and change-log
// lines. Texts are as the user typed them.
struct SetupTexts {
    std::string lowest, highest, step;
};
// Checks one typed triple (numbers, ranges, lowest below highest).
bool CheckSetupTexts(const SetupTexts& texts, AxisLayout& axis, std::string& message);
bool SetUp(tECU& ecu, int element, const SetupTexts& horizontal, const SetupTexts* vertical);
// Inserts a column (or a 3D row) at the typed value and fills it; index gets its position.
bool InsertAt(tECU& ecu, int element, Axis axis, const std::string& valueText, int& index);
bool Delete(tECU& ecu, int element, Axis axis, int first, int last);

// A decimal number as the user types it ("1.25", "-3", " 7 "); false for anything else.
bool ParseReal(const std::string& text, double& value);
// value x 50 rounded to the nearest integer, halves to even.
long RawFromValue(double value);
// r / 50 with two decimals, no padding ("-1.25").
std::string TwoDecimals(int raw);

} // namespace Tables
} // namespace zolmar
