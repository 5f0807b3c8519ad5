// The undo history: steps found by comparing the image at checkpoints, so every
// write path is covered at once, including those that write the image directly.
#include "model/UndoHistory.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace zolmar {

using namespace Layout;

namespace {

// The synchronised configuration: everything but the live area and the status block.
struct Region {
    long begin;
    long end;
};
constexpr Region kRegions[] = {{0, kLiveBase}, {kLiveBase + kLiveSize, 0x2A000}};

bool inConstants(long offset) {
    return offset < kLogicBase;
}
bool inLogic(long offset) {
    return offset >= kLogicBase && offset < kLogicBase + kLogicSize;
}

std::string trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    while (!s.empty() && s.front() == ' ')
        s.erase(s.begin());
    return s;
}

std::string counted(long n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The element whose block (by the given offsets table) holds the address, or -1.
template <typename Offsets> int owner(const tECU& ecu, const Offsets& offsets, long address) {
    if (ecu.NumElements <= 0 || address < offsets[0] || address >= offsets[ecu.NumElements])
        return -1;
    auto* first = &offsets[0];
    auto* last = &offsets[ecu.NumElements] + 1;
    auto* it = std::upper_bound(first, last, address,
                                [](long a, auto off) { return a < static_cast<long>(off); });
    return static_cast<int>(it - first) - 1;
}

} // namespace

struct UndoHistory::Step {
    std::string caption;
    std::string note;           // what the last undo or redo had to leave
    std::vector<uint32_t> runs; // offset, length, offset, length ...
    std::vector<uint8_t> before;
    std::vector<uint8_t> after;
    bool constants = false;
    bool logicOrNames = false;
    bool structure = false;                            // takes the link offline
    std::unique_ptr<tECU::IdentitySnapshot> idsBefore; // set when elements moved
    std::unique_ptr<tECU::IdentitySnapshot> idsAfter;
    uint64_t mergeKey = 0;
};

UndoHistory::UndoHistory(tECU& ecu) : ecu_(ecu), base_(static_cast<size_t>(kImageSize)) {
    Clear();
}

UndoHistory::~UndoHistory() = default;

void UndoHistory::rebase() {
    std::memcpy(base_.data(), ecu_.Image, base_.size());
    if (ecu_.StructureGeneration() != baseStructure_ ||
        ecu_.ConfigurationGeneration() != baseConfiguration_ || baseIds_.ids.empty())
        baseIds_ = ecu_.Identities();
    baseStructure_ = ecu_.StructureGeneration();
    baseConfiguration_ = ecu_.ConfigurationGeneration();
    baseElements_ = ecu_.NumElements;
}

void UndoHistory::Clear() {
    steps_.clear();
    position_ = 0;
    saved_ = ecu_.Modified ? -1 : 0;
    baseIds_ = ecu_.Identities();
    rebase();
    ++generation_;
}

void UndoHistory::restartIfReplaced() {
    if (recording_ == 0 && ecu_.ConfigurationGeneration() != baseConfiguration_)
        Clear();
}

bool UndoHistory::scan(std::vector<uint32_t>& runs, std::vector<uint8_t>& before,
                       std::vector<uint8_t>& after) const {
    constexpr long kBlock = 64;
    const uint8_t* now = ecu_.Image;
    const uint8_t* was = base_.data();
    for (const Region& r : kRegions) {
        long a = r.begin;
        while (a < r.end) {
            const long n = std::min(kBlock, r.end - a);
            if (std::memcmp(now + a, was + a, static_cast<size_t>(n)) == 0) {
                a += n;
                continue;
            }
            const long blockEnd = a + n;
            while (a < blockEnd) {
                if (now[a] == was[a]) {
                    ++a;
                    continue;
                }
                long e = a;
                while (e < r.end && now[e] != was[e])
                    ++e;
                runs.push_back(static_cast<uint32_t>(a));
                runs.push_back(static_cast<uint32_t>(e - a));
                before.insert(before.end(), was + a, was + e);
                after.insert(after.end(), now + a, now + e);
                a = e;
            }
        }
    }
    return !runs.empty();
}

