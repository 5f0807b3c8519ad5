#include "diagnostics/OnboardLog.h"
#include "../gauges/GaugeTestSupport.h"
#include "emu/VirtualEcu.h"
#include "emu/VirtualEcuLink.h"
#include "link/ModbusDriver.h"
#include "setup/LoggingChannels.h"

#include <algorithm>
#include <vector>

using namespace zolmar;
using namespace zolmar::diagnostics;

namespace {

std::vector<uint16_t> record(uint16_t time, uint16_t fill = 0x0001) {
    std::vector<uint16_t> r(16, fill);
    r[0] = time;
    return r;
}

TEST(OnboardLogCsv, ValuesCarryTheirValidityAndTimesCarryTheirWraps) {
    EXPECT_EQ(OnboardLog::ValueField(0x0065), "2.00");
    EXPECT_EQ(OnboardLog::ValueField(0x0064), "*2.00");
    EXPECT_EQ(OnboardLog::ValueField(0xFFB5), "-1.52"); // -76 with the valid bit
    EXPECT_EQ(OnboardLog::ValueField(0xFFB4), "*-1.52");
    EXPECT_EQ(OnboardLog::ValueField(0x0000), "*0.00");

    std::vector<uint16_t> words;
    for (uint16_t t : {65000, 200, 100, 65535}) {
        auto r = record(t);
        words.insert(words.end(), r.begin(), r.end());
    }
    // A record whose time alone reads 65535 is data; only all-erased records end it.
    auto erased = record(0xFFFF, 0xFFFF);
    words.insert(words.end(), erased.begin(), erased.end());
    auto after = record(300);
    words.insert(words.end(), after.begin(), after.end());
    const std::string csv = OnboardLog::CsvRecords(words.data(), words.size());
    const std::string zeros = ",0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,"
                              "0.00,0.00\r\n";
    EXPECT_EQ(csv, "65.000" + zeros + "65.736" + zeros + "131.172" + zeros + "196.607" + zeros);
    // A truncated record at the end is not read past the buffer.
    EXPECT_EQ(OnboardLog::CsvRecords(words.data(), 15), "");
}

TEST(OnboardLogCsv, HeaderAndChoicesFollowTheConfiguration) {
    std::array<std::string, 15> names;
    for (int k = 0; k < 15; ++k)
        names[static_cast<size_t>(k)] = "C" + std::to_string(k + 1);
    EXPECT_EQ(OnboardLog::CsvHeader(names),
              "Time (sec),C1,C2,C3,C4,C5,C6,C7,C8,C9,C10,C11,C12,C13,C14,C15\r\n");
    EXPECT_EQ(OnboardLog::AmountChoices(0)[5], "2 minutes");
    EXPECT_EQ(OnboardLog::AmountChoices(0)[0], "20 seconds");
    EXPECT_EQ(OnboardLog::AmountChoices(7)[5], "6:50 hours");
    EXPECT_EQ(OnboardLog::PeriodMs(3), 100);
}

TEST(LogRetrievalPlan, WrappedRingsEndWithThePageBeingFilled) {
    // Page 3 is being filled, page 4 holds old data: oldest page 4.
    bool wrapped[6] = {false, false, false, true, false, false};
    int oldest = -1;
    EXPECT_EQ(LogRetrieval::PlanStartPage(wrapped, 5, &oldest), 4);
    EXPECT_EQ(oldest, 4);
    EXPECT_EQ(LogRetrieval::PlanStartPage(wrapped, 0), 3);
    EXPECT_EQ(LogRetrieval::PlanStartPage(wrapped, 1), 2);
    // Page 5 being filled after a wrap: page 0 is the oldest.
    bool last[6] = {false, false, false, false, false, true};
    EXPECT_EQ(LogRetrieval::PlanStartPage(last, 0, &oldest), 5);
    EXPECT_EQ(oldest, 0);
    // No page open at all: pages 0 to 5 in order.
    bool full[6] = {};
    EXPECT_EQ(LogRetrieval::PlanStartPage(full, 5), 0);
    // A log that has not wrapped: page 1 being filled, 2-5 erased. A short request
    // starts from page 0 rather than from erased pages.
    bool young[6] = {false, true, true, true, true, true};
    EXPECT_EQ(LogRetrieval::PlanStartPage(young, 0, &oldest), 1);
    EXPECT_EQ(oldest, 0);
    EXPECT_EQ(LogRetrieval::PlanStartPage(young, 3), 0);
    EXPECT_EQ(LogRetrieval::PlanStartPage(young, 5), 0);
}

// The virtual ECU recording a configuration whose first channel logs a gauge.
struct RetrievalTest : test::GaugeFixture {
    emu::VirtualEcu virtualEcu;
    emu::VirtualEcuLink link{virtualEcu};
    TModbusDriver driver{link};
    LogRetrieval retrieval;
    int rpm = -1;

    void SetUp() override {
        GaugeFixture::SetUp();
        rpm = gauge("RPM", 1);
        const int valid = gauge("RPM Valid", 2);
        ASSERT_TRUE(LoggingChannels::Assign(*ecu, 0, rpm));
        ecu->SetImageByte(OnboardLog::kPeriodOffset, 0, true); // 10 ms
        virtualEcu.LoadConfiguration(*ecu);
        virtualEcu.Diagram().running = false;
        liveRpm = ecu->ElementLiveOffset[rpm];
        liveValid = ecu->ElementLiveOffset[valid];
    }
    uint16_t liveRpm = 0;
    uint16_t liveValid = 0;

