#pragma once

#include <cstdint>
#include <string>

namespace zolmar::sim {

// The settings a simulation takes on the command line (zolmar-cli simulate and
// q7700x-emu share them).
namespace SimulationArguments {

// "WORD=RAW": a live word 0..4095 held at a raw value, signed (-32768..32767) or
// unsigned (0..65535) 16-bit. False with the reason for anything else.
bool ParseHeldWord(const std::string& text, int& word, uint16_t& raw, std::string& error);

// "CONTROL=VALUE": a simulator control by its caption (everything before the last
// '=') and its position, a whole number.
bool ParseControl(const std::string& text, std::string& caption, int& position, std::string& error);

// A whole decimal number within [low, high].
bool ParseInteger(const std::string& text, long low, long high, long& value);

} // namespace SimulationArguments
} // namespace zolmar::sim
