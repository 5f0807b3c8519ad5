#pragma once

#include "link/ModbusDriver.h"
#include "model/ECU.h"
#include "ports/EcuJobs.h"
#include "ports/Messages.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zolmar {

// The ECU's hardware checks run from the Advanced menu: each a blocking exchange with
// the driver between two poll cycles, reported in fixed texts.
namespace SelfTests {

inline constexpr uint32_t kRamTestWord = 0x2B000;
inline constexpr uint32_t kResultBlock1 = 0x2B002;
inline constexpr uint32_t kResultBlock2 = 0x2B048;
inline constexpr int kBlockWords = 35;
inline constexpr int kResultWords = 2 * kBlockWords;
inline constexpr int kCaptures = 24;
inline constexpr int kRamRecords = 35;

// One RAM test record as the results window lists it.
std::string RamRecordLine(uint16_t addressWord, uint16_t dataWord);
// The results window's lines for an error count and the 70 result words.
std::vector<std::string> RamResultLines(uint16_t count, const uint16_t* words);
// The line of digital input n (1..8) with charge time t ms.
std::string CapacitorLine(int n, uint16_t t);
// The information box of the capacitor test: eight lines ending with CR LF.
std::string CapacitorReport(const uint16_t* times);
std::string CalibrationReport(uint16_t offset);

// The test runner over a connected driver. Messages go to the user; the RAM test's
// details go to showDetails when the user asks for them. Every exchange runs as an
// ECU job; the injector test's captures can be cancelled between two captures.
class Runner {
public:
    Runner(tECU& ecu, TModbusDriver& driver, Messages& messages, EcuJobs& jobs)
        : ecu_(ecu), driver_(driver), messages_(messages), jobs_(&jobs) {}
    Runner(tECU& ecu, TModbusDriver& driver, Messages& messages)
        : ecu_(ecu), driver_(driver), messages_(messages), jobs_(&inline_) {}
    Runner(const Runner&) = delete;
    Runner& operator=(const Runner&) = delete;

    static constexpr const char* kRamTitle = "ECU Ram Test";
    static constexpr const char* kInjectorTitle = "ECU Injector Test";
    static constexpr const char* kCapacitorTitle = "ECU Digital Input capacitor test";
    static constexpr const char* kCalibrationTitle = "Calibrate Analog";

    void RamTest(const std::function<void(const std::vector<std::string>&)>& showDetails);
    void DigitalInputTest();
    void CalibrateAnalog();
    // Captures 0..23 in turn until an exchange fails; those not read keep their
    // previous samples. Returns how many were read.
    int InjectorTest(std::array<std::array<uint16_t, kResultWords>, kCaptures>& captures);

private:
    bool readResults(uint16_t* words, std::string& error);

    tECU& ecu_;
    TModbusDriver& driver_;
    Messages& messages_;
    InlineJobs inline_;
    EcuJobs* jobs_;
};

// The plot of the injector test: y of sample v, the trace's scale divisor being 248
// for voltage and 68 for current (166 - 10 v / divisor, rounded half to even).
int TraceY(uint16_t sample, int divisor);
inline int TraceX(int k) {
    return 24 + 4 * k;
}
// Injector j (1..12)'s colour, 0xRRGGBB.
uint32_t InjectorColour(int j);

// The analogue voltages window.
namespace AnalogueVoltages {
inline constexpr int kInputs = 16;
inline constexpr int kInjectors = 12;
// Texts of the live words; labels hold their last text while no values come.
std::string InputText(uint16_t raw);           // "1.2345 V"
std::string InjectorVoltageText(uint16_t raw); // "13.90 V"
std::string InjectorCurrentText(uint16_t raw); // "0.00 A"
std::string RailText(uint16_t raw);            // "3.30 V"
std::string BatteryText(uint16_t raw);         // "13.90 V"
// Pin name of analogue input k (1..16) between single quotes.
std::string InputPinLabel(const tECU& ecu, int k);
// Live addresses.
inline constexpr int kInputBase = 0x0A0;
inline constexpr int kInjectorBase = 0x0C0;
inline constexpr int kRail3V3 = 0x0F0;
inline constexpr int kRail5V = 0x0F2;
inline constexpr int kBattery = 0x0F4;
uint16_t LiveWord(const tECU& ecu, int liveAddr);
} // namespace AnalogueVoltages

} // namespace SelfTests
} // namespace zolmar
