#pragma once

#include "model/ECU.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zolmar {

// One named setting to write: a 16-bit word, or a byte, at the block's offset 0.
struct NamedValue {
    std::string name;
    bool word = true;
    uint16_t value = 0;
};

// Settings held by ordinary diagram elements that the setup wizard finds by their
// exact names. An element of that name counts only when it is of the kind the
// setting needs (a word in a Constant, a byte in a Tickbox or multiplexer, a 2D
// table) and its block lies inside the configuration's constants: a renamed label
// or summer must never pass a word into the next element's constants.
namespace NamedSettings {

enum class Kind { Word, Byte, Table2D };
enum class Lookup { Found, Missing, WrongKind };

struct Found {
    Lookup lookup = Lookup::Missing;
    int element = -1;
    int constAddr = 0; // of the element's block
};

// The first (byte writer) or last (readers, word writer) element of the name.
Found find(const tECU& ecu, const std::string& name, Kind kind, bool last);
bool readWord(const tECU& ecu, const std::string& name, uint16_t& value);
bool readByte(const tECU& ecu, const std::string& name, uint8_t& value);

// True when elements 0..5 are the six dedicated elements, so that their fields lie at
// the fixed constant addresses the wizard writes.
bool dedicatedLayout(const tECU& ecu);

// The line a setting that could not be written adds to the wizard's missing list.
std::string missingLine(const std::string& name, Lookup lookup);

} // namespace NamedSettings

// Writes named settings through the model's accessors and collects the lines of
// those it could not write.
class NamedWriter {
public:
    explicit NamedWriter(tECU& ecu) : ecu_(ecu) {}
    void word(const std::string& name, uint16_t value);
    void byte(const std::string& name, uint8_t value);
    void write(const NamedValue& value);
    void addLine(const std::string& line) { missing_.push_back(line); }
    const std::vector<std::string>& missing() const { return missing_; }

private:
    tECU& ecu_;
    std::vector<std::string> missing_;
};

} // namespace zolmar
