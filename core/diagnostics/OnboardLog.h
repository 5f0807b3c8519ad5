#pragma once

#include "model/ECU.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zolmar {
class TModbusDriver;
}

namespace zolmar::diagnostics {

// The ECU's onboard log: a ring of six 64 KB pages of 32-byte records (time in ms
// modulo 65536, then 15 channels), read back one page at a time through a window.
namespace OnboardLog {

inline constexpr uint32_t kPageSelect = 0x30000; // write: 0-5 a page, 255 ends
inline constexpr uint32_t kWindow = 0x30000;     // read: the selected page
inline constexpr uint32_t kLastRecord = 0x3FFE0; // 0xFFFF while the page is not full
inline constexpr uint16_t kEndRetrieval = 255;
inline constexpr int kPages = 6;
inline constexpr int kPageWords = 0x8000;
inline constexpr int kRingWords = kPages * kPageWords;
inline constexpr int kRecordWords = 16;
inline constexpr int kRecordsPerPage = kPageWords / kRecordWords;
inline constexpr int kChannels = 15;
inline constexpr long kPeriodOffset = 0x52D; // image byte; bits 0-2 the period code
inline constexpr int kReadChunk = 100;       // words per read
inline constexpr int kReadsPerTick = 3;

// The logging period code (0-7) and its period in milliseconds.
int PeriodCode(const tECU& ecu);
int PeriodMs(int code);
// The six "Amount to Read:" choices for a period code: the time 1 to 6 pages cover.
std::array<std::string, 6> AmountChoices(int code);
// The names of the fifteen channels' sources, as configured in the image.
std::array<std::string, kChannels> ChannelNames(const tECU& ecu);

// The CSV header: "Time (sec)," then the names separated by commas, CR LF.
std::string CsvHeader(const std::array<std::string, kChannels>& names);
// One channel value: "*" first when the validity bit is clear, then value / 50.
std::string ValueField(uint16_t word);
// The records of the received words, one CSV line each, up to the first erased
// record (every word 0xFFFF). The time carries past 65535 ms by counting wraps.
std::string CsvRecords(const uint16_t* words, size_t count);
// The whole CSV file: the header from the configuration's channel names, then the records.
std::string CsvFile(const tECU& ecu, const uint16_t* words, size_t count);
// Reads from the ECU into the image just what the log file needs: the channels' name
// positions, the logging period and the channels' names.
bool ReadSettings(TModbusDriver& driver, tECU& ecu, std::string& error);

} // namespace OnboardLog

// The transfer of the onboard log, one step per 50 ms tick: probe the six pages for
// the one being filled, plan where the wanted pages start, then read them 100 words
// at a time, three reads a tick. A failed transaction is retried on the next tick
// from the same step, page and position.
class LogRetrieval {
public:
    enum class Status { Idle, Working, CommsError, Done };

    LogRetrieval();

    // GO: amount is the choice 0-5 (1 to 6 pages).
    void Start(int amount);
    // Hiding the window abandons a transfer.
    void Abandon();
    bool Busy() const { return busy_; }
    // One tick; with no driver it reports a comms error and does nothing.
    Status Tick(TModbusDriver* driver);

    int Step() const { return step_; }
    int Amount() const { return amount_; }
    long Received() const { return received_; }
    long TargetWords() const { return static_cast<long>(amount_ + 1) * OnboardLog::kPageWords; }
    long BytesSoFar() const { return 2 * received_; }
    int OldestPage() const { return oldest_; }
    int StartPage() const { return startPage_; }
    bool PageOpen(int page) const { return page >= 0 && page < 6 && open_[page]; }
    // The received words of the last completed transfer, in the order read.
    const std::vector<uint16_t>& Words() const { return buffer_; }
    long WordsReceived() const { return complete_; }

    // Where a transfer of amount + 1 pages starts, from the page probes. A ring that
    // has wrapped ends with the page being filled; one that has not starts at page 0,
    // so a short request never reads erased pages only.
    static int PlanStartPage(const bool open[6], int amount, int* oldest = nullptr);

private:
    bool busy_ = false;
    int amount_ = 5;
    int step_ = -1;
    bool open_[6] = {};
    int oldest_ = 0;
    int startPage_ = 0;
    long readPosition_ = 0;
    int selectedPage_ = 255;
    long received_ = 0;
    long complete_ = 0;
    bool finalWrite_ = false;
    std::vector<uint16_t> buffer_;
};

} // namespace zolmar::diagnostics
