#include "emu/OnboardLogRing.h"

#include "emu/VirtualEcu.h"
#include "model/ECU.h"

#include <algorithm>

namespace zolmar::emu {

namespace {

constexpr uint32_t kWindow = 0x30000;
constexpr uint32_t kWindowEnd = 0x40000;
constexpr int kChannels = 15;
constexpr uint32_t kChannelLive = 0x0004; // 15 live addresses
constexpr uint32_t kChannelValid = 0x0040;
constexpr uint32_t kPeriodByte = 0x52D;
constexpr int kPeriodMs[8] = {10, 20, 50, 100, 200, 500, 1000, 2000};

uint16_t configWord(const VirtualEcu& ecu, uint32_t address) {
    const uint8_t* flash = ecu.Committed();
    return static_cast<uint16_t>(flash[address] | flash[address + 1] << 8);
}

uint16_t liveWord(const VirtualEcu& ecu, uint16_t liveAddress) {
    if (liveAddress >= Layout::kLiveSize - 1)
        return 0;
    return ecu.ReadWord(EcuMap::kLiveBase + (liveAddress & ~1u));
}

} // namespace

OnboardLogRing::OnboardLogRing() : words_(static_cast<size_t>(kPages) * kPageWords, 0xFFFF) {}

void OnboardLogRing::Erase() {
    std::fill(words_.begin(), words_.end(), 0xFFFF);
    next_ = 0;
}

uint16_t OnboardLogRing::Word(int page, int word) const {
    if (page < 0 || page >= kPages || word < 0 || word >= kPageWords)
        return 0xFFFF;
    return words_[static_cast<size_t>(page) * kPageWords + static_cast<size_t>(word)];
}

void OnboardLogRing::SetWord(int page, int word, uint16_t value) {
    if (page >= 0 && page < kPages && word >= 0 && word < kPageWords)
        words_[static_cast<size_t>(page) * kPageWords + static_cast<size_t>(word)] = value;
}

void OnboardLogRing::Record(const VirtualEcu& ecu, uint64_t nowMs) {
    uint16_t* record = words_.data() + static_cast<size_t>(next_) * kRecordWords;
    record[0] = static_cast<uint16_t>(nowMs & 0xFFFF);
    for (int k = 0; k < kChannels; ++k) {
        const uint16_t value = liveWord(ecu, configWord(ecu, kChannelLive + 2 * k));
        const uint16_t validAddress = configWord(ecu, kChannelValid + 2 * k);
        const bool valid =
            validAddress == 0xFFFF || static_cast<int16_t>(liveWord(ecu, validAddress)) > 0;
        record[1 + k] = static_cast<uint16_t>((value & 0xFFFE) | (valid ? 1 : 0));
    }
    next_ = (next_ + 1) % kRecords;
    // The next page is erased as soon as this one is full, so exactly one page is
    // open once the ring has gone round.
    constexpr int kRecordsPerPage = kPageWords / kRecordWords;
    if (next_ % kRecordsPerPage == 0) {
        auto page = words_.begin() + static_cast<long>(next_) * kRecordWords;
        std::fill(page, page + kPageWords, 0xFFFF);
    }
}

void OnboardLogRing::CatchUp(const VirtualEcu& ecu, uint64_t nowMs) {
    const uint64_t period = static_cast<uint64_t>(kPeriodMs[ecu.Committed()[kPeriodByte] & 7]);
    if (nowMs >= due_ + period * kRecords)
        due_ = nowMs - nowMs % period; // a jump longer than the whole ring
    if (Reading()) {
        due_ = nowMs - nowMs % period + period;
        return;
    }
    for (; due_ <= nowMs; due_ += period)
        Record(ecu, due_);
}

void OnboardLogRing::Attach(VirtualEcu& ecu) {
    MemoryHandler window;
    window.begin = kWindow;
    window.end = kWindowEnd;
    window.read = [this](uint32_t address, uint16_t& value) {
        if (selected_ >= kPages)
            return false; // no page selected: the window is closed
        value = Word(selected_, static_cast<int>((address - kWindow) / 2));
        return true;
    };
    window.write = [this](uint32_t address, uint16_t value) {
        if (address != kWindow || (value >= kPages && value != 255))
            return false;
        selected_ = value;
        return true;
    };
    ecu.AddHandler(window);
    ecu.onTick.push_back([this, &ecu](uint64_t nowMs) { CatchUp(ecu, nowMs); });
}

} // namespace zolmar::emu
