#include "model/PinTable.h"

#include <array>

namespace zolmar::PinTable {

namespace {

constexpr std::array<const char*, kNumRecords> kFunctions = {
    "Inj 1",   "Inj 2",   "Inj 3",   "Inj 4",   "Inj 5",  "Inj 6",   "PGND",   "PGND",    "+12ign",
    "Inj 7",   "Inj 8",   "Inj 9",   "Inj 10",  "Inj 11", "Inj 12",  "PGND",   "Ign 1",   "Ign 3",
    "Ign 5",   "Aux 1",   "Digin 1", "Digin 2", "Aux 2",  "Digin 3", "Aux 3",  "PGND",    "Ign 2",
    "Ign 4",   "Ign 6",   "Ign 7",   "Ign 8",   "Aux 4",  "Ana 1",   "Aux 5",  "Digin 4", "PGND",
    "Aux 6",   "Ana 2",   "Knock 1", "Knock 2", "Aux 8",  "Ana 6",   "Ana 7",  "Ana 12",  "Ana 13",
    "SGND",    "Ana 3",   "Aux 7",   "VSS 3",   "Ana 4",  "Ana 5",   "Ana 9",  "Ana 10",  "Ana 8",
    "VSS 4",   "CAS 5",   "CAS 1",   "CAS 2",   "VSS 2",  "Digin 5", "Ana 15", "Digin 7", "SGND",
    "+5V out", "Digin 8", "PGND",    "CAS 3",   "CAS 4",  "VSS 1",   "Ana 11", "Ana 14",  "Ana 16",
    "+5V out", "+12cnst", "Digin 6", "PGND"};

constexpr std::array<int, 16> kAnalogueRecords = {32, 37, 46, 49, 50, 41, 42, 53,
                                                  51, 52, 69, 43, 44, 70, 60, 71};
constexpr std::array<int, 8> kDigitalRecords = {20, 21, 23, 34, 59, 74, 61, 64};

} // namespace

long RecordOffset(int n) {
    if (n < 0 || n >= kNumRecords)
        return -1;
    return Layout::kPinTableBase + static_cast<long>(kRecordSize) * n;
}

int EcuPin(int n) {
    if (n < 0 || n >= kNumRecords)
        return 0;
    return n < 16 ? 101 + n : n - 15;
}

std::string Function(int n) {
    if (n < 0 || n >= kNumRecords)
        return {};
    return kFunctions[static_cast<size_t>(n)];
}

std::string Label(int n) {
    int pin = EcuPin(n);
    if (pin == 0)
        return {};
    // One-digit pins are padded so that the functions line up under the two-digit ones.
    return (pin < 10 ? "  " : "") + std::to_string(pin) + " " + Function(n);
}

std::string PinName(const tECU& ecu, int n) {
    std::string name;
    long offset = RecordOffset(n);
    if (offset < 0)
        return name;
    for (int k = 0; k < kNameLength; ++k) {
        uint8_t b = ecu.ImageByte(offset + k);
        if (b != 0)
            name.push_back(static_cast<char>(b));
    }
    return name;
}

uint8_t FactoryPin(const tECU& ecu, int n) {
    long offset = RecordOffset(n);
    return offset < 0 ? 0 : ecu.ImageByte(offset + kNameLength);
}

void SetPinName(tECU& ecu, int n, const std::string& name) {
    long offset = RecordOffset(n);
    if (offset < 0)
        return;
    for (int k = 0; k < kNameLength; ++k) {
        uint8_t b = k < static_cast<int>(name.size()) ? static_cast<uint8_t>(name[k]) : 0;
        ecu.SetImageByte(offset + k, b, true);
    }
}

void SetFactoryPin(tECU& ecu, int n, uint8_t pin) {
    long offset = RecordOffset(n);
    if (offset >= 0)
        ecu.SetImageByte(offset + kNameLength, pin, true);
}

int AnalogueInputRecord(int channel) {
    if (channel < 1 || channel > 16)
        return -1;
    return kAnalogueRecords[static_cast<size_t>(channel - 1)];
}

int DigitalInputRecord(int channel) {
    if (channel < 1 || channel > 8)
        return -1;
    return kDigitalRecords[static_cast<size_t>(channel - 1)];
}

} // namespace zolmar::PinTable
