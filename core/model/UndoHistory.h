#pragma once

#include "model/ECU.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zolmar {

// The one undo history over the configuration image. A step is what changed between
// two checkpoints: the changed byte runs (before and after), the flags the change
// implies and, when elements were created, deleted or reordered, the element
// identities before and after. Memory grows with what changed, never with the image.
//
// How a command becomes a step:
//   history.Record("Paste 12 elements", [&] { ...change the model... });
// or, when the caption is only known afterwards, run the command and then call
//   history.Checkpoint(caption);
// Record checkpoints first, so anything changed before the command is a step of its
// own. Changes that no command named (the main window checkpoints after every user
// input) get a caption made from what they changed. Values the ECU reports (learnt
// cells) are adopted with Absorb() and never become steps.
//
// Loading, New and a full read replace the configuration outside any Record: the
// history sees the new configuration generation and starts again. Inside Record a
// replacement (import/merge) is one step like any other.
class UndoHistory {
public:
    explicit UndoHistory(tECU& ecu);
    UndoHistory(const UndoHistory&) = delete;
    UndoHistory& operator=(const UndoHistory&) = delete;
    ~UndoHistory();

    // THE entry point for commands: runs command and records what it changed as one
    // step named caption. A non-zero mergeKey merges the step into the previous one
    // when that has the same key (a burst of typing into one table range). Returns
    // whether a step was recorded (false when the command changed nothing).
    bool Record(const std::string& caption, const std::function<void()>& command,
                uint64_t mergeKey = 0);
    // The same for a command that names itself once it has run ("Paste 12 elements").
    bool Record(const std::function<std::string()>& command, uint64_t mergeKey = 0);
    // A command is being recorded (whoever polls the link waits for it to end).
    bool Recording() const { return recording_ > 0; }
    // Whatever changed since the last checkpoint becomes one step named caption (a
    // caption made from the change when empty; such unnamed changes of the same
    // constant bytes in a row merge). False when nothing changed.
    bool Checkpoint(const std::string& caption = {}, uint64_t mergeKey = 0);
    // Takes what changed since the last checkpoint as the new starting point, without
    // a step: values the ECU learnt and reported.
    void Absorb();
    // Forgets every step; the current configuration is the start.
    void Clear();

    struct Outcome {
        bool done = false;
        std::string caption; // the step undone or redone
        long learntKept = 0; // bytes left as the ECU learnt them since the step
    };
    bool CanUndo();
    bool CanRedo();
    std::string UndoCaption();
    std::string RedoCaption();
    Outcome Undo();
    Outcome Redo();
    // Undoes or redoes until position steps are applied (0 = the start).
    Outcome GoTo(int position);

    // Steps in order; the first Position() of them are applied.
    int Count() const { return static_cast<int>(steps_.size()); }
    int Position() const { return position_; }
    std::string Caption(int step) const;
    // The position that matches the file on disk, -1 when none does.
    int SavedPosition() const { return saved_; }
    // The configuration now equals its file (after a save).
    void MarkSaved();
    // Bytes the steps hold.
    size_t MemoryBytes() const;
    // Counts every change of the history (steps, undo, redo, clear), for views.
    uint64_t Generation() const { return generation_; }

    // The text added to a caption when learnt bytes were left.
    static std::string LearntNote(long bytes);

private:
    struct Step;
    void rebase();
    void restartIfReplaced();
    bool scan(std::vector<uint32_t>& runs, std::vector<uint8_t>& before,
              std::vector<uint8_t>& after) const;
    std::string captionFor(const Step& step) const;
    void classify(Step& step) const;
    bool mergeInto(Step& top, Step& next) const;
    long apply(const Step& step, bool undo);
    void updateModified();

    tECU& ecu_;
    std::vector<uint8_t> base_; // the image at the last checkpoint
    tECU::IdentitySnapshot baseIds_;
    uint64_t baseStructure_ = 0;
    uint64_t baseConfiguration_ = 0;
    int baseElements_ = 0;
    std::vector<std::unique_ptr<Step>> steps_;
    int position_ = 0;
    int saved_ = 0;
    int recording_ = 0;      // Record calls in progress
    bool replacing_ = false; // a recorded command may replace the configuration
    uint64_t generation_ = 0;
};

} // namespace zolmar
