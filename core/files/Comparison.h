#pragma once

#include "model/ECU.h"
#include "model/Tables.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zolmar {

// Comparison of two configurations by element name and type (pages by number), and
// the selective merge of chosen differences of one onto the other. Element numbers
// and addresses play no part: a configuration that was optimised, or whose elements
// were renumbered by a delete, compares equal to itself.
namespace Comparison {

enum class Kind {
    OnlyInA,  // the element is in A only
    OnlyInB,  // the element is in B only
    Moved,    // page, column or row
    Record,   // the rest of the element's record: labels, the advanced-only mark
    Input,    // the link (by source name and output) or the literal of one input
    Constant, // the constants of an ordinary element
    Axes,     // a table's counts or references
    Cells,    // a table's cells (same counts)
    Setting,  // one fixed setting of a dedicated element
    PageName,
    Wiring,   // a pin's name or factory pin number in the wiring table
    Property, // one of the configuration's properties (tuner, notes)
};

// The groups the report can be limited to.
enum class Group { All, Tables, Constants, Diagram, Settings };
Group GroupOf(Kind kind);
// "tables", "constants", "diagram", "settings"; false for anything else.
bool ParseGroup(const std::string& text, Group& group);

struct CellChange {
    int column = 0; // from 0
    int row = 0;
    uint16_t oldRaw = 0;
    uint16_t newRaw = 0;
};

// One difference. Texts are in image bytes (Windows-1252); the key is ASCII.
struct Difference {
    Kind kind = Kind::Record;
    // What the report prints before ": ", unique in the report; apply takes it back.
    std::string key;
    // The element as both configurations call it ("" for a page name).
    std::string element;
    int type = -1;
    int occurrence = 0;     // 1 for the first element of the name and type, 2 ...
    bool ambiguous = false; // the name and type is not unique: matched by order
    int page = 0;           // where the element is in B (in A when only there), from 0; -1 for none
    int part = -1;          // input (from 0), setting offset, page number (from 0)
    std::string what;       // the part's own name ("Input 2", "Aux 3 invert, drive, copy")
    std::string oldText;    // A's side
    std::string newText;    // B's side
    // Tables: the changed cells, the largest change (raw, signed, by magnitude) and the
    // mean change (raw, signed).
    std::vector<CellChange> cells;
    int largestChange = 0;
    double meanChange = 0;
    // The one-line value of the report line.
    std::string text;
};

struct Report {
    std::vector<Difference> differences;
    // One line per name and type that is not unique in A or in B.
    std::vector<std::string> ambiguousNames;
    bool equal() const { return differences.empty(); }
};

Report Compare(const tECU& a, const tECU& b);

// Keeps the differences of the group (all for Group::All).
Report Filtered(const Report& report, Group group);

// The report as "key: value" lines: one per difference, then one per changed cell of
// each table ("KEY/cCOLUMNrROW: ..."), and "ambiguous: ..." for names matched by order.
// Text stays in image bytes.
std::vector<std::string> Lines(const Report& report);

// Applies the chosen differences of B onto A through the model's own operations
// (create, delete, link, literal, table block, constant writes, rename), each with the
// checks of the edit it stands for. keys lists report keys; an empty list applies all.
// A key that is not in diff(A, B) refuses the whole call before anything changes.
// Differences that cannot be applied (memory, a link whose source A does not have, a
// dedicated element) are skipped and described in problems; the others are applied.
// Returns false when nothing could be done because of a bad key (error says which).
bool ApplyDifferences(tECU& a, const tECU& b, const std::vector<std::string>& keys,
                      std::vector<std::string>& problems, std::string& error);

// The type as keys spell it: the catalogue's name without spaces ("3DTable"), or the
// dedicated element's ("Injectors").
std::string TypeToken(int type);

// The index of the difference's element in the configuration (matched as Compare
// matches it), -1 when it has none there.
int ElementOf(const tECU& ecu, const Difference& difference);

// Both sides of a table difference, cell by cell, for a view that shows them together.
struct TablePair {
    bool inA = false, inB = false;
    bool sameCounts = false;
    Tables::Shape shapeA, shapeB;
    int columns = 0, rows = 0;                 // A's counts (B's when A has no such table)
    std::vector<int16_t> horizontal, vertical; // A's references (B's when A has none)
    // Row by row, the column running fastest; 0 where a side has no table.
    std::vector<uint16_t> cellsA, cellsB;
    int largestChange = 0; // the largest magnitude of B - A over the cells
};
TablePair PairOfTables(const tECU& a, const tECU& b, const Difference& difference);

// Splits "k1,k2" into keys; "all" gives an empty list (every record).
std::vector<std::string> ParseSelection(const std::string& text);

} // namespace Comparison
} // namespace zolmar
