#pragma once

#include "model/ECU.h"

#include <cstddef>
#include <string>
#include <vector>

namespace zolmar {

// Scripted editing of a configuration: one operation per line, applied through
// the model's own operations. '#' starts a comment line. Numbers are decimal;
// element indices, inputs, outputs and pages are 0-based. TEXT is the rest of the
// line after one blank, UTF-8, stored as Windows-1252 and cut to its field.
//
//   create TYPE COLUMN ROW PAGE TEXT      delete INDEX
//   link ELEM INPUT SRCELEM OUTPUT        literal ELEM INPUT VALUE
//   unlink ELEM INPUT                     rename SLOT TEXT
//   optimise balanced|latency
//   const-byte ELEM OFFSET VALUE          const-word ELEM OFFSET VALUE
//   table-layout ELEM LOW HIGH STEP [LOW2 HIGH2 STEP2]
//   table-insert ELEM col|row VALUE       table-delete ELEM col|row FIRST LAST
//   undo                                  redo
// Each line is one step of the script's undo history; undo and redo move through it.
class UndoHistory;

namespace EditScript {

// Scripts are read whole; a longer file is refused rather than applied in part.
inline constexpr size_t kMaxScriptBytes = 16 * 1024 * 1024;

enum class Op {
    Create,
    Delete,
    Link,
    Literal,
    Unlink,
    Rename,
    Optimise,
    ConstByte,
    ConstWord,
    TableLayout,
    TableInsert,
    TableDelete,
    Undo,
    Redo
};

struct Operation {
    Op op = Op::Create;
    int line = 0;
    std::vector<long> numbers;      // the integer arguments in order
    std::vector<std::string> texts; // values typed as text (literal, table values)
    std::string text;               // TEXT, already Windows-1252
    bool flag = false;              // optimise: balanced; table-insert/delete: row
};

// Parses a whole script. On failure error is "line N: what is wrong".
bool Parse(const std::string& script, std::vector<Operation>& ops, std::string& error);

// Applies one operation. When it is refused nothing more should be applied; error
// holds the model's message (or what made the arguments invalid).
bool Apply(tECU& ecu, const Operation& op, std::string& error);

// Applies one operation as one step of the history; undo and redo move through it.
bool Apply(tECU& ecu, UndoHistory& history, const Operation& op, std::string& error);

// Parses and applies a script, stopping at the first refusal ("line N: ..." in error).
bool Run(tECU& ecu, const std::string& script, std::string& error);

} // namespace EditScript
} // namespace zolmar
