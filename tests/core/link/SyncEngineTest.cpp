#include "link/SyncEngine.h"
#include "EngineFixture.h"
#include "LinkTestSupport.h"
#include "RawConfig.h"
#include "diagnostics/PcLog.h"
#include "emu/VirtualEcu.h"
#include "emu/VirtualEcuLink.h"

#include <cstring>
#include <gtest/gtest.h>
#include <map>
#include <memory>

using namespace zolmar;
using namespace zolmar::emu;
using zolmar::test::EngineTest;
using zolmar::test::firstDifference;
using zolmar::test::makeConfiguration;
using zolmar::test::RawConfig;
using zolmar::test::transferredRanges;

namespace {

TEST_F(EngineTest, StartUpReadsTheWholeConfigurationByteExact) {
    ecuHolds(150);
    link.recordFrames = true;
    engine.StartUp();
    EXPECT_EQ(observer.status, "Initialising");
    EXPECT_EQ(engine.PreviousSerial(), "?????");
    EXPECT_TRUE(pc->PortOpen);
    ASSERT_TRUE(runUntil(Link::Online));
    EXPECT_EQ(states, (std::vector<int>{Link::StartReadAll, Link::ReadingAll, Link::Online}));

    SilentMessages quiet;
    tECU reference(quiet);
    ecu->StoreConfiguration(reference);
    reference.RebuildIndex(false, false);
    EXPECT_EQ(firstDifference(pc->Image, reference.Image, transferredRanges(reference)), -1);
    EXPECT_EQ(pc->NumElements, 150);
    EXPECT_TRUE(messages.shown.empty()) << messages.shown.front().text;
    EXPECT_EQ(observer.readsFinished, 1);
    EXPECT_GE(observer.progressHidden, 1);
    EXPECT_EQ(observer.status, "ECU Connected and Online");
    EXPECT_EQ(pc->EcuSerial, "Q7700X-EMU-00000001             ");
    EXPECT_EQ(engine.PreviousSerial(), pc->EcuSerial);
    EXPECT_TRUE(pc->LiveValuesAvailable());
    EXPECT_EQ(marked(0, 0x2A000, Sync::ToRead), 0);

    // Reads come in runs of at most 101 words that never cross a region or bank.
    for (const auto& r : sent({0x03, 0x04})) {
        uint32_t a = addressOf(r);
        int n = countOf(r);
        EXPECT_LE(n, 101);
        for (uint32_t stop : {0x08000u, 0x13000u, 0x1E000u, 0x20000u, 0x2A000u})
            EXPECT_FALSE(a < stop && a + 2u * n > stop) << std::hex << a << " " << n;
    }
    // Names beyond those in use are not fetched: one run past the last slot at most
    // (and its check, in shorter runs).
    for (const auto& r : sent({0x03}))
        EXPECT_LT(addressOf(r), 0x13000u + 200) << std::hex << addressOf(r);
    for (const auto& r : sent({0x04})) {
        if (addressOf(r) != 0x2A000) {
            EXPECT_LT(addressOf(r), 0x20000u + (150 + 128) * 24 + 200 + 200);
        }
    }

    // The progress window counted up to the whole image, then once more while the
    // read was checked against a second read of the same bytes.
    ASSERT_FALSE(observer.progress.empty());
    const ProgressView& first = observer.progress.front();
    EXPECT_EQ(first.activity, "Reading All Settings");
    EXPECT_EQ(first.cancelCaption, "Cancel Read");
    EXPECT_EQ(first.clientHeight, 338);
    EXPECT_EQ(first.package, "3.012");
    EXPECT_EQ(first.serial, pc->EcuSerial);
    EXPECT_EQ(observer.progress.back().activity, SyncEngine::kVerifying);
    EXPECT_EQ(observer.progress.back().position, 0x29FFF);
    EXPECT_EQ(observer.progress.back().bytesSoFar, "172032");
    bool readToTheEnd = false;
    for (size_t k = 1; k < observer.progress.size(); ++k) {
        const ProgressView& now = observer.progress[k];
        const ProgressView& before = observer.progress[k - 1];
        if (now.activity == before.activity) {
            EXPECT_GE(now.position, before.position);
        }
        readToTheEnd |= now.activity == "Reading All Settings" && now.position == 0x29FFF;
    }
    EXPECT_TRUE(readToTheEnd);
    // Every byte fetched was fetched twice.
    std::map<uint32_t, int> reads;
    for (const auto& r : sent({0x03, 0x04}))
        if (addressOf(r) != 0x2A000)
            for (int k = 0; k < countOf(r); ++k)
                ++reads[addressOf(r) + 2u * k];
    for (const auto& [address, times] : reads)
        EXPECT_TRUE(times == 2 || address < 4) << std::hex << address << " " << times;
}

TEST_F(EngineTest, AFullReadOfManyElementsFetchesTheOverflowNamesItUses) {
    ecuHolds(2000, 12);
    link.recordFrames = true;
    engine.StartUp();
    ASSERT_TRUE(runUntil(Link::Online, 6000));
    SilentMessages quiet;
    tECU reference(quiet);
    ecu->StoreConfiguration(reference);
    reference.RebuildIndex(false, false);
    EXPECT_EQ(firstDifference(pc->Image, reference.Image, transferredRanges(reference)), -1);
    EXPECT_EQ(pc->NumElements, 2000);
    // Names of elements 1577 and up: only those in use, plus one run at most.
    const uint32_t used = 0x13000 + (2000 - 1577) * 24;
    bool overflowRead = false;
    for (const auto& r : sent({0x03})) {
        if (addressOf(r) >= 0x13000) {
            overflowRead = true;
            EXPECT_LE(addressOf(r), used + 200) << std::hex << addressOf(r);
        }
    }
    EXPECT_TRUE(overflowRead);
    uint32_t highestName = 0;
    for (const auto& r : sent({0x04})) {
        if (addressOf(r) != 0x2A000)
            highestName = std::max(highestName, addressOf(r) + 2u * countOf(r));
    }
    EXPECT_EQ(highestName, 0x2A000u) << "the first name region is all in use";
}

TEST_F(EngineTest, HeaderWordsDecideWhatAFullReadFetches) {
    ecu->WriteWord(0, 0x1400);
    ecu->WriteWord(2, 0x0203);
    engine.StartUp();
    cycle(2); // 0 -> 2, then the header read marks and moves to 1
    ASSERT_EQ(pc->LinkState, Link::ReadingAll);
    EXPECT_EQ(marked(0, 0x8000, Sync::ToRead), 0x1400);
    EXPECT_EQ(pc->SyncState[0x13FF], Sync::ToRead);
    EXPECT_EQ(marked(0x8000, 0x13000, Sync::ToRead), 0x0203);
    EXPECT_EQ(marked(0x13000, 0x1E000, Sync::ToRead), 0xB000);
    EXPECT_EQ(marked(0x1E000, 0x20000, Sync::ToRead), 0);
    EXPECT_EQ(marked(0x20000, 0x2A000, Sync::ToRead), 0xA000);

    // Bit 15 of word0 is bit 16 of the logic usage.
    ecu->WriteWord(0, 0x9400);
    engine.ReadFromEcu();
    cycle();
    EXPECT_EQ(marked(0, 0x8000, Sync::ToRead), 0x1400);
    EXPECT_EQ(marked(0x8000, 0x1E000, Sync::ToRead), 0xB000 + 0xB000);

    // However large the ECU says its logic is, the live area is never configuration.
    ecu->WriteWord(0, 0xFFFF);
    ecu->WriteWord(2, 0xFFFF);
    engine.ReadFromEcu();
    cycle();
    EXPECT_EQ(marked(0, 0x8000, Sync::ToRead), 0x7FFF);
    EXPECT_EQ(marked(0x1E000, 0x20000, Sync::ToRead), 0);
}

TEST_F(EngineTest, FullWriteMarksWhatTheConfigurationUses) {
    ecu->Unplug();
    engine.StartUp();
    makeConfiguration(*pc, 100, 3);
    engine.WriteToEcu();
    cycle();
    ASSERT_EQ(pc->LinkState, Link::WritingAll);
    EXPECT_EQ(marked(0, 0x8000, Sync::ToWrite), pc->ConstEnd() + 1024);
    EXPECT_EQ(pc->SyncState[pc->ConstEnd() + 1023], Sync::ToWrite);
    EXPECT_EQ(marked(0x8000, 0x13000, Sync::ToWrite), pc->LogicEnd() + 1);
    EXPECT_EQ(marked(0x13000, 0x1E000, Sync::ToWrite), 0);
    EXPECT_EQ(marked(0x20000, 0x2A000, Sync::ToWrite), 228 * 24);
    EXPECT_EQ(pc->SyncState[0x20000 + 228 * 24 - 1], Sync::ToWrite);

    makeConfiguration(*pc, 2000, 4);
    engine.WriteToEcu();
    cycle();
    EXPECT_EQ(marked(0x20000, 0x2A000, Sync::ToWrite), 0xA000);
    const long last = 0x13000 + (2000 + 128 - 1705) * 24 - 1;
    EXPECT_EQ(pc->SyncState[last], Sync::ToWrite);
    EXPECT_EQ(pc->SyncState[last + 1], Sync::InStep);
    EXPECT_EQ(marked(0x13000, 0x1E000, Sync::ToWrite), last + 1 - 0x13000);
    EXPECT_EQ(marked(0x1E000, 0x20000, Sync::ToWrite), 0);
}

TEST_F(EngineTest, OpeningAFileAsksThenAFullWriteEndsByteExactWithTheCommit) {
    ecuHolds(10, 9);
    engine.StartUp();
    makeConfiguration(*pc, 120, 5);
    engine.ConfigurationOpened();
    pc->StructureChanged = pc->LogicOrNamesChanged = true;
    link.recordFrames = true;
    cycle();
    EXPECT_EQ(pc->LinkState, Link::AskLoadOrWrite);
    cycle();
    EXPECT_GE(observer.loadOrWrite, 1);
    engine.WriteAllToEcu();
    ASSERT_TRUE(runUntil(Link::Online));
    EXPECT_EQ(states, (std::vector<int>{Link::AskLoadOrWrite, Link::WritingAll, Link::Online}));
    EXPECT_EQ(firstDifference(pc->Image, ecu->Committed(), transferredRanges(*pc)), -1);
    EXPECT_EQ(ecu->CommitCount(), 1);
    EXPECT_EQ(ecu->LastCommand(), 0);
    EXPECT_EQ(observer.writesCommitted, 1);
    EXPECT_FALSE(pc->StructureChanged);
    EXPECT_FALSE(pc->LogicOrNamesChanged);
    EXPECT_EQ(observer.progress.front().activity, "Writing All Settings");
    EXPECT_EQ(observer.progress.back().activity, SyncEngine::kVerifying);
    EXPECT_EQ(observer.progress.back().cancelCaption, "Cancel Write");
    // Before the commit, everything written was read back.
    std::map<uint32_t, int> written;
    size_t commitAt = link.requests.size();
    for (size_t k = 0; k < link.requests.size(); ++k) {
        const auto& r = link.requests[k];
        if ((r[1] == 0x06 || r[1] == 0x86) && addressOf(r) == 0x1FFFE)
            commitAt = std::min(commitAt, k);
        else if (r[1] == 0x06 || r[1] == 0x86)
            written[addressOf(r)] = 1;
        else if (r[1] == 0x10 || r[1] == 0x90)
            for (int w = 0; w < countOf(r); ++w)
                written[addressOf(r) + 2u * w] = 1;
    }
    for (size_t k = 0; k < commitAt; ++k) {
        const auto& r = link.requests[k];
        if ((r[1] == 0x03 || r[1] == 0x04) && addressOf(r) != 0x2A000)
            for (int w = 0; w < countOf(r); ++w)
                if (written.count(addressOf(r) + 2u * w))
                    written[addressOf(r) + 2u * w] = 2;
    }
    for (const auto& [address, state] : written)
        EXPECT_EQ(state, 2) << "not read back: " << std::hex << address;

    // Every write stays within one storage block and carries at most 21 words.
    for (const auto& r : sent({0x06, 0x86, 0x10, 0x90})) {
        uint32_t a = addressOf(r);
        if (a == 0x1FFFE)
            continue;
        int n = (r[1] == 0x06 || r[1] == 0x86) ? 1 : countOf(r);
        EXPECT_LE(n, 21);
        uint32_t block = a < 0x8000 ? 64 : 256;
        EXPECT_EQ(a / block, (a + 2 * n - 1) / block) << std::hex << a << " " << n;
    }
}

TEST_F(EngineTest, WritePassRunsAlignAndStopAtBlocks) {
    ecuHolds(40);
    goOnline();
    link.recordFrames = true;
    // One odd constant byte: one single-register write of its word.
    pc->WriteConstByte(0x101, 0xAB);
    cycle(2);
    auto writes = sent({0x06, 0x10});
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0][1], 0x06);
    EXPECT_EQ(addressOf(writes[0]), 0x500u);
    EXPECT_EQ(writes[0][4], 0xAB); // high byte: image 0x501
    EXPECT_EQ(pc->SyncState[0x500], Sync::InStep);
    EXPECT_EQ(pc->SyncState[0x501], Sync::InStep);
    ASSERT_TRUE(runUntil(Link::Online));

    // Fifty bytes from 0x7F0 stop at the 64-byte block 0x800.
    link.requests.clear();
    for (int k = 0; k < 50; ++k)
        pc->WriteConstByte(0x3F0 + k, static_cast<uint8_t>(k));
    cycle(2);
    writes = sent({0x06, 0x10});
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(addressOf(writes[0]), 0x7F0u);
    EXPECT_EQ(countOf(writes[0]), 8);
    EXPECT_EQ(addressOf(writes[1]), 0x800u);
    EXPECT_EQ(countOf(writes[1]), 17);
    ASSERT_TRUE(runUntil(Link::Online));

    // A 40-byte run from an odd address becomes 21 words; logic goes before constants;
    // logic runs stop at 256-byte blocks.
    link.requests.clear();
    for (int k = 0; k < 45; ++k)
        pc->WriteConstByte(0xC01 + k, 1);
    for (int a = 0xFE; a < 0x102; ++a)
        pc->WriteLogicByte(a, pc->ReadLogicByte(a), true);
    pc->LogicOrNamesChanged = false;
    cycle(3);
    writes = sent({0x06, 0x10});
    ASSERT_GE(writes.size(), 4u);
    EXPECT_EQ(addressOf(writes[0]), 0x80FEu);
    EXPECT_EQ(writes[0][1], 0x06);
    EXPECT_EQ(addressOf(writes[1]), 0x8100u);
    EXPECT_EQ(addressOf(writes[2]), 0x1000u);
    EXPECT_EQ(countOf(writes[2]), 21);
    EXPECT_EQ(addressOf(writes[3]), 0x102Au);
}

