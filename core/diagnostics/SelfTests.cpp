#include "diagnostics/SelfTests.h"

#include "model/PinTable.h"

#include <cstdio>

namespace zolmar::SelfTests {

namespace {

std::string hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

// value / divisor with the given decimals, exact for any 16-bit value.
std::string scaled(uint16_t raw, unsigned divisor, int decimals) {
    unsigned scale = decimals == 4 ? 10000 : 100;
    // Rounded to the shown decimals.
    unsigned long fixed = (static_cast<unsigned long>(raw) * scale + divisor / 2) / divisor;
    char text[32];
    std::snprintf(text, sizeof text, "%lu.%0*lu", fixed / scale, decimals, fixed % scale);
    return text;
}

} // namespace

std::string RamRecordLine(uint16_t addressWord, uint16_t dataWord) {
    return "Address: $" + hex(static_cast<unsigned>(addressWord) * 2, 5) + " Wrote: $" +
           hex(dataWord & 0xFF, 2) + " Read: $" + hex(dataWord >> 8, 2);
}

std::vector<std::string> RamResultLines(uint16_t count, const uint16_t* words) {
    std::vector<std::string> lines;
    int shown = count;
    if (count > kRamRecords) {
        lines.emplace_back("Only first 35 results shown:");
        shown = kRamRecords;
    }
    for (int r = 0; r < shown; ++r)
        lines.push_back(RamRecordLine(words[2 * r], words[2 * r + 1]));
    return lines;
}

std::string CapacitorLine(int n, uint16_t t) {
    std::string head = "Input " + std::to_string(n) + ": ";
    if (t > 998)
        return head + "Error (connected externally / short on PCB / no 12V power)";
    const char* verdict = t <= 9    ? " ms FAIL - no cap / cap too small"
                          : t <= 39 ? " ms PASS"
                                    : " ms FAIL - cap too big";
    return head + std::to_string(t) + verdict;
}

std::string CapacitorReport(const uint16_t* times) {
    std::string text;
    for (int n = 1; n <= 8; ++n)
        text += CapacitorLine(n, times[n - 1]) + "\r\n";
    return text;
}

std::string CalibrationReport(uint16_t offset) {
    return "3V3 reference calibrated (offset = " + std::to_string(offset);
}

bool Runner::readResults(uint16_t* words, std::string& error) {
    return driver_.ReadRegisters(kResultBlock1, kBlockWords, words, error) &&
           driver_.ReadRegisters(kResultBlock2, kBlockWords, words + kBlockWords, error);
}

void Runner::RamTest(const std::function<void(const std::vector<std::string>&)>& showDetails) {
    uint16_t count = 0;
    std::string error;
    bool ok = false;
    // The ECU runs the test while it is asked for the count: up to 10 seconds.
    if (!jobs_->run(kRamTitle, 0, false, [&](EcuJobs::Control&) {
            ok = driver_.ReadRegisters(kRamTestWord, 1, &count, error);
        }))
        return;
    if (!ok) {
        messages_.error("ECU comms error: " + error);
        return;
    }
    if (count == 0) {
        messages_.information("RAM test passed");
        return;
    }
    if (!messages_.askYesNo(Messages::Kind::Confirmation, "RAM test failed (" +
                                                              std::to_string(count) +
                                                              " errors). Show details?"))
        return;
    uint16_t words[kResultWords] = {};
    if (!jobs_->run(kRamTitle, 0, false,
                    [&](EcuJobs::Control&) { ok = readResults(words, error); }))
        return;
    if (!ok) {
        // Details that never arrived are not shown as if they were all zero.
        messages_.error("ECU comms error: " + error);
        return;
    }
    showDetails(RamResultLines(count, words));
}

void Runner::DigitalInputTest() {
    std::string error;
    uint16_t times[8] = {};
    bool ok = false;
    if (!jobs_->run(kCapacitorTitle, 0, false, [&](EcuJobs::Control&) {
            ok = driver_.WriteRegister(TModbusDriver::kCommandWord, 0x2000, error) &&
                 driver_.ReadRegisters(kResultBlock1, 8, times, error);
        }))
        return;
    if (!ok) {
        messages_.error("Unable to perform digital input test (" + error + ").");
        return;
    }
    messages_.information(CapacitorReport(times));
}

void Runner::CalibrateAnalog() {
    std::string error;
    bool calibrated = false;
    bool read = false;
    uint16_t offset = 0;
    if (!jobs_->run(kCalibrationTitle, 0, false, [&](EcuJobs::Control&) {
            calibrated = driver_.WriteRegister(TModbusDriver::kCommandWord, 0x2001, error);
            if (calibrated)
                read = driver_.ReadRegisters(0x000AE, 1, &offset, error);
        }))
        return;
    if (!calibrated) {
        messages_.error("Calibration failed (" + error + ")");
        return;
    }
    // The stored offset changed in the ECU: the next read pass brings it into the image.
    ecu_.SetSync(0x000AE, Sync::ToRead);
    ecu_.SetSync(0x000AF, Sync::ToRead);
    if (read)
        messages_.information(CalibrationReport(offset));
}

int Runner::InjectorTest(std::array<std::array<uint16_t, kResultWords>, kCaptures>& captures) {
    int read = 0;
    auto fresh = captures;
    jobs_->run(kInjectorTitle, kCaptures, true, [&](EcuJobs::Control& control) {
        std::string error;
        uint16_t words[kResultWords];
        for (int n = 0; n < kCaptures && !control.cancelled; ++n) {
            if (!driver_.WriteRegister(TModbusDriver::kCommandWord,
                                       static_cast<uint16_t>(0x1000 + n), error) ||
                !readResults(words, error))
                return;
            std::copy(std::begin(words), std::end(words), fresh[static_cast<size_t>(n)].begin());
            read = n + 1;
            control.done = read;
        }
    });
    // Captures not read keep their previous samples.
    std::copy_n(fresh.begin(), read, captures.begin());
    return read;
}

int TraceY(uint16_t sample, int divisor) {
    long num = 10L * sample;
    long q = num / divisor;
    long r = num % divisor;
    if (2 * r > divisor || (2 * r == divisor && (q & 1) != 0))
        ++q;
    return static_cast<int>(166 - q);
}

uint32_t InjectorColour(int j) {
    static const uint32_t kColours[12] = {0xAAAAAA, 0x5555FF, 0x008000, 0x80FF80,
                                          0x800000, 0xFF00FF, 0x555555, 0x804000,
                                          0xFF8000, 0xFFFF00, 0xAAAAFF, 0xFF80FF};
    return j >= 1 && j <= 12 ? kColours[j - 1] : 0;
}

namespace AnalogueVoltages {

std::string InputText(uint16_t raw) {
    return scaled(raw, 5000, 4) + " V";
}
std::string InjectorVoltageText(uint16_t raw) {
    return scaled(raw, 50, 2) + " V";
}
std::string InjectorCurrentText(uint16_t raw) {
    return scaled(raw, 50, 2) + " A";
}
std::string RailText(uint16_t raw) {
    return scaled(raw, 5000, 2) + " V";
}
std::string BatteryText(uint16_t raw) {
    return scaled(raw, 50, 2) + " V";
}

std::string InputPinLabel(const tECU& ecu, int k) {
    return "'" + PinTable::PinName(ecu, PinTable::AnalogueInputRecord(k)) + "'";
}

uint16_t LiveWord(const tECU& ecu, int liveAddr) {
    return ecu.ImageWord(Layout::kLiveBase + liveAddr);
}

} // namespace AnalogueVoltages

} // namespace zolmar::SelfTests
