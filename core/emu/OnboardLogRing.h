#pragma once

#include <cstdint>
#include <vector>

namespace zolmar::emu {

class VirtualEcu;

// The virtual ECU's onboard log: records the fifteen logging channels of the
// committed configuration every logging period into a ring of six pages, and serves
// them through the page-select register and the 64 KB window.
class OnboardLogRing {
public:
    static constexpr int kPages = 6;
    static constexpr int kPageWords = 0x8000;
    static constexpr int kRecordWords = 16;
    static constexpr int kRecords = kPages * kPageWords / kRecordWords;

    OnboardLogRing();
    // Serves the window and records on every advance of the ECU's time.
    void Attach(VirtualEcu& ecu);

    // Erased ring, recording from page 0 again.
    void Erase();
    // Records one record at the given time from the ECU's live values.
    void Record(const VirtualEcu& ecu, uint64_t nowMs);
    // Records every period that fell due up to nowMs.
    void CatchUp(const VirtualEcu& ecu, uint64_t nowMs);

    uint16_t Word(int page, int word) const;
    void SetWord(int page, int word, uint16_t value);
    int SelectedPage() const { return selected_; }
    int NextRecord() const { return next_; }
    // Recording stops while the log is being read, as it does in the ECU.
    bool Reading() const { return selected_ != 255; }

private:
    std::vector<uint16_t> words_;
    int next_ = 0;
    int selected_ = 255;
    uint64_t due_ = 0;
};

} // namespace zolmar::emu