TEST_F(EngineTest, EditsWhileOnlineReachTheEcuAndEndWithTheCommit) {
    ecuHolds(60);
    goOnline();
    pc->WriteConstWord(10, 0x1234);
    pc->WriteNameByte(3072 + 5, 'Z');
    cycle();
    EXPECT_EQ(pc->LinkState, Link::WritingChanges);
    EXPECT_EQ(observer.status, "Writing Settings");
    EXPECT_EQ(engine.ConnectionStatusText(false), "Writing Settings");
    EXPECT_FALSE(observer.commands.wizardAndScope);
    ASSERT_TRUE(runUntil(Link::Online, 10));
    EXPECT_EQ(ecu->CommitCount(), 1);
    // The commit carries status word 0 of its cycle: the serial's first two characters.
    EXPECT_EQ(ecu->LastCommand(), 'Q' << 8 | '7');
    EXPECT_EQ(ecu->Committed()[0x40A], 0x34);
    EXPECT_EQ(ecu->Committed()[0x40B], 0x12);
    EXPECT_EQ(ecu->Committed()[0x20000 + 3072 + 5], 'Z');
    EXPECT_EQ(marked(0, 0x2B000, Sync::ToWrite), 0);
}

TEST_F(EngineTest, StructuralEditsGoOfflineCosmeticOnesOnlyEnableUpdate) {
    ecuHolds(30);
    goOnline();
    link.recordFrames = true;
    pc->WriteLogicByte(pc->ElementLogicOffset[7] + 1, 33, true); // a column: cosmetic
    cycle(3);
    EXPECT_EQ(pc->LinkState, Link::Online);
    EXPECT_TRUE(observer.commands.updateCosmetic);
    context.advancedView = false;
    cycle();
    EXPECT_FALSE(observer.commands.updateCosmetic);
    EXPECT_FALSE(observer.commands.optimise);
    context.advancedView = true;
    EXPECT_TRUE(sent({0x06, 0x10}).empty()) << "cosmetic bytes wait";

    // Any constant edit sends the waiting logic byte along.
    pc->WriteConstByte(0, 1);
    cycle();
    ASSERT_TRUE(runUntil(Link::Online, 10));
    EXPECT_EQ(ecu->Committed()[0x8000 + pc->ElementLogicOffset[7] + 1], 33);

    link.requests.clear();
    pc->WriteLogicWord(pc->ElementLogicOffset[9] + 4, 0x0200, false);
    cycle();
    EXPECT_EQ(pc->LinkState, Link::Offline);
    cycle(3);
    EXPECT_TRUE(sent({0x06, 0x10}).empty()) << "offline: the ECU keeps its diagram";
    EXPECT_EQ(observer.status, "ECU Connected (Offline)");
    EXPECT_TRUE(observer.commands.goOnline);
    EXPECT_TRUE(observer.commands.saveAs);

    engine.GoOnline();
    cycle();
    EXPECT_GE(observer.loadOrWrite, 1);
    engine.WriteAllToEcu();
    ASSERT_TRUE(runUntil(Link::Online));
    EXPECT_FALSE(pc->StructureChanged);
    EXPECT_EQ(firstDifference(pc->Image, ecu->Committed(), transferredRanges(*pc)), -1);
}

