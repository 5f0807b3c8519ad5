#pragma once

#include "model/ECU.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace zolmar::diagnostics {

// The setup checklist's decisions: the elements it finds by name, the progress word
// in the fixed constant data, the readings that tick steps 3-6, the warnings, the
// table checks and what each button does to the model. The window only shows them.
//
// Elements are looked up at each use: nothing here keeps an index from one call to
// the next, so an element that moved or went is found again or counts as missing.
class Checklist {
public:
    static constexpr int kSteps = 15;
    // The progress word: bit k-1 = step k done. The low word at 0x5E holds the steps;
    // the high word at 0x60 is kept as it is but travels with it.
    static constexpr long kProgressOffset = 0x5E;
    static constexpr long kBatteryLive = 0x0F4; // battery voltage x 50
    static constexpr long kRpmLive = 0x058;     // engine speed / 2
    // The two angles stop at the range a typed value has.
    static constexpr int kAngleLimit = 655 * 50;

    // The elements the checklist needs, each by its name.
    enum class Named {
        MapSensor,         // live word: MAP, step 4
        Coolant,           // live word: coolant, step 5 and its warning
        AirTemperature,    // live word: step 6
        Tps,               // live word: TPS, step 8
        ClosedLoopIdle,    // live word: step 12's question
        ElecLoadsDisabled, // live word: step 12's question
        ClosedLoopFuel,    // live word: step 13's question
        LearnTps,          // Tickbox: steps 7 and 8
        EnableInjectors,   // Tickbox: steps 9 and 11
        TimingLock,        // Tickbox: the "Timing Lock" check box
        TimingLockAngle,   // Constant: "Timing Lock Angle:"
        TriggerOffset,     // Constant: "Trigger Offset:"
        BaseIdle,          // table: the "Base Idle" link
        VeTable,           // 3D table: the "3D VE Table" link and its warning
        IgnitionMap,       // 3D table: the "Ignition Timing" link and its warning
        MapPrediction,     // table: the "MAP prediction" link
    };
    static constexpr int kNamedCount = 16;

    // The name as the image stores it (Windows-1252: the degree sign is 0xB0).
    static const char* NameOf(Named what);
    // The element carrying the name now (the highest index wins), or -1 when no
    // element has it or that element is not of the kind the checklist needs.
    static int Find(const tECU& ecu, Named what);
    // The live words the poll cycle fetches while the checklist is open.
    static std::vector<long> LiveAddresses(const tECU& ecu);

    // --- progress
    static uint16_t Progress(const tECU& ecu);
    static bool Done(const tECU& ecu, int step);
    // Sets or clears step 1..15. Only a real change writes the word (marking
    // 0x5E-0x61 to write and the configuration modified); true when it changed.
    static bool SetDone(tECU& ecu, int step, bool done);
    // Steps whose tick or cross follows their bit (steps 3-6 have live marks instead).
    static bool HasManualMark(int step);
    // Steps whose "OK" button toggles their bit.
    static bool HasOkButton(int step);
    // The first step not done, 0 when all fifteen are.
    static int FirstOpenStep(const tECU& ecu);
    // Where the arrow stands for a step (the timing-light rows lie between 10 and 11).
    static int ArrowY(int step);
    // The "Setup Wizard." link: not while a full transfer, a pending write or the
    // question to load or write is under way, nor before the first read.
    static bool WizardLinkAvailable(int linkState);

    // --- the buttons, each one change of the model. The switches return the element
    // they wrote (to mirror it on the settings sheets), or -1 when its element is
    // missing and nothing changed.
    static void ToggleStep(tECU& ecu, int step);
    static int EnableTpsLearning(tECU& ecu); // "Learn TPS" := 1, step 7 toggled
    static int FinishTpsLearning(tECU& ecu); // "Learn TPS" := 0, step 8 toggled
    static int DisableInjectors(tECU& ecu);  // "Enable Injectors" := 0, step 9 toggled
    static int ReEnableInjectors(tECU& ecu); // "Enable Injectors" := 1, step 11 toggled
    static int SetTimingLock(tECU& ecu, bool on);
    // Adds (direction > 0) or takes one degree from the angle, stopping at +-655.00.
    static int NudgeAngle(tECU& ecu, Named angle, int direction);
    // Whether "Timing Lock" is ticked (its byte is 1); nullopt without it.
    static std::optional<bool> TimingLockTicked(const tECU& ecu);
    // A named constant word as value / 50 with two decimals, "???" without it.
    static std::string AngleText(const tECU& ecu, Named angle);

    // --- what the window shows
    enum class Mark { Hidden, Tick, Cross };

    // Algorithm of each poll cycle. The texts of steps 3-6 and the RPM are current only
    // when live is set; otherwise the window keeps them and hides the four marks.
    struct Readings {
        bool live = false;
        std::string battery, rpm, map, coolant, air;
        std::array<Mark, 4> marks{Mark::Hidden, Mark::Hidden, Mark::Hidden, Mark::Hidden};
        std::string tps;
        std::string elecLoads, closedLoopIdle, closedLoopFuel;
        std::string timingLockAngle, triggerOffset;
        bool progressChanged = false;
    };
    // Every 50 ms: the labels and warnings that follow the switches and the engine.
    struct Warnings {
        std::optional<std::string> injectors;   // hidden when empty
        std::optional<std::string> tpsLearning; // hidden when empty
        bool coolantTooHigh = false;
        bool rpmUnstable = false;
    };
    // Every 200 ms: the table checks and the arrow (0: stays where it is).
    struct TableChecks {
        bool ignitionExcessive = false;
        bool veUnreasonable = false;
        int arrowStep = 0;
    };

    // Opening: the poll cycle fetches the checklist's live words from now on, and
    // the RPM warning starts afresh. Closing stops the fetching.
    void Open(tECU& ecu);
    static void Close(tECU& ecu);

    // Reads the live words; an automatic step whose mark is shown writes its state
    // into the progress word.
    static Readings PollCycle(tECU& ecu);
    // "RPM is Unstable" compares with the RPM seen by the previous call; the first
    // call after opening only takes it.
    Warnings WarningsTick(const tECU& ecu);
    static TableChecks CheckTables(const tECU& ecu);

private:
    std::optional<long> previousRpm_;
};

} // namespace zolmar::diagnostics