void UndoHistory::classify(Step& s) const {
    for (size_t k = 0; k < s.runs.size(); k += 2) {
        const long begin = s.runs[k];
        const long end = begin + s.runs[k + 1];
        for (long a = begin; a < end; ++a) {
            if (inConstants(a)) {
                s.constants = true;
            } else if (inLogic(a)) {
                s.logicOrNames = true;
                if (s.structure)
                    continue;
                // Column, row and page of a record are cosmetic; everything else of
                // the diagram changes what the ECU runs.
                const int i = owner(ecu_, ecu_.ElementLogicOffset, a - kLogicBase);
                const long inRecord = i < 0 ? -1 : a - kLogicBase - ecu_.ElementLogicOffset[i];
                if (inRecord < 1 || inRecord > 3)
                    s.structure = true;
            } else {
                s.logicOrNames = true;
            }
        }
    }
    if (s.idsBefore)
        s.structure = true;
}

std::string UndoHistory::captionFor(const Step& s) const {
    if (s.idsBefore) {
        const long delta =
            static_cast<long>(s.idsAfter->ids.size()) - static_cast<long>(s.idsBefore->ids.size());
        if (delta > 0)
            return "Create " + counted(delta, "element", "elements");
        if (delta < 0)
            return "Delete " + counted(-delta, "element", "elements");
        return "Reorder elements";
    }
    if (!s.constants && !s.structure && !s.logicOrNames)
        return "Edit configuration";
    // The elements (or names) the change touched.
    std::vector<int> elements;
    std::vector<int> slots;
    bool logic = false;
    for (size_t k = 0; k < s.runs.size(); k += 2) {
        const long begin = s.runs[k];
        const long end = begin + s.runs[k + 1];
        for (long a = begin; a < end; ++a) {
            if (a >= kConstBase && a < kConstBase + kConstSize) {
                int i = owner(ecu_, ecu_.ElementConstOffset, a - kConstBase);
                if (i >= 0 && std::find(elements.begin(), elements.end(), i) == elements.end())
                    elements.push_back(i);
            } else if (inLogic(a)) {
                logic = true;
            } else if (!inConstants(a)) {
                const long p =
                    a >= kNameRegion1 ? a - kNameRegion1 : a - kNameRegion2 + kNameRegion1Positions;
                int slot = static_cast<int>(p / kNameLength);
                if (std::find(slots.begin(), slots.end(), slot) == slots.end())
                    slots.push_back(slot);
            }
        }
    }
    if (!logic && elements.empty() && slots.size() == 1) {
        const int slot = slots[0];
        if (slot < kNumPages)
            return "Rename page " + std::to_string(slot + 1);
        return "Rename " + trimmed(ecu_.NameOf(slot));
    }
    if (!logic && slots.empty() && elements.size() == 1)
        return "Change " + trimmed(ecu_.NameOf(kNumPages + elements[0]));
    if (!logic && slots.empty() && !elements.empty())
        return "Change " + counted(static_cast<long>(elements.size()), "element", "elements");
    if (logic && !s.structure && !s.constants)
        return "Move elements";
    if (logic && s.structure)
        return "Edit links";
    return "Edit configuration";
}

bool UndoHistory::mergeInto(Step& top, Step& next) const {
    if (top.idsBefore || next.idsBefore)
        return false;
    // byte -> (before, after): the earlier step's before wins, the later step's after.
    std::map<uint32_t, std::pair<uint8_t, uint8_t>> bytes;
    auto add = [&bytes](const Step& s, bool later) {
        size_t at = 0;
        for (size_t k = 0; k < s.runs.size(); k += 2) {
            for (uint32_t j = 0; j < s.runs[k + 1]; ++j, ++at) {
                auto [it, fresh] = bytes.try_emplace(s.runs[k] + j, s.before[at], s.after[at]);
                if (!fresh && later)
                    it->second.second = s.after[at];
            }
        }
    };
    add(top, false);
    add(next, true);
    top.runs.clear();
    top.before.clear();
    top.after.clear();
    for (const auto& [offset, values] : bytes) {
        if (values.first == values.second)
            continue; // typed back to what it was
        const size_t n = top.runs.size();
        if (n >= 2 && top.runs[n - 2] + top.runs[n - 1] == offset)
            ++top.runs[n - 1];
        else {
            top.runs.push_back(offset);
            top.runs.push_back(1);
        }
        top.before.push_back(values.first);
        top.after.push_back(values.second);
    }
    top.constants = top.constants || next.constants;
    top.logicOrNames = top.logicOrNames || next.logicOrNames;
    top.structure = top.structure || next.structure;
    top.caption = next.caption;
    return true;
}