TEST_F(EngineTest, LossOnlineResumesWithTheSameEcuAndRereadsAnother) {
    ecuHolds(20);
    goOnline();
    ASSERT_FALSE(observer.labels.serial.empty());
    ecu->Unplug();
    cycle(2);
    EXPECT_EQ(pc->LinkState, Link::Online);
    EXPECT_TRUE(pc->EcuPresent);
    EXPECT_EQ(pc->StatusFailures, 2);
    cycle();
    EXPECT_FALSE(pc->EcuPresent);
    EXPECT_EQ(pc->LinkState, Link::LostWhileOnline);
    EXPECT_EQ(observer.status, "No ECU Detected");
    EXPECT_TRUE(observer.labels.serial.empty());
    EXPECT_TRUE(observer.labels.packageVersion.empty());
    EXPECT_FALSE(pc->LiveValuesAvailable());
    cycle(5);
    EXPECT_EQ(pc->LinkState, Link::LostWhileOnline);

    link.recordFrames = true;
    ecu->Replug();
    cycle();
    EXPECT_EQ(pc->LinkState, Link::Online);
    cycle(3);
    for (const auto& r : sent({0x03}))
        EXPECT_NE(addressOf(r), 0u) << "no full read for the same ECU";
    EXPECT_EQ(observer.readsFinished, 1);

    ecu->Unplug();
    cycle(3);
    ecu->SetSerial("ANOTHER ECU");
    ecuHolds(45, 77);
    ecu->Replug();
    link.requests.clear();
    cycle();
    EXPECT_EQ(pc->LinkState, Link::ReadingAll) << "another ECU: its configuration is read";
    EXPECT_EQ(observer.replaceAsked, 1) << "after asking whether it may replace the PC's";
    ASSERT_EQ(observer.others.size(), 1u);
    EXPECT_EQ(observer.others[0].substr(0, 11), "ANOTHER ECU");
    ASSERT_TRUE(runUntil(Link::Online));
    EXPECT_EQ(pc->NumElements, 45);
    EXPECT_EQ(observer.readsFinished, 2);
}

