#include "diagnostics/OnboardLog.h"

#include "diagnostics/PcLog.h"
#include "link/ModbusDriver.h"

namespace zolmar::diagnostics {

namespace OnboardLog {

int PeriodCode(const tECU& ecu) {
    return ecu.ImageByte(kPeriodOffset) & 7;
}

int PeriodMs(int code) {
    static constexpr int kPeriods[8] = {10, 20, 50, 100, 200, 500, 1000, 2000};
    return kPeriods[code & 7];
}

std::array<std::string, 6> AmountChoices(int code) {
    static const std::array<std::string, 6> kChoices[8] = {
        {"20 seconds", "40 seconds", "1 minute", "1:20 minutes", "1:40 minutes", "2 minutes"},
        {"40 seconds", "1:20 minutes", "2 minutes", "2:40 minutes", "3:20 minutes", "4 minutes"},
        {"1:40 minutes", "3:20 minutes", "5 minutes", "6:40 minutes", "8:20 minutes", "10 minutes"},
        {"3:20 minutes", "6:40 minutes", "10 minutes", "13:20 minutes", "16:40 minutes",
         "20 minutes"},
        {"6:40 minutes", "13:20 minutes", "20 minutes", "27 minutes", "34 minutes", "40 minutes"},
        {"17 minutes", "34 minutes", "51 minutes", "1:08 hours", "1:25 hours", "1:42 hours"},
        {"34 minutes", "1:08 hours", "1:42 hours", "2:17 hours", "2:51 hours", "3:25 hours"},
        {"1:08 hours", "2:17 hours", "3:25 hours", "4:33 hours", "5:41 hours", "6:50 hours"},
    };
    return kChoices[code & 7];
}

std::array<std::string, kChannels> ChannelNames(const tECU& ecu) {
    std::array<std::string, kChannels> names;
    for (int k = 0; k < kChannels; ++k)
        names[static_cast<size_t>(k)] = ecu.NameOf(ecu.ImageWord(0x22 + 2L * k) / 24);
    return names;
}

std::string CsvHeader(const std::array<std::string, kChannels>& names) {
    std::string line = "Time (sec),";
    for (size_t k = 0; k < names.size(); ++k)
        line += (k ? "," : "") + names[k];
    return line + "\r\n";
}

std::string ValueField(uint16_t word) {
    const bool valid = (word & 1) != 0;
    const int v = static_cast<int16_t>(word & 0xFFFE);
    return (valid ? "" : "*") + PcLog::ValueText(v);
}

std::string CsvRecords(const uint16_t* words, size_t count) {
    std::string text;
    uint64_t wraps = 0;
    uint16_t previous = 0;
    for (size_t r = 0; r + kRecordWords <= count; r += kRecordWords) {
        const uint16_t* record = words + r;
        // Erased memory; a record whose time alone reads 65535 ms is a real one.
        bool erased = true;
        for (int k = 0; k < kRecordWords && erased; ++k)
            erased = record[k] == 0xFFFF;
        if (erased)
            break;
        if (r > 0 && record[0] < previous)
            ++wraps;
        previous = record[0];
        text += SecondsText(wraps * 65536 + record[0]) + ",";
        for (int k = 1; k <= kChannels; ++k)
            text += (k > 1 ? "," : "") + ValueField(record[k]);
        text += "\r\n";
    }
    return text;
}

std::string CsvFile(const tECU& ecu, const uint16_t* words, size_t count) {
    return CsvHeader(ChannelNames(ecu)) + CsvRecords(words, count);
}

bool ReadSettings(TModbusDriver& driver, tECU& ecu, std::string& error) {
    auto fetch = [&](long offset, int words) {
        uint16_t values[16];
        if (!driver.ReadRegisters(static_cast<uint32_t>(offset), words, values, error))
            return false;
        for (int k = 0; k < words; ++k)
            ecu.SetImageWord(offset + 2L * k, values[k], false);
        return true;
    };
    if (!fetch(0x22, kChannels) || !fetch(kPeriodOffset - 1, 1))
        return false;
    for (int k = 0; k < kChannels; ++k) {
        const int slot = ecu.ImageWord(0x22 + 2L * k) / Layout::kNameLength;
        const long offset = tECU::NamePositionOffset(slot * Layout::kNameLength);
        if (offset >= 0 && !fetch(offset, Layout::kNameLength / 2))
            return false;
    }
    return true;
}

} // namespace OnboardLog

using namespace OnboardLog;

LogRetrieval::LogRetrieval() : buffer_(kRingWords, 0xFFFF) {}

void LogRetrieval::Start(int amount) {
    amount_ = amount < 0 ? 0 : amount > 5 ? 5 : amount;
    busy_ = true;
    step_ = -1;
    received_ = 0;
    complete_ = 0;
    selectedPage_ = 255;
    finalWrite_ = false;
}

void LogRetrieval::Abandon() {
    busy_ = false;
    step_ = -1;
    received_ = 0;
    selectedPage_ = 255;
    finalWrite_ = false;
}

int LogRetrieval::PlanStartPage(const bool open[6], int amount, int* oldest) {
    int filling = -1;
    for (int p = 0; p < kPages && filling < 0; ++p)
        if (open[p])
            filling = p;
    const bool wrapped = filling >= 0 && filling < 5 && !open[filling + 1];
    const int old = wrapped ? filling + 1 : 0;
    if (oldest)
        *oldest = old;
    if (wrapped || filling < 0)
        return (old + 5 - amount) % kPages;
    // Not wrapped yet: the log runs from page 0 to the page being filled.
    return filling - amount > 0 ? filling - amount : 0;
}

LogRetrieval::Status LogRetrieval::Tick(TModbusDriver* driver) {
    if (!busy_)
        return Status::Idle;
    if (step_ == -1) {
        step_ = 0;
        return Status::Working;
    }
    if (!driver)
        return Status::CommsError;
    std::string error;
    if (step_ >= 0 && step_ < kPages) {
        uint16_t word = 0;
        if (!driver->WriteRegister(kPageSelect, static_cast<uint16_t>(step_), error) ||
            !driver->ReadRegisters(kLastRecord, 1, &word, error))
            return Status::CommsError;
        selectedPage_ = step_;
        open_[step_] = word == 0xFFFF;
        ++step_;
        return Status::Working;
    }
    if (step_ == kPages) {
        startPage_ = PlanStartPage(open_, amount_, &oldest_);
        readPosition_ = static_cast<long>(startPage_) * kPageWords;
        step_ = 7;
        return Status::Working;
    }
    // The final write that ends the retrieval is repeated alone until it succeeds.
    if (!finalWrite_) {
        for (int k = 0; k < kReadsPerTick && received_ < TargetWords(); ++k) {
            const int page = static_cast<int>(readPosition_ / kPageWords);
            if (page != selectedPage_) {
                if (!driver->WriteRegister(kPageSelect, static_cast<uint16_t>(page), error))
                    return Status::CommsError;
                selectedPage_ = page;
            }
            long n = kPageWords - received_ % kPageWords;
            if (n > kReadChunk)
                n = kReadChunk;
            const uint32_t address = kWindow + static_cast<uint32_t>((2 * readPosition_) % 0x10000);
            if (!driver->ReadRegisters(address, static_cast<int>(n), buffer_.data() + received_,
                                       error))
                return Status::CommsError;
            received_ += n;
            readPosition_ += n;
            if (readPosition_ >= kRingWords)
                readPosition_ = 0;
        }
        if (received_ < TargetWords())
            return Status::Working;
        finalWrite_ = true;
    }
    if (!driver->WriteRegister(kPageSelect, kEndRetrieval, error))
        return Status::CommsError;
    complete_ = received_;
    received_ = 0;
    busy_ = false;
    step_ = -1;
    finalWrite_ = false;
    selectedPage_ = 255;
    return Status::Done;
}

} // namespace zolmar::diagnostics
