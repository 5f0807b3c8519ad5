#pragma once

#include "model/EcuMemoryView.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zolmar::sim {

// What a simulator control stands for.
enum class InputKind {
    Serial,   // serial channel value
    Vss,      // vehicle speed, km/h; also drives its period word
    Knock,    // knock level
    Vvt,      // cam phase
    Rpm,      // engine speed / 100 as a raw value
    Digital,  // check box: 50 ticked, 0 not
    Analogue, // voltage in units of 0.1 mV; the live word holds 0.2 mV units
    Battery,  // battery volts as a raw value
};

// The signals the ECU would measure, as the simulator's controls set them: one
// position per control, and the live words of the inputs-and-triggering and the
// analogue-inputs elements that the positions make.
class SimulatedInputs {
public:
    static constexpr int kControls = 66;

    // Every control at position 0 (unticked).
    SimulatedInputs();

    // The control's caption as it stands before the window opens ("RPM / 100", "Ana 1").
    static std::string Caption(int control);
    static InputKind Kind(int control);
    // Range of the control's position.
    static int Minimum(int control);
    static int Maximum(int control);
    // The live word the control writes (word index; live address = 2 x word).
    static int LiveWord(int control);

    // The caption while the window is open: the analogue, digital, VSS and VVT
    // controls show their channel's user name from the pin table ("Ana1: MAP").
    static std::string OpenCaption(int control, const EcuMemoryView& memory);
    // The control with the caption, closed or open (trailing blanks ignored); -1 when
    // none has it.
    static int Find(const std::string& caption, const EcuMemoryView& memory);

    int Position(int control) const;
    // False (and nothing changed) outside the control's range.
    bool SetPosition(int control, int position);
    // The value shown beside the control, e.g. "2.500 V " or "100.00 km/h".
    std::string ValueText(int control) const;

    // The raw value the control writes into its live word.
    int LiveValue(int control) const;
    // The VSS k period word (k 0..3): 0 when stopped, else the period at 1 km/h (the
    // unsigned calibration word at constant address 30 + 2k) x 50 div speed, limited
    // to 32767.
    int VssPeriod(int vss, const EcuMemoryView& memory) const;

    // Writes one control's live word (and a VSS control's period word).
    void Write(int control, const EcuMemoryView& memory) const;
    // Writes every control's live words.
    void WriteAll(const EcuMemoryView& memory) const;

private:
    int position_[kControls];
};

// Live words held at fixed raw values, written before every pass: signals the
// controls do not cover, or any word a test wants to pin.
class HeldWords {
public:
    // A word held twice keeps the later value.
    void Hold(int word, uint16_t raw);
    void Clear() { held_.clear(); }
    bool Empty() const { return held_.empty(); }
    void Write(const EcuMemoryView& memory) const {
        for (const auto& [word, raw] : held_)
            memory.SetLiveWord(2L * word, raw);
    }

private:
    std::vector<std::pair<int, uint16_t>> held_;
};

} // namespace zolmar::sim