TEST_F(EngineTest, LostDuringReadContinuesOrStartsAgain) {
    ecuHolds(300);
    engine.StartUp();
    cycle(6);
    ASSERT_EQ(pc->LinkState, Link::ReadingAll);
    ecu->Unplug();
    cycle(3);
    EXPECT_EQ(pc->LinkState, Link::LostDuringRead);
    cycle();
    EXPECT_GE(observer.reconnectShown, 1);
    long remaining = marked(0, 0x2B000, Sync::ToRead);
    EXPECT_GT(remaining, 0);
    ecu->Replug();
    cycle();
    EXPECT_EQ(pc->LinkState, Link::ReadingAll) << "same serial: carry on";
    EXPECT_EQ(observer.reconnectHidden, 1);
    EXPECT_LE(marked(0, 0x2B000, Sync::ToRead), remaining);
    cycle(2);
    ecu->Unplug();
    cycle(4);
    ecu->SetSerial("SOMEONE ELSE");
    ecu->Replug();
    link.recordFrames = true;
    link.requests.clear();
    cycle();
    EXPECT_EQ(pc->LinkState, Link::ReadingAll) << "another ECU: start again";
    ASSERT_FALSE(sent({0x03}).empty());
    EXPECT_EQ(addressOf(sent({0x03}).front()), 0u) << "from its header";
    EXPECT_EQ(observer.replaceAsked, 0) << "a read replaces nothing of the user's";
    link.recordFrames = false;
    ASSERT_TRUE(runUntil(Link::Online));
    SilentMessages quiet;
    tECU reference(quiet);
    ecu->StoreConfiguration(reference);
    reference.RebuildIndex(false, false);
    EXPECT_EQ(firstDifference(pc->Image, reference.Image, transferredRanges(reference)), -1);

    // Cancelling the reconnect dialog gives the read up.
    engine.ReadFromEcu();
    cycle(3);
    ecu->Unplug();
    cycle(4);
    ASSERT_EQ(pc->LinkState, Link::LostDuringRead);
    engine.CancelReconnect();
    EXPECT_EQ(pc->LinkState, Link::Startup);
}

TEST_F(EngineTest, LostDuringWriteGoesOnAndTheReadBackRewritesWhatTheEcuLost) {
    engine.StartUp();
    makeConfiguration(*pc, 200, 8);
    engine.ConfigurationOpened();
    cycle(2);
    engine.WriteAllToEcu();
    cycle(8);
    ASSERT_EQ(pc->LinkState, Link::WritingAll);
    ecu->Unplug();
    ecu->Restart(); // and the power went: nothing uncommitted survives
    cycle(4);
    EXPECT_EQ(pc->LinkState, Link::LostDuringWrite);
    const long left = marked(0, 0x2A000, Sync::ToWrite);
    const long moved = engine.BytesMoved();
    ecu->Replug();
    cycle();
    EXPECT_EQ(pc->LinkState, Link::WritingAll) << "the same ECU: no new start";
    EXPECT_LE(marked(0, 0x2A000, Sync::ToWrite), left);
    ASSERT_TRUE(runUntil(Link::Online));
    EXPECT_EQ(firstDifference(pc->Image, ecu->Committed(), transferredRanges(*pc)), -1);
    EXPECT_GT(engine.BytesMoved(), moved);
    EXPECT_EQ(ecu->CommitCount(), 1);
    EXPECT_TRUE(observer.failures.empty());

    engine.WriteToEcu();
    cycle(3);
    ecu->Unplug();
    cycle(4);
    engine.CancelReconnect();
    EXPECT_EQ(pc->LinkState, Link::Offline);
}