bool UndoHistory::Checkpoint(const std::string& caption, uint64_t mergeKey) {
    if (recording_ > 0)
        return false; // part of the command being recorded
    const bool replaced = ecu_.ConfigurationGeneration() != baseConfiguration_;
    if (replaced && !replacing_) {
        Clear();
        return false;
    }
    auto step = std::make_unique<Step>();
    if (!scan(step->runs, step->before, step->after)) {
        if (!ecu_.Modified && saved_ != position_) {
            saved_ = position_; // saved since the last checkpoint
            ++generation_;
        }
        if (ecu_.StructureGeneration() != baseStructure_)
            rebase();
        return false;
    }
    if (replaced || ecu_.StructureGeneration() != baseStructure_ ||
        ecu_.NumElements != baseElements_) {
        step->idsBefore = std::make_unique<tECU::IdentitySnapshot>(baseIds_);
        step->idsAfter = std::make_unique<tECU::IdentitySnapshot>(ecu_.Identities());
    }
    classify(*step);
    // Unnamed changes of one element's constants, one after another, are one step: a
    // value typed or spun in a field that writes at every change.
    if (mergeKey == 0 && caption.empty() && step->constants && !step->logicOrNames &&
        !step->idsBefore) {
        const long first = static_cast<long>(step->runs.front()) - kConstBase;
        const long last = static_cast<long>(step->runs[step->runs.size() - 2]) + step->runs.back() -
                          1 - kConstBase;
        const int element = owner(ecu_, ecu_.ElementConstOffset, first);
        if (element >= 0 && element == owner(ecu_, ecu_.ElementConstOffset, last))
            mergeKey = (ecu_.IdOf(element).value * 1099511628211ull) | 1;
    }
    step->mergeKey = mergeKey;
    step->caption = caption.empty() ? captionFor(*step) : caption;
    // A step always leaves the configuration different from its file.
    ecu_.Modified = true;

    steps_.resize(static_cast<size_t>(position_));
    if (saved_ > position_)
        saved_ = -1;
    Step* top = position_ > 0 ? steps_.back().get() : nullptr;
    if (!(mergeKey != 0 && top && top->mergeKey == mergeKey && saved_ != position_ &&
          mergeInto(*top, *step))) {
        step->runs.shrink_to_fit();
        step->before.shrink_to_fit();
        step->after.shrink_to_fit();
        steps_.push_back(std::move(step));
        ++position_;
    }
    rebase();
    ++generation_;
    return true;
}

bool UndoHistory::Record(const std::string& caption, const std::function<void()>& command,
                         uint64_t mergeKey) {
    return Record(
        [&] {
            command();
            return caption;
        },
        mergeKey);
}

bool UndoHistory::Record(const std::function<std::string()>& command, uint64_t mergeKey) {
    if (recording_ > 0) {
        command(); // one step with the command around it
        return false;
    }
    Checkpoint();
    struct Depth {
        int& n;
        explicit Depth(int& d) : n(d) { ++n; }
        ~Depth() { --n; }
    };
    std::string caption;
    {
        Depth depth(recording_);
        caption = command();
    }
    replacing_ = true;
    const bool recorded = Checkpoint(caption, mergeKey);
    replacing_ = false;
    return recorded;
}

void UndoHistory::Absorb() {
    if (recording_ > 0)
        return;
    if (ecu_.ConfigurationGeneration() != baseConfiguration_) {
        Clear();
        return;
    }
    rebase();
}

