#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zolmar {

class tECU;
class TModbusDriver;

// The check that ends a full read or write: every byte the transfer moved is read
// back once more and compared with the image. Bytes that differ are handed back to be
// moved again; the engine then checks those once more, for a bounded number of rounds.
class TransferCheck {
public:
    // The longest read-back run in bytes. Shorter than the transfer's runs: a check read
    // is never of a transfer read's length, and its runs start elsewhere, so a reply
    // paired with the wrong request shows.
    static constexpr long kRunBytes = 194;

    TransferCheck();

    // A new transfer: nothing moved, nothing to check.
    void Reset();
    // Bytes [start, start + length) were moved by the transfer.
    void Moved(long start, long length);
    // From now on the moved bytes are checked; returns how many there are.
    long Begin();
    bool Checking() const { return checking_; }
    // Bytes still to check in this round.
    long Left() const { return left_; }
    // Bytes found different in this round (moved again before the next).
    long Differing() const { return differing_; }
    // The round is over: what differed is moved again, then checked in the next Begin.
    void EndRound() { checking_ = false; }
    // Bytes of [start, end) the transfer never moved get the mark (to be moved now);
    // returns how many.
    long MarkUnmoved(tECU& ecu, long start, long end, uint8_t mark) const;

    enum class Result { Finished, Read, Failed };
    // Reads back the next run (at most 101 words). Differing bytes get the given
    // SyncState mark in the image, to be moved again. Finished when nothing is left.
    Result Step(TModbusDriver& driver, tECU& ecu, uint8_t againMark, uint16_t* words,
                std::string& error);

private:
    std::vector<uint8_t> moved_; // 1: moved since the last check
    std::vector<uint8_t> ever_;  // 1: moved at all in this transfer
    long left_ = 0;
    long differing_ = 0;
    bool checking_ = false;
};

} // namespace zolmar