TEST_F(EngineTest, ACommitLostWithTheEcuIsSentWhenItReturns) {
    ecuHolds(20);
    goOnline();
    pc->WriteConstWord(4, 0x4444);
    cycle(2); // 4 -> 6, then the word is written
    ASSERT_EQ(pc->LinkState, Link::WritingChanges);
    EXPECT_EQ(ecu->ReadWord(0x404), 0x4444);
    ecu->Unplug();
    cycle(); // the status read fails: the commit waits for an answer
    EXPECT_EQ(pc->LinkState, Link::WritingChanges);
    cycle(2);
    ASSERT_EQ(pc->LinkState, Link::LostWhileOnline);
    EXPECT_EQ(ecu->CommitCount(), 0);
    ecu->Replug();
    ASSERT_TRUE(runUntil(Link::WritingChanges, 3));
    ASSERT_TRUE(runUntil(Link::Online, 3));
    EXPECT_EQ(ecu->CommitCount(), 1);
    EXPECT_EQ(ecu->Committed()[0x405], 0x44);
}

TEST_F(EngineTest, EditsAnEcuLostBeforeItsCommitAreWrittenAgain) {
    // Power lost in the middle of incremental writes takes the written but
    // uncommitted bytes with it; the same ECU coming back must get them again.
    ecuHolds(200);
    goOnline();
    for (int k = 0; k < 40; ++k)
        pc->WriteConstWord(100 + 64 * k, static_cast<uint16_t>(0x1111 * (k % 7 + 1)));
    cycle(2);
    ASSERT_EQ(pc->LinkState, Link::WritingChanges);
    ASSERT_GT(marked(0, 0x8000, Sync::ToWrite), 0);
    ecu->Unplug();
    ecu->PowerCycle();
    cycle(4);
    EXPECT_EQ(pc->LinkState, Link::LostWhileOnline);
    ecu->Replug();
    ASSERT_TRUE(runUntil(Link::WritingChanges, 5));
    ASSERT_TRUE(runUntil(Link::Online, 50));
    EXPECT_EQ(observer.changesCommittedCount, 1);
    EXPECT_GE(ecu->CommitCount(), 1);
    for (int k = 0; k < 40; ++k)
        EXPECT_EQ(ecu->Committed()[0x400 + 100 + 64 * k], pc->Image[0x400 + 100 + 64 * k]) << k;
    EXPECT_TRUE(std::equal(pc->Image, pc->Image + 0x8000, ecu->Committed()));
}

TEST_F(EngineTest, AnotherEcuDuringIncrementalWritesGetsNoneOfThem) {
    ecuHolds(20);
    goOnline();
    for (int k = 0; k < 400; ++k)
        pc->WriteConstByte(k, 0x77);
    cycle(2);
    ASSERT_EQ(pc->LinkState, Link::WritingChanges);
    ecu->Unplug();
    cycle(4);
    EXPECT_EQ(pc->LinkState, Link::LostWhileOnline);
    ecu->SetSerial("A DIFFERENT ONE");
    ecuHolds(20, 99);
    // What the other ECU learnt is its own: it must not slip into this configuration.
    const uint16_t before = pc->ImageWord(0x600);
    ASSERT_TRUE(ecu->PostLearnReport(0x600, static_cast<uint16_t>(before ^ 0x5A5A)));
    const size_t lines = observer.lines.size();
    observer.keepPc = true; // the user keeps the PC's configuration
    ecu->Replug();
    cycle();
    EXPECT_EQ(observer.replaceAsked, 1);
    EXPECT_EQ(pc->LinkState, Link::Offline);
    EXPECT_NE(ecu->ReadWord(0x500), 0x7777);
    EXPECT_GT(marked(0, 0x8000, Sync::ToWrite), 0) << "the edits wait on the PC";
    EXPECT_TRUE(observer.commands.goOnline);
    EXPECT_EQ(pc->ImageWord(0x600), before);
    EXPECT_EQ(observer.lines.size(), lines);
}

TEST_F(EngineTest, CancelledReadLocksUntilTheEcuIsGone) {
    ecuHolds(300);
    engine.StartUp();
    cycle(4);
    ASSERT_EQ(pc->LinkState, Link::ReadingAll);
    engine.CancelProgress();
    EXPECT_EQ(pc->LinkState, Link::ReadCancelled);
    int ticks = observer.lockTicks;
    cycle(3);
    EXPECT_EQ(pc->LinkState, Link::ReadCancelled);
    EXPECT_GT(observer.lockTicks, ticks);
    EXPECT_TRUE(observer.commands.readFromEcu);
    EXPECT_FALSE(observer.commands.writeToEcu);
    EXPECT_FALSE(observer.commands.saveAs);
    EXPECT_EQ(observer.status, "ECU Connected (Offline)");
    ecu->Unplug();
    cycle(3);
    EXPECT_EQ(pc->LinkState, Link::Startup);

    // A cancelled full write is offline.
    ecu->Replug();
    ASSERT_TRUE(runUntil(Link::Online));
    engine.WriteToEcu();
    cycle(3);
    engine.CancelProgress();
    EXPECT_EQ(pc->LinkState, Link::Offline);
}