long UndoHistory::apply(const Step& s, bool undo) {
    const std::vector<uint8_t>& want = undo ? s.before : s.after;
    const std::vector<uint8_t>& expect = undo ? s.after : s.before;
    long kept = 0;
    size_t at = 0;
    for (size_t k = 0; k < s.runs.size(); k += 2) {
        for (uint32_t j = 0; j < s.runs[k + 1]; ++j, ++at) {
            const long offset = static_cast<long>(s.runs[k]) + j;
            const uint8_t now = ecu_.ImageByte(offset);
            if (now == want[at])
                continue;
            if (now != expect[at]) {
                ++kept; // the ECU learnt another value since: it stays
                continue;
            }
            // Marked as an edit marks it: online it reaches the ECU in the next cycles.
            ecu_.SetImageByte(offset, want[at], true);
        }
    }
    if (s.constants)
        ecu_.ConstantsChanged = true;
    if (s.logicOrNames)
        ecu_.LogicOrNamesChanged = true;
    if (s.structure)
        ecu_.StructureChanged = true;
    if (s.idsBefore) {
        ecu_.RebuildIndex(true, true);
        ecu_.RestoreIdentities(undo ? *s.idsBefore : *s.idsAfter);
    }
    return kept;
}

void UndoHistory::updateModified() {
    ecu_.Modified = saved_ != position_;
}

bool UndoHistory::CanUndo() {
    restartIfReplaced();
    Checkpoint();
    return position_ > 0;
}

bool UndoHistory::CanRedo() {
    restartIfReplaced();
    return position_ < Count();
}

std::string UndoHistory::UndoCaption() {
    return CanUndo() ? Caption(position_ - 1) : std::string();
}

std::string UndoHistory::RedoCaption() {
    return CanRedo() ? Caption(position_) : std::string();
}

std::string UndoHistory::Caption(int step) const {
    if (step < 0 || step >= Count())
        return {};
    // Shown with what the last undo or redo had to leave.
    const Step& s = *steps_[static_cast<size_t>(step)];
    return s.caption + s.note;
}

UndoHistory::Outcome UndoHistory::Undo() {
    Outcome out;
    Checkpoint();
    if (position_ <= 0)
        return out;
    Step& s = *steps_[static_cast<size_t>(position_ - 1)];
    out.learntKept = apply(s, true);
    if (out.learntKept > 0)
        s.note = LearntNote(out.learntKept);
    --position_;
    out.done = true;
    out.caption = Caption(position_);
    updateModified();
    rebase();
    ++generation_;
    return out;
}

UndoHistory::Outcome UndoHistory::Redo() {
    Outcome out;
    Checkpoint();
    if (position_ >= Count())
        return out;
    Step& s = *steps_[static_cast<size_t>(position_)];
    out.learntKept = apply(s, false);
    if (out.learntKept > 0)
        s.note = LearntNote(out.learntKept);
    out.done = true;
    out.caption = Caption(position_);
    ++position_;
    updateModified();
    rebase();
    ++generation_;
    return out;
}

UndoHistory::Outcome UndoHistory::GoTo(int position) {
    Outcome all;
    Checkpoint();
    position = std::clamp(position, 0, Count());
    while (position_ != position) {
        Outcome one = position < position_ ? Undo() : Redo();
        if (!one.done)
            break;
        all.done = true;
        all.caption = one.caption;
        all.learntKept += one.learntKept;
    }
    return all;
}

void UndoHistory::MarkSaved() {
    Checkpoint();
    saved_ = position_;
    ++generation_;
}

size_t UndoHistory::MemoryBytes() const {
    size_t bytes = steps_.capacity() * sizeof(steps_[0]);
    for (const auto& s : steps_) {
        bytes += sizeof(Step) + s->caption.capacity() + s->note.capacity() +
                 s->runs.capacity() * sizeof(uint32_t) + s->before.capacity() + s->after.capacity();
        for (const auto* ids : {s->idsBefore.get(), s->idsAfter.get()})
            if (ids)
                bytes +=
                    sizeof(*ids) + ids->ids.capacity() * sizeof(uint64_t) + ids->types.capacity();
    }
    return bytes;
}

std::string UndoHistory::LearntNote(long bytes) {
    return " (" + counted(bytes, "byte", "bytes") + " learnt by the ECU kept)";
}

} // namespace zolmar
