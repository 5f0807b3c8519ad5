#pragma once

#include "model/ECU.h"

#include <cstdint>
#include <string>

namespace zolmar {

// The connector's pin table in the fixed constant data: per pin what is wired to
// it (a short name) and the factory connector's pin number.
namespace PinTable {

inline constexpr int kNumRecords = Layout::kNumPins; // 76
inline constexpr int kRecordSize = 8;
inline constexpr int kNameLength = 7;

// Image offset of record n (0..75), or -1 outside.
long RecordOffset(int n);
// The ECU pin of record n: 101..116 for n 0..15, 1..60 for n 16..75; 0 outside.
int EcuPin(int n);
// The pin's fixed function, e.g. "Ana 1"; empty outside.
std::string Function(int n);
// The row label of the wiring window: pin number, a blank and the function.
std::string Label(int n);

// Read like NameOf: the non-zero bytes of the 7-byte name.
std::string PinName(const tECU& ecu, int n);
uint8_t FactoryPin(const tECU& ecu, int n);
// Both write straight into the image and mark the bytes to be written to the ECU;
// they do not set Modified.
void SetPinName(tECU& ecu, int n, const std::string& name);
void SetFactoryPin(tECU& ecu, int n, uint8_t pin);

// Records of the analogue inputs 1..16 and the digital inputs 1..8; -1 outside.
int AnalogueInputRecord(int channel);
int DigitalInputRecord(int channel);

} // namespace PinTable
} // namespace zolmar