TEST_F(EngineTest, LearnReportsUpdateTheImageAndTheHistory) {
    SilentMessages quiet;
    auto config = std::make_unique<tECU>(quiet);
    RawConfig raw(*config);
    raw.add(ElementType::Constant, 1, 0, 0, "Idle");
    raw.add(ElementType::Table2D, 1, 0, 0, "Fuel", 4);
    raw.finish();
    ecu->LoadConfiguration(*config);
    goOnline();
    const int fuel = pc->ElementConstOffset[1];
    context.tableEditorVisible = true;
    ASSERT_TRUE(ecu->PostLearnReport(static_cast<uint16_t>(0x400 + fuel + 3), 100));
    ASSERT_TRUE(ecu->PostLearnReport(0x0300, 5));
    ASSERT_TRUE(ecu->PostLearnReport(static_cast<uint16_t>(0x400 + 31740 + 4), 5));
    ASSERT_TRUE(ecu->PostLearnReport(static_cast<uint16_t>(0x400 + pc->ConstEnd() + 6), 0xFFCE));
    cycle();
    EXPECT_EQ(pc->ImageWord(0x400 + fuel + 3), 100);
    EXPECT_EQ(pc->SyncState[0x400 + fuel + 3], Sync::InStep) << "the ECU has it already";
    std::vector<std::string> expected = {
        "Learnt 2.00 to Constant Address " + std::to_string(fuel + 3) +
            " (Which is part of the table called Fuel) \n\r",
        "Attempted to learn to a constant address 256 bytes before the start of constant "
        "data! \n\r",
        "Attempted to learn to a constant address 4 bytes beyond the end of constant data! \n\r",
        "Learnt -1.0 to Constant Address " + std::to_string(pc->ConstEnd() + 6) +
            " (Which is 6 bytes beyond the end for this configuration!) \n\r",
    };
    EXPECT_EQ(observer.lines, expected);
    EXPECT_EQ(engine.LearnHistory(), expected[0] + expected[1] + expected[2] + expected[3]);
    EXPECT_EQ(observer.tableRefreshes, 1);
    EXPECT_EQ(pc->ImageWord(0x300), 0) << "outside the constants nothing is written";
    cycle();
    EXPECT_EQ(observer.lines.size(), 4u) << "a report is seen once";

    // Offline, reports are not applied; a full read clears the history.
    pc->StructureChanged = true;
    cycle();
    ASSERT_EQ(pc->LinkState, Link::Offline);
    ecu->PostLearnReport(static_cast<uint16_t>(0x400 + fuel + 5), 7);
    cycle();
    EXPECT_EQ(observer.lines.size(), 4u);
    engine.ReadFromEcu();
    cycle();
    EXPECT_TRUE(engine.LearnHistory().empty());
    EXPECT_EQ(observer.historyCleared, 1);
}

TEST_F(EngineTest, FullReadAndWriteSurviveDroppedAndCorruptedReplies) {
    ecuHolds(400, 21);
    ecu->faults.dropProbability = 0.05;
    ecu->faults.corruptProbability = 0.02;
    ecu->SeedFaults(1234);
    goOnline();
    SilentMessages quiet;
    tECU reference(quiet);
    ecu->StoreConfiguration(reference);
    reference.RebuildIndex(false, false);
    EXPECT_EQ(firstDifference(pc->Image, reference.Image, transferredRanges(reference)), -1);
    EXPECT_FALSE(engine.LastError().empty()) << "faults were met";

    makeConfiguration(*pc, 350, 22);
    engine.WriteToEcu();
    ASSERT_TRUE(runUntil(Link::Online));
    EXPECT_EQ(firstDifference(pc->Image, ecu->Committed(), transferredRanges(*pc)), -1);
}

TEST_F(EngineTest, DialGaugesAskForGaugeValuesOnlyInTheSimpleView) {
    SilentMessages quiet;
    auto config = std::make_unique<tECU>(quiet);
    RawConfig raw(*config);
    int source = raw.add(ElementType::Constant, 1);
    int gauge = raw.add(ElementType::Gauge, 0);
    raw.link(gauge, 0, source, 0);
    raw.finish();
    ecu->LoadConfiguration(*config);
    goOnline();
    const long liveOfGauge = 0x1E000 + pc->ElementLiveOffset[gauge];
    context.currentPage = 1;
    context.dialGaugesVisible = true; // the window is open
    ecu->WriteWord(liveOfGauge, 0x0321);
    cycle(2);
    EXPECT_EQ(pc->ImageWord(liveOfGauge), 0) << "the advanced view hides the dials";
    context.advancedView = false;
    cycle(2);
    EXPECT_EQ(pc->ImageWord(liveOfGauge), 0x0321);
}

// While logging, every line carries values read in its own cycle: not the 0 of a word
// never read since the log began, not a value read several cycles earlier while the
// advanced view's page takes many cycles to read, and "----" when the read failed.
TEST_F(EngineTest, LoggedGaugesAreReadEveryCycleOrLoggedAsDashes) {
    SilentMessages quiet;
    auto config = std::make_unique<tECU>(quiet);
    RawConfig raw(*config);
    int source = raw.add(ElementType::Constant, 1);
    for (int k = 0; k < 1200; ++k)
        raw.add(ElementType::Constant, 1); // a page whose live words take cycles to read
    int gauge = raw.add(ElementType::Gauge, 0);
    raw.link(gauge, 0, source, 0);
    raw.finish();
    ecu->LoadConfiguration(*config);
    goOnline();
    context.currentPage = 1;
    pc->ShowAllOutputs = true;
    const long liveOfGauge = 0x1E000 + pc->ElementLiveOffset[gauge];
    const auto columns = diagnostics::PcLog::Columns(*pc);
    ASSERT_EQ(columns.size(), 1u);
    const auto line = [&] {
        return diagnostics::PcLog::DataLine(
            *pc, columns, 0, [&](long a) { return engine.LiveWordReadThisCycle(a); });
    };
    cycle(3);
    ASSERT_GT(engine.R(), 0) << "the page's words need more than one cycle";
    ecu->WriteWord(liveOfGauge, 51);
    pc->LoggingToPc = true;
    for (int k = 1; k <= 12; ++k) {
        ecu->WriteWord(liveOfGauge, static_cast<uint16_t>(51 * k));
        cycle();
        EXPECT_EQ(line(), "0.000," + diagnostics::PcLog::ValueText(51 * k) + ",\r\n") << k;
    }
    ecu->faults.dropNext = 1000;
    cycle();
    EXPECT_EQ(line(), "0.000,----,\r\n") << "an unanswered cycle logs no old value";
    ecu->faults.dropNext = 0;
}

