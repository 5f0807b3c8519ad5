#include "link/TransferCheck.h"

#include "link/ModbusDriver.h"
#include "link/SyncRuns.h"
#include "model/ECU.h"

#include <algorithm>
#include <string>

namespace zolmar {

using namespace SyncRuns;

TransferCheck::TransferCheck() : moved_(kConfigEnd, 0), ever_(kConfigEnd, 0) {}

void TransferCheck::Reset() {
    std::fill(moved_.begin(), moved_.end(), uint8_t{0});
    std::fill(ever_.begin(), ever_.end(), uint8_t{0});
    left_ = 0;
    differing_ = 0;
    checking_ = false;
}

void TransferCheck::Moved(long start, long length) {
    start = std::clamp(start, 0L, kConfigEnd);
    const long end = std::clamp(start + length, start, kConfigEnd);
    for (long a = start; a < end; ++a) {
        if (!moved_[static_cast<size_t>(a)] && checking_)
            ++left_;
        moved_[static_cast<size_t>(a)] = 1;
        ever_[static_cast<size_t>(a)] = 1;
    }
}

long TransferCheck::MarkUnmoved(tECU& ecu, long start, long end, uint8_t mark) const {
    start = std::clamp(start, 0L, kConfigEnd);
    end = std::clamp(end, start, kConfigEnd);
    long marked = 0;
    for (long a = start; a < end; ++a) {
        if (!ever_[static_cast<size_t>(a)]) {
            ecu.SetSync(a, mark);
            ++marked;
        }
    }
    return marked;
}

long TransferCheck::Begin() {
    checking_ = true;
    differing_ = 0;
    left_ = static_cast<long>(std::count(moved_.begin(), moved_.end(), uint8_t{1}));
    return left_;
}

TransferCheck::Result TransferCheck::Step(TModbusDriver& driver, tECU& ecu, uint8_t againMark,
                                          uint16_t* words, std::string& error) {
    if (left_ <= 0)
        return Result::Finished;
    const uint8_t* marks = moved_.data();
    const long p = findState(marks, 0, kConfigEnd, 1);
    if (p < 0) {
        left_ = 0;
        return Result::Finished;
    }
    long start = p;
    const int n = alignedRun(marks, p, kConfigEnd, kRunBytes, 1, stopsReadRun, start);
    if (!driver.ReadRegisters(static_cast<uint32_t>(start), n, words, error))
        return Result::Failed;
    for (int i = 0; i < n; ++i) {
        const long a = start + 2 * i;
        const uint8_t got[2] = {static_cast<uint8_t>(words[i] & 0xFF),
                                static_cast<uint8_t>(words[i] >> 8)};
        for (int half = 0; half < 2; ++half) {
            const long b = a + half;
            if (b >= kConfigEnd || !moved_[static_cast<size_t>(b)])
                continue;
            moved_[static_cast<size_t>(b)] = 0;
            --left_;
            if (ecu.ImageByte(b) != got[half]) {
                ++differing_;
                ecu.SetSync(b, againMark);
            }
        }
    }
    return Result::Read;
}

} // namespace zolmar