    // Runs the transfer to its end; false when it does not finish in the ticks.
    bool run(int amount, int ticks = 2000) {
        retrieval.Start(amount);
        for (int k = 0; k < ticks; ++k)
            if (retrieval.Tick(&driver) == LogRetrieval::Status::Done)
                return true;
        return false;
    }
};

TEST_F(RetrievalTest, TheRingRecordsTheChannelsAndTheTransferReadsThemBack) {
    virtualEcu.WriteWord(emu::EcuMap::kLiveBase + liveRpm, 151); // 3.02, valid bit set
    virtualEcu.WriteWord(emu::EcuMap::kLiveBase + liveValid, 0);
    virtualEcu.Advance(30); // records at 0, 10, 20, 30 ms
    virtualEcu.WriteWord(emu::EcuMap::kLiveBase + liveValid, 50);
    virtualEcu.Advance(10);
    EXPECT_EQ(virtualEcu.OnboardLog().NextRecord(), 5);
    ASSERT_TRUE(run(0));
    EXPECT_EQ(retrieval.WordsReceived(), 0x8000);
    EXPECT_EQ(retrieval.StartPage(), 0);
    const std::string csv =
        OnboardLog::CsvRecords(retrieval.Words().data(), retrieval.WordsReceived());
    EXPECT_EQ(csv.substr(0, 12), "0.000,*3.00,");
    EXPECT_NE(csv.find("\r\n0.040,3.00,"), std::string::npos) << csv.substr(0, 400);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 5);
    EXPECT_EQ(virtualEcu.OnboardLog().SelectedPage(), 255) << "the retrieval was ended";
    EXPECT_FALSE(retrieval.Busy());
}

TEST_F(RetrievalTest, AWrappedRingIsReadOldestFirstThroughCommsErrors) {
    // Seven pages' worth of records at 10 ms: the ring wrapped.
    const int records = emu::OnboardLogRing::kRecords + 2048 + 10;
    for (int k = 0; k < records; ++k) {
        virtualEcu.WriteWord(emu::EcuMap::kLiveBase + liveRpm, static_cast<uint16_t>(2 * k + 1));
        virtualEcu.Advance(10);
    }
    virtualEcu.SeedFaults(3);
    virtualEcu.faults.dropProbability = 0.2;
    int errors = 0;
    retrieval.Start(5);
    LogRetrieval::Status status = LogRetrieval::Status::Working;
    for (int k = 0; k < 5000 && status != LogRetrieval::Status::Done; ++k) {
        status = retrieval.Tick(&driver);
        errors += status == LogRetrieval::Status::CommsError;
    }
    ASSERT_EQ(status, LogRetrieval::Status::Done);
    EXPECT_GT(errors, 0);
    EXPECT_TRUE(retrieval.PageOpen(1));
    EXPECT_EQ(retrieval.OldestPage(), 2);
    EXPECT_EQ(retrieval.StartPage(), 2);
    // Oldest first, every record in order, the newest last.
    const auto& words = retrieval.Words();
    uint16_t previous = 0;
    int count = 0;
    for (long r = 0; r < retrieval.WordsReceived(); r += 16) {
        if (words[static_cast<size_t>(r)] == 0xFFFF && words[static_cast<size_t>(r + 1)] == 0xFFFF)
            break;
        const uint16_t value = words[static_cast<size_t>(r + 1)];
        if (count > 0) {
            EXPECT_EQ(value, static_cast<uint16_t>(previous + 2)) << "record " << count;
        }
        previous = value;
        ++count;
    }
    // Records at 0, 10, ... 143460 ms: 14347 in all, so the ring went round once, filled
    // page 0 again and put 11 records into page 1.
    EXPECT_EQ(count, 5 * 2048 + 11) << "pages 2-5, page 0, the start of page 1, then erased";
}

TEST_F(RetrievalTest, NoDriverIsACommsErrorAndAbandoningStops) {
    retrieval.Start(2);
    EXPECT_EQ(retrieval.Tick(nullptr), LogRetrieval::Status::Working);
    EXPECT_EQ(retrieval.Tick(nullptr), LogRetrieval::Status::CommsError);
    EXPECT_EQ(retrieval.Step(), 0);
    retrieval.Abandon();
    EXPECT_EQ(retrieval.Tick(&driver), LogRetrieval::Status::Idle);
    EXPECT_EQ(retrieval.Step(), -1);
}

TEST_F(RetrievalTest, TheWindowRefusesReadsWithoutAPageAndBadPages) {
    uint16_t word = 0;
    std::string error;
    EXPECT_FALSE(driver.ReadRegisters(OnboardLog::kWindow + 2, 1, &word, error));
    ASSERT_TRUE(driver.WriteRegister(OnboardLog::kPageSelect, 9, error)) << error;
    EXPECT_FALSE(driver.ReadRegisters(OnboardLog::kWindow + 2, 1, &word, error));
    ASSERT_TRUE(driver.WriteRegister(OnboardLog::kPageSelect, 5, error));
    ASSERT_TRUE(driver.ReadRegisters(OnboardLog::kLastRecord, 1, &word, error)) << error;
    EXPECT_EQ(word, 0xFFFF);
}

} // namespace
