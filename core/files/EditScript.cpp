#include "files/EditScript.h"

#include "model/UndoHistory.h"

#include "files/Optimisation.h"
#include "model/Cp1252.h"
#include "model/Tables.h"

namespace zolmar::EditScript {

using namespace Layout;

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Reads the line word by word; the rest of the line after one blank is TEXT.
class LineReader {
public:
    explicit LineReader(const std::string& line) : line_(line) {}

    bool word(std::string& out) {
        while (pos_ < line_.size() && isBlank(line_[pos_]))
            ++pos_;
        if (pos_ >= line_.size())
            return false;
        size_t start = pos_;
        while (pos_ < line_.size() && !isBlank(line_[pos_]))
            ++pos_;
        out = line_.substr(start, pos_ - start);
        return true;
    }
    bool atEnd() {
        size_t p = pos_;
        while (p < line_.size() && isBlank(line_[p]))
            ++p;
        return p >= line_.size();
    }
    std::string rest() { return pos_ < line_.size() ? line_.substr(pos_ + 1) : std::string(); }

private:
    const std::string& line_;
    size_t pos_ = 0;
};

bool parseInteger(const std::string& word, long low, long high, long& value) {
    size_t p = word[0] == '-' || word[0] == '+' ? 1 : 0;
    if (p >= word.size() || word.size() - p > 9)
        return false;
    long v = 0;
    for (size_t k = p; k < word.size(); ++k) {
        if (word[k] < '0' || word[k] > '9')
            return false;
        v = v * 10 + (word[k] - '0');
    }
    value = word[0] == '-' ? -v : v;
    return value >= low && value <= high;
}

struct Syntax {
    const char* name;
    Op op;
    int integers; // leading integer arguments
    bool hasText; // TEXT follows
    const char* usage;
};

const Syntax kSyntax[] = {
    {"create", Op::Create, 4, true, "create TYPE COLUMN ROW PAGE TEXT"},
    {"delete", Op::Delete, 1, false, "delete INDEX"},
    {"link", Op::Link, 4, false, "link ELEM INPUT SRCELEM OUTPUT"},
    {"literal", Op::Literal, 2, false, "literal ELEM INPUT VALUE"},
    {"unlink", Op::Unlink, 2, false, "unlink ELEM INPUT"},
    {"rename", Op::Rename, 1, true, "rename SLOT TEXT"},
    {"optimise", Op::Optimise, 0, false, "optimise balanced|latency"},
    {"const-byte", Op::ConstByte, 3, false, "const-byte ELEM OFFSET VALUE"},
    {"const-word", Op::ConstWord, 3, false, "const-word ELEM OFFSET VALUE"},
    {"table-layout", Op::TableLayout, 1, false,
     "table-layout ELEM LOW HIGH STEP [LOW2 HIGH2 STEP2]"},
    {"table-insert", Op::TableInsert, 1, false, "table-insert ELEM col|row VALUE"},
    {"table-delete", Op::TableDelete, 1, false, "table-delete ELEM col|row FIRST LAST"},
    {"undo", Op::Undo, 0, false, "undo"},
    {"redo", Op::Redo, 0, false, "redo"},
};

// The accepted range of each integer argument.
void integerRange(Op op, int k, long& low, long& high) {
    low = 0;
    high = 99999;
    switch (op) {
    case Op::Create:
        high = k == 3 ? kNumPages - 1 : 255;
        break;
    case Op::ConstByte:
        if (k == 2)
            high = 255;
        break;
    case Op::ConstWord:
        if (k == 2) {
            low = -32768;
            high = 65535;
        }
        break;
    default:
        break;
    }
}

bool parseLine(const std::string& line, Operation& op, std::string& why) {
    LineReader in(line);
    std::string command;
    in.word(command);
    const Syntax* syntax = nullptr;
    for (const auto& s : kSyntax)
        if (command == s.name)
            syntax = &s;
    if (!syntax) {
        why = "unknown operation \"" + command + "\"";
        return false;
    }
    op.op = syntax->op;
    const std::string usage = std::string("expected \"") + syntax->usage + "\"";
    std::string word;
    for (int k = 0; k < syntax->integers; ++k) {
        long low = 0, high = 0, value = 0;
        integerRange(op.op, k, low, high);
        if (!in.word(word)) {
            why = usage;
            return false;
        }
        if (!parseInteger(word, low, high, value)) {
            why = "\"" + word + "\" is not a number from " + std::to_string(low) + " to " +
                  std::to_string(high);
            return false;
        }
        op.numbers.push_back(value);
    }
    if (syntax->hasText) {
        op.text = utf8ToCp1252(in.rest());
        return true;
    }
    switch (op.op) {
    case Op::Literal:
        if (!in.word(word)) {
            why = usage;
            return false;
        }
        op.texts.push_back(word);
        break;
    case Op::Optimise:
        if (!in.word(word) || (word != "balanced" && word != "latency")) {
            why = usage;
            return false;
        }
        op.flag = word == "balanced";
        break;
    case Op::TableLayout:
        while (in.word(word))
            op.texts.push_back(word);
        if (op.texts.size() != 3 && op.texts.size() != 6) {
            why = usage;
            return false;
        }
        break;
    case Op::TableInsert:
    case Op::TableDelete: {
        if (!in.word(word) || (word != "col" && word != "row")) {
            why = usage;
            return false;
        }
        op.flag = word == "row";
        if (op.op == Op::TableInsert) {
            if (!in.word(word)) {
                why = usage;
                return false;
            }
            op.texts.push_back(word);
        } else {
            for (int k = 0; k < 2; ++k) {
                long value = 0;
                if (!in.word(word) || !parseInteger(word, 0, 255, value)) {
                    why = usage;
                    return false;
                }
                op.numbers.push_back(value);
            }
        }
        break;
    }
    default:
        break;
    }
    if (!in.atEnd()) {
        why = usage;
        return false;
    }
    return true;
}

bool elementExists(const tECU& ecu, long e, std::string& error) {
    if (e >= 0 && e < ecu.NumElements)
        return true;
    error = "There is no element with index " + std::to_string(e);
    return false;
}

bool inputExists(const tECU& ecu, long e, long k, std::string& error) {
    if (!elementExists(ecu, e, error))
        return false;
    if (k < tECU::InputCount(ecu.TypeOf(static_cast<int>(e))))
        return true;
    error = "Element " + std::to_string(e) + " has no input " + std::to_string(k);
    return false;
}

bool tableOf(const tECU& ecu, long e, Tables::Shape& shape, std::string& error) {
    if (!elementExists(ecu, e, error))
        return false;
    if (Tables::ShapeOf(ecu, static_cast<int>(e), shape))
        return true;
    error = "Element " + std::to_string(e) + " is not a table";
    return false;
}

// Runs one operation; messages the model shows are collected into error.
bool applyChecked(tECU& ecu, const Operation& op, std::string& error) {
    const auto& n = op.numbers;
    auto at = [&](size_t k) { return static_cast<int>(n[k]); };
    switch (op.op) {
    case Op::Create: {
        if (!tECU::IsCreatableType(at(0)) && typeInfo(at(0)).valid &&
            at(0) != ElementType::Finish) {
            error = "Type " + std::to_string(at(0)) +
                    " is a dedicated element; a new configuration has it once";
            return false;
        }
        return ecu.CreateElement(at(0), at(1), at(2), op.text.substr(0, kNameLength), at(3));
    }
    case Op::Delete:
        if (!elementExists(ecu, n[0], error))
            return false;
        if (isDedicatedType(ecu.TypeOf(at(0)))) {
            error = "Element " + std::to_string(at(0)) + " is a dedicated element";
            return false;
        }
        ecu.DeleteElement(at(0));
        return true;
    case Op::Link:
        if (!inputExists(ecu, n[0], n[1], error) || !elementExists(ecu, n[2], error))
            return false;
        if (n[3] >= ecu.OutputCount(ecu.TypeOf(at(2)))) {
            error = "Element " + std::to_string(at(2)) + " has no output " + std::to_string(at(3));
            return false;
        }
        return ecu.LinkInput(at(0), at(1), at(2), at(3));
    case Op::Literal: {
        if (!inputExists(ecu, n[0], n[1], error))
            return false;
        double value = 0;
        if (!Tables::ParseReal(op.texts[0], value)) {
            error = "\"" + op.texts[0] + "\" not a valid real number";
            return false;
        }
        if (value < -655 || value > 655) {
            error = "Number out of range. Allowable range is -655 to +655";
            return false;
        }
        return ecu.SetLiteral(at(0), at(1), value);
    }
    case Op::Unlink:
        if (!inputExists(ecu, n[0], n[1], error))
            return false;
        ecu.UnlinkInput(ecu.ElementLogicOffset[at(0)], at(1) + 1);
        return true;
    case Op::Rename:
        if (n[0] >= kNumPages + ecu.NumElements) {
            error = "There is no name slot " + std::to_string(n[0]);
            return false;
        }
        return ecu.RenameSlot(at(0), op.text.substr(0, kNameLength));
    case Op::Optimise:
        Optimisation::Optimise(ecu, op.flag);
        return true;
    case Op::ConstByte:
    case Op::ConstWord: {
        if (!elementExists(ecu, n[0], error))
            return false;
        const int e = at(0);
        const int size = ecu.ConstSize(ecu.TypeOf(e), ecu.ElementConstOffset[e]);
        const int width = op.op == Op::ConstByte ? 1 : 2;
        if (n[1] + width > size) {
            error = "Offset " + std::to_string(n[1]) +
                    " is outside the constant block of element " + std::to_string(e) + " (" +
                    std::to_string(size) + " bytes)";
            return false;
        }
        const int addr = ecu.ElementConstOffset[e] + at(1);
        if (width == 1)
            return ecu.WriteConstByte(addr, static_cast<uint8_t>(n[2]));
        return ecu.WriteConstWord(addr, static_cast<uint16_t>(n[2] & 0xFFFF));
    }
    case Op::TableLayout: {
        Tables::Shape shape;
        if (!tableOf(ecu, n[0], shape, error))
            return false;
        if (shape.is3D() != (op.texts.size() == 6)) {
            error = shape.is3D() ? "A 3D table takes two reference triples"
                                 : "A 2D table takes one reference triple";
            return false;
        }
        Tables::SetupTexts h{op.texts[0], op.texts[1], op.texts[2]};
        if (!shape.is3D())
            return Tables::SetUp(ecu, at(0), h, nullptr);
        Tables::SetupTexts v{op.texts[3], op.texts[4], op.texts[5]};
        return Tables::SetUp(ecu, at(0), h, &v);
    }
    case Op::TableInsert:
    case Op::TableDelete: {
        Tables::Shape shape;
        if (!tableOf(ecu, n[0], shape, error))
            return false;
        const auto axis = op.flag ? Tables::Axis::Vertical : Tables::Axis::Horizontal;
        if (op.flag && !shape.is3D()) {
            error = op.op == Op::TableDelete ? "Cannot delete row from 2D Table."
                                             : "A 2D table has no rows";
            return false;
        }
        if (op.op == Op::TableInsert) {
            int index = 0;
            return Tables::InsertAt(ecu, at(0), axis, op.texts[0], index);
        }
        const char* what = op.flag ? "row " : "column ";
        for (size_t k = 1; k <= 2; ++k) {
            if (n[k] >= shape.count(axis)) {
                error = std::string("The table has no ") + what + std::to_string(n[k]);
                return false;
            }
        }
        if (n[2] < n[1]) {
            error = "The last index must not be below the first";
            return false;
        }
        return Tables::Delete(ecu, at(0), axis, at(1), at(2));
    }
    case Op::Undo:
    case Op::Redo:
        error = "undo and redo move through a script's history";
        return false;
    }
    return false;
}

} // namespace

