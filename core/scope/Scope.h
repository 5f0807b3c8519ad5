#pragma once

#include "model/ECU.h"
#include "scope/ScopeSignals.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zolmar {
class TModbusDriver;
}

namespace zolmar::scope {

// Where the scope keeps its settings (constant addresses) and where the ECU keeps
// its capture (ECU byte addresses).
namespace ScopeMap {
inline constexpr int kTriggerSource = 303;
inline constexpr int kTriggerLevel = 305;
inline constexpr int kChannelSource = 307; // + 2 (channel - 1)
inline constexpr int kTimebase = 315;      // bits 0-3 time base, bit 4 falling edge
inline constexpr int kHorizontal = 316;    // 248 - slider position
inline constexpr int kOffset = 319;        // + 2 (channel - 1)
inline constexpr int kScale = 327;         // + 2 (channel - 1)
inline constexpr uint32_t kModeWord = 0x2A03E;
inline constexpr uint16_t kArm = 0;
inline constexpr uint16_t kForce = 0x8000;
inline constexpr long kBuffer = 0x2A800;
inline constexpr long kChannelBytes = 512;
inline constexpr long kSamples = 0x2A810; // sample i of channel k: + 512 (k - 1) + 2 i
inline constexpr int kSampleCount = 256;
inline constexpr int kChannels = 4;
} // namespace ScopeMap

// The scope's settings as the configuration holds them.
struct ScopeSettings {
    uint16_t triggerSource = 0;
    int16_t triggerLevel = 0;
    std::array<uint16_t, 4> source{};
    int timebase = 0;
    bool falling = false;
    int horizontal = 0; // slider position 0-240
    std::array<int16_t, 4> offset{};
    std::array<uint16_t, 4> scale{};

    static ScopeSettings Read(const tECU& ecu);
};

// The setting writers: each writes its constant at once, so it travels to the ECU.
namespace ScopeWrite {
void ChannelSource(tECU& ecu, int channel, uint16_t code); // channel 0-3
void TriggerSource(tECU& ecu, uint16_t code);
// Level slider position -600..600 (stored as position x -50).
void TriggerLevel(tECU& ecu, int position);
// The single bit 0-15 a bit-set trigger waits for.
void TriggerBit(tECU& ecu, int bit);
void Timebase(tECU& ecu, int timebase);
void Edge(tECU& ecu, bool falling);
void Horizontal(tECU& ecu, int position);
void Offset(tECU& ecu, int channel, int divisions);
void Scale(tECU& ecu, int channel, int index);
} // namespace ScopeWrite

// The level slider position of a stored level, and the single bit of a bit trigger
// (the first when the stored word is no single bit of the source).
int TriggerLevelPosition(int16_t stored);
int TriggerBitIndex(int16_t stored);

// The label bands of the bit-set channels: 325 (lower) or 21 (upper), 0 for a channel
// that is no bit set. The first bit-set channel takes the lower band, the second the
// upper, the third the lower again.
std::array<int, 4> LabelBands(const std::array<int, 4>& items);
inline constexpr int kLowerBand = 325;
inline constexpr int kUpperBand = 21;

// The samples of channel 0-3 the image holds: all 256, except that the capture
// buffer of channel 4 ends with the image after sample 247.
int SampleCount(int channel);
int16_t Sample(const tECU& ecu, int channel, int index);

struct TracePoint {
    int x;
    int y;
};

// Trace geometry on the 480 x 576 screen (centre line y = 288, 48 pixels a division).
int ValueY(int16_t v, int scaleIndex, int offset);
int RawY(int16_t v, int scaleIndex, int offset);
// The engine angle in degrees (one pixel each) from the trigger-offset reference
// (hundredths of a degree); newer firmware reports a 16-bit turn.
int AngleY(int16_t v, int reference, bool turnUnits, int offset);
bool AngleInTurnUnits(uint8_t packageMajor, uint8_t packageMinor);
// The polyline of a value, raw or angle channel showing list item `item`; none for
// a bit set.
std::vector<TracePoint> Trace(const tECU& ecu, int channel, int item, const ScopeSettings& settings,
                              int angleReference);
// The step trace of one bit of a bit-set channel in its band.
std::vector<TracePoint> BitTrace(const tECU& ecu, int channel, int bit, int band);

// The trigger-offset constant that the angle trace is measured from: the signed word
// at the constant address of the first element named "Trigger Offset (Crank°)".
int AngleReference(const tECU& ecu);

// One scope cycle's decisions, from the ECU's mode bits and the window's controls.
class ScopeCycle {
public:
    enum Mode { Normal = 0, Auto = 1, Single = 2 };

    struct Controls {
        int mode = Normal;
        bool run = false;
        std::array<bool, 4> shown{true, true, true, true};
        std::array<int, 4> items{}; // the channels' source list items now
        uint32_t nowMs = 0;         // the window's clock, for the capture's age
    };

    struct Result {
        bool forceTrigger = false; // write 0x8000 to the mode word
        bool untickRun = false;
        std::string status; // "WAIT", "TRIGGERED" or "STOPPED"
        bool draw = false;  // a fetched capture is complete: draw it
        bool clear = false; // clear the screen before drawing
        bool rearm = false; // write 0 to the mode word after drawing
        // The sources the drawn capture was taken with: what the traces and the band
        // labels are drawn for, even when a source has changed since.
        std::array<int, 4> items{};
    };

    // Runs one cycle: counts the auto trigger, starts a fetch of a ready capture (marks
    // the shown channels' samples to be read) and tells when it has arrived.
    Result Cycle(tECU& ecu, const Controls& controls, bool accumulate);
    // Closing or hiding the window: pending buffer reads are dropped.
    static void DropPendingReads(tECU& ecu);
    // Hiding the window abandons a fetch: the buffer then holds part of one capture
    // and part of an older one, which must never be drawn as a capture.
    void Abandon(tECU& ecu);
    // The screen was cleared: no capture is shown any more.
    void ForgetCapture() { shown_ = false; }
    bool CaptureShown() const { return shown_; }
    // "No capture" or the age of the capture on screen ("Capture 2.4 s old").
    std::string CaptureAgeText(uint32_t nowMs) const;
    bool Fetching() const { return fetching_; }
    int AutoCounter() const { return autoCounter_; }

private:
    int autoCounter_ = 0;
    bool fetching_ = false;
    std::array<int, 4> fetchItems_{};
    uint32_t fetchMs_ = 0;
    bool shown_ = false;
    uint32_t shownMs_ = 0;
};

// Writes the mode word; failures are ignored, the next cycle sees no progress.
void WriteModeWord(TModbusDriver* driver, uint16_t value);

} // namespace zolmar::scope