TEST_F(EngineTest, LiveValuesArePolledOnlyOnlineAndInStep) {
    SilentMessages quiet;
    auto config = std::make_unique<tECU>(quiet);
    RawConfig raw(*config);
    int source = raw.add(ElementType::Constant, 2);
    int sum = raw.add(ElementType::Summer, 1);
    raw.link(sum, 0, source, 0);
    raw.finish();
    ecu->LoadConfiguration(*config);
    goOnline();
    context.currentPage = 1;
    const long liveOfSource = pc->ElementLiveOffset[0];
    ecu->WriteWord(0x1E000 + liveOfSource, 0x0BCD);
    cycle();
    EXPECT_EQ(pc->ImageWord(0x1E000 + liveOfSource), 0x0BCD);

    pc->WriteConstByte(0, 9);
    cycle();
    ASSERT_EQ(pc->LinkState, Link::WritingChanges);
    ecu->WriteWord(0x1E000 + liveOfSource, 0x0111);
    cycle();
    EXPECT_EQ(pc->ImageWord(0x1E000 + liveOfSource), 0x0BCD) << "no live reads while writing";
    ASSERT_TRUE(runUntil(Link::Online, 5));
    cycle();
    EXPECT_EQ(pc->ImageWord(0x1E000 + liveOfSource), 0x0111);

    ecu->SetRates(100, 0);
    cycle();
    EXPECT_FALSE(pc->LiveValuesAvailable()) << "an ECU that does not calculate";
    EXPECT_FALSE(observer.commands.calibrateAnalog);
}

TEST_F(EngineTest, NothingHappensWhileTheLogIsTransferredOrWithoutADriver) {
    ecuHolds(5);
    engine.ConfigurationOpened();
    cycle(3);
    EXPECT_EQ(pc->LinkState, Link::NewConfiguration) << "no driver, no status";
    EXPECT_EQ(ecu->RequestsServed(), 0u);
    engine.StartUp();
    context.logTransferActive = true;
    uint32_t before = ecu->RequestsServed();
    cycle(3);
    EXPECT_EQ(ecu->RequestsServed(), before);
    EXPECT_EQ(pc->LinkState, Link::Startup);
}

TEST_F(EngineTest, WithoutAnEcuTheLinkWaitsLockedAndFindsItLater) {
    ecu->Unplug();
    ecuHolds(12);
    engine.StartUp();
    EXPECT_FALSE(pc->PortOpen);
    EXPECT_EQ(engine.LastError(), "Could not find ECU on USB chain (0 devices)");
    int ticks = observer.lockTicks;
    cycle(5);
    EXPECT_EQ(pc->LinkState, Link::Startup);
    EXPECT_EQ(observer.lockTicks, ticks + 5);
    EXPECT_EQ(observer.status, "No Port Open");
    EXPECT_FALSE(observer.commands.readFromEcu);
    ecu->Replug();
    ASSERT_TRUE(runUntil(Link::Online));
    EXPECT_EQ(pc->NumElements, 12);
}

TEST_F(EngineTest, DiscoveryPassesOverOtherDevices) {
    link.otherDevices = {{"0403", "6001"}, {"10C4", "EA60"}};
    engine.StartUp();
    EXPECT_TRUE(pc->PortOpen);
    EXPECT_EQ(link.baudRate, 250000u);
    ASSERT_TRUE(runUntil(Link::Online));
}

struct LiveMarks : EngineTest {
    void SetUp() override {
        RawConfig raw(*pc);
        a = raw.add(ElementType::Constant, 2); // other page
        b = raw.add(ElementType::Summer, 1);   // current page
        g = raw.add(ElementType::Gauge, 0);    // the gauge page
        c = raw.add(ElementType::Clipper, 1);  // outputs linked to nothing
        m = raw.add(ElementType::Multiplier, 1, 0, 0, "TPS Clipped");
        m2 = raw.add(ElementType::Multiplier, 3, 0, 0, "TPS Clipped");
        raw.link(b, 0, a, 0);
        raw.link(g, 0, b, 0);
        raw.finish();
        // An input that links to the gauge's live word, and one that points past the area.
        pc->SetImageWord(0x8000 + pc->ElementLogicOffset[b] + 6, pc->ElementLiveOffset[g] | 1,
                         false);
        pc->SetImageWord(0x8000 + pc->ElementLogicOffset[c] + 4, 0xFFFF, false);
        std::memset(pc->SyncState, 0, sizeof pc->SyncState);
    }
    std::vector<long> marks() const {
        std::vector<long> out;
        for (long k = 0; k < 0x2B000; ++k) {
            if (pc->SyncState[k] == Sync::ToRead)
                out.push_back(k - 0x1E000);
        }
        return out;
    }
    void reset() { std::memset(pc->SyncState, 0, sizeof pc->SyncState); }
    long live(int e, int k = 0) const { return pc->ElementLiveOffset[e] + 2 * k; }
    int a, b, g, c, m, m2;
};

