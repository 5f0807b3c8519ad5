#pragma once

#include "model/ECU.h"

#include <array>
#include <string>

namespace zolmar {

// The tuner's contact details and the four lines of notes stored in the fixed
// constant data. The figures the properties window shows are ConfigurationReport's.
namespace ConfigurationProperties {

struct Field {
    long offset;      // image offset
    int length;       // bytes stored
    int editLength;   // characters the edit takes
    const char* name; // the edit's control name
    const char* hint;
};

inline constexpr int kNumFields = 7;
extern const std::array<Field, kNumFields> kFields;

// The field's non-zero bytes.
std::string Read(const tECU& ecu, int field);
// Writes every field (the text's first bytes, zero-padded), marks all 240 bytes to be
// written to the ECU and sets Modified, as "OK" does whether anything changed or not.
void WriteAll(tECU& ecu, const std::array<std::string, kNumFields>& texts);

} // namespace ConfigurationProperties
} // namespace zolmar