bool Parse(const std::string& script, std::vector<Operation>& ops, std::string& error) {
    ops.clear();
    size_t start = 0;
    for (int number = 1; start <= script.size(); ++number) {
        size_t end = script.find('\n', start);
        if (end == std::string::npos)
            end = script.size();
        std::string line = script.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t first = 0;
        while (first < line.size() && isBlank(line[first]))
            ++first;
        if (first == line.size() || line[first] == '#')
            continue;
        Operation op;
        op.line = number;
        std::string why;
        if (!parseLine(line.substr(first), op, why)) {
            error = "line " + std::to_string(number) + ": " + why;
            return false;
        }
        ops.push_back(std::move(op));
    }
    return true;
}

bool Apply(tECU& ecu, const Operation& op, std::string& error) {
    // Collect what the model reports while the operation runs.
    Messages& original = ecu.messages();
    RecordingMessages recorded;
    ecu.setMessages(recorded);
    std::string own;
    bool ok = applyChecked(ecu, op, own);
    ecu.setMessages(original);
    if (ok) {
        for (const auto& m : recorded.shown)
            original.show(m.kind, m.text, m.buttons);
        return true;
    }
    error = own;
    for (const auto& text : recorded.texts())
        error += (error.empty() ? "" : "\n") + text;
    if (error.empty())
        error = "operation refused";
    return false;
}

bool Apply(tECU& ecu, UndoHistory& history, const Operation& op, std::string& error) {
    if (op.op == Op::Undo || op.op == Op::Redo) {
        const bool undo = op.op == Op::Undo;
        if (!(undo ? history.Undo() : history.Redo()).done) {
            error = undo ? "nothing to undo" : "nothing to redo";
            return false;
        }
        return true;
    }
    bool ok = false;
    history.Record("line " + std::to_string(op.line), [&] { ok = Apply(ecu, op, error); });
    return ok;
}

bool Run(tECU& ecu, const std::string& script, std::string& error) {
    std::vector<Operation> ops;
    if (!Parse(script, ops, error))
        return false;
    UndoHistory history(ecu);
    for (const auto& op : ops) {
        std::string why;
        if (!Apply(ecu, history, op, why)) {
            error = "line " + std::to_string(op.line) + ": " + why;
            return false;
        }
    }
    return true;
}

} // namespace zolmar::EditScript