TEST_F(LiveMarks, AdvancedViewMarksThePageLinkedOutputsAndLinkedInputs) {
    engine.MarkLiveValuesToPoll(1, true, false);
    // b's output (linked to the gauge) and its input from a; not c's unlinked outputs,
    // not the gauge's word, not the wrapped link.
    EXPECT_EQ(marks(), (std::vector<long>{live(a), live(a) + 1, live(b), live(b) + 1}));
    reset();
    pc->ShowAllOutputs = true;
    engine.MarkLiveValuesToPoll(1, true, false);
    EXPECT_EQ(marks().size(), 4u + 2 * 3 + 2); // c's three outputs and m's; not m2 (page 3)
}

TEST_F(LiveMarks, SimpleViewMarksGaugesOnlyForTheirConsumers) {
    engine.MarkLiveValuesToPoll(1, false, false);
    EXPECT_TRUE(marks().empty());
    pc->LoggingToPc = true;
    engine.MarkLiveValuesToPoll(1, false, false);
    EXPECT_EQ(marks(), (std::vector<long>{live(g), live(g) + 1}));
    pc->LoggingToPc = false;
    reset();
    engine.MarkLiveValuesToPoll(1, false, true);
    EXPECT_EQ(marks().size(), 2u) << "dial gauges";
    reset();
    engine.MarkLiveValuesToPoll(0, false, false);
    EXPECT_EQ(marks().size(), 2u) << "the gauge page itself";
}

TEST_F(LiveMarks, TableEditorVoltagesAndChecklist) {
    pc->TableEditElement = ElementRef(*pc, b);
    engine.MarkLiveValuesToPoll(5, false, false);
    EXPECT_EQ(marks(), (std::vector<long>{live(a), live(a) + 1, live(g), live(g) + 1}));
    pc->TableEditElement = ElementRef(*pc, c); // its first input points past the live area
    reset();
    engine.MarkLiveValuesToPoll(5, false, false);
    EXPECT_TRUE(marks().empty());
    pc->TableEditElement.clear();

    pc->AnaVoltsOpen = true;
    engine.MarkLiveValuesToPoll(5, false, false);
    EXPECT_EQ(marks().size(), 0xF8u - 0xA0u);
    EXPECT_EQ(marks().front(), 0xA0);
    EXPECT_EQ(marks().back(), 0xF7);
    pc->AnaVoltsOpen = false;
    reset();

    pc->ChecklistOpen = true;
    engine.MarkLiveValuesToPoll(5, false, false);
    EXPECT_EQ(marks(), (std::vector<long>{live(m2), live(m2) + 1, 0x58, 0x59, 0xF4, 0xF5}))
        << "the last element of a name wins";
}

TEST(EngineTexts, StatusLabelsAndValues) {
    SilentMessages quiet;
    auto pc = std::make_unique<tECU>(quiet);
    VirtualEcu ecu;
    VirtualEcuLink link(ecu);
    LinkObserver none;
    SyncEngine engine(*pc, link, none);
    EXPECT_EQ(engine.ConnectionStatusText(true), "Updating Package/Firmware");
    pc->PortOpen = false;
    EXPECT_EQ(engine.ConnectionStatusText(false), "No Port Open");
    pc->Simulating = true;
    EXPECT_EQ(engine.ConnectionStatusText(false), "Simulating");
    pc->LoggingToPc = true;
    EXPECT_EQ(engine.ConnectionStatusText(false), "Simulating and Logging");
    pc->Simulating = false;
    pc->PortOpen = true;
    EXPECT_EQ(engine.ConnectionStatusText(false), "No ECU Detected");
    pc->EcuPresent = true;
    EXPECT_EQ(engine.ConnectionStatusText(false), "ECU Connected (Offline)");
    pc->OnlineCapable = true;
    EXPECT_EQ(engine.ConnectionStatusText(false), "ECU Connected (Logging)");
    pc->LoggingToPc = false;
    EXPECT_EQ(engine.ConnectionStatusText(false), "ECU Connected and Online");

    EXPECT_EQ(SyncEngine::RateText(255), "> 2540 Hz");
    EXPECT_EQ(SyncEngine::RateText(100), "1000 Hz");
    EXPECT_EQ(SyncEngine::RateText(0), "0 Hz");
    EXPECT_EQ(SyncEngine::PackageText(3, 7), "3.007");
    EXPECT_EQ(SyncEngine::PackageText(3, 45), "3.045");
    EXPECT_EQ(SyncEngine::LearnValueText(32767), "655.34");
    EXPECT_EQ(SyncEngine::LearnValueText(-32768), "-655.4");
    EXPECT_EQ(SyncEngine::LearnValueText(-50), "-1.0");
    EXPECT_EQ(SyncEngine::LearnValueText(0), "0.00");
}

TEST(EngineCommands, AvailabilityPerState) {
    // save, online, optimise, wizard+scope, search, cosmetic; advanced view on, ECU present,
    // logic changed.
    const char* table[14] = {"000000", "000000", "000000", "000000", "101111", "101110", "100001",
                             "111110", "100000", "100000", "101110", "000000", "101110", "000000"};
    for (int state = 0; state < 14; ++state) {
        CommandAvailability c;
        SyncEngine::StateCommands(state, true, true, true, c);
        std::string got = {c.saveAs ? '1' : '0',        c.goOnline ? '1' : '0',
                           c.optimise ? '1' : '0',      c.wizardAndScope ? '1' : '0',
                           c.searchElement ? '1' : '0', c.updateCosmetic ? '1' : '0'};
        EXPECT_EQ(got, table[state]) << "state " << state;
    }
    CommandAvailability c;
    SyncEngine::StateCommands(Link::Offline, false, false, true, c);
    EXPECT_FALSE(c.goOnline);
    EXPECT_FALSE(c.optimise);
    SyncEngine::StateCommands(Link::Online, true, true, false, c);
    EXPECT_FALSE(c.updateCosmetic);
}

} // namespace
