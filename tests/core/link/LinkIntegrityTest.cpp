// The link never saves, writes or commits a wrong byte: late and damaged replies, an
// ECU that stores other bytes than it was sent, losses, a silent ECU, another ECU.
#include "EngineFixture.h"
#include "LinkTestSupport.h"
#include "ports/Clock.h"

#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <set>

using namespace zolmar;
using namespace zolmar::emu;
using namespace zolmar::test;

namespace {

// What the ECU holds, as an image to compare with.
std::unique_ptr<tECU> ecuConfiguration(const VirtualEcu& ecu, bool committed = true) {
    SilentMessages quiet;
    auto image = std::make_unique<tECU>(quiet);
    ecu.StoreConfiguration(*image, committed);
    image->RebuildIndex(false, false);
    return image;
}

struct IntegrityTest : EngineTest {
    ManualClock clock;
    IntegrityTest() { link.clock = &clock; }
    // The most the manual clock moved in one cycle over the next n cycles: how long
    // each cycle would have held the window.
    uint32_t longestCycle(int n) {
        uint32_t longest = 0;
        for (int k = 0; k < n; ++k) {
            const uint32_t before = clock.now;
            cycle();
            longest = std::max(longest, clock.now - before);
        }
        return longest;
    }
};

// Replies arriving just before and after the read time-out: a late one is drained,
// never taken for the next request of the same length.
TEST_F(IntegrityTest, RepliesAroundTheTimeOutNeverPairWithTheWrongRequest) {
    ecuHolds(600, 31);
    ecu->faults.delayMs = 35;
    ecu->faults.delayMaxMs = 45;
    ecu->SeedFaults(99);
    engine.StartUp();
    ASSERT_TRUE(runUntil(Link::Online, 20000));
    auto held = ecuConfiguration(*ecu);
    EXPECT_EQ(firstDifference(pc->Image, held->Image, transferredRanges(*held)), -1);
    EXPECT_TRUE(observer.failures.empty());

    makeConfiguration(*pc, 450, 32);
    engine.WriteToEcu();
    ASSERT_TRUE(runUntil(Link::Online, 40000));
    EXPECT_EQ(firstDifference(pc->Image, ecu->Committed(), transferredRanges(*pc)), -1);
    EXPECT_EQ(ecu->CommitCount(), 1);
}

// A late acknowledgement of one write is not taken for the next: its echo differs.
TEST_F(IntegrityTest, ALateAcknowledgementIsNotTakenForTheNextWrite) {
    TModbusDriver driver(link);
    std::string error;
    ASSERT_TRUE(driver.FindAndOpen(error)) << error;
    ecu->faults.delayMs = 530; // past the write's 500 ms and the drain gap after it
    EXPECT_FALSE(driver.WriteRegister(0x0500, 0x1111, error));
    ecu->faults.delayMs = 0;
    EXPECT_FALSE(driver.WriteRegister(0x0600, 0x2222, error));
    EXPECT_EQ(error.rfind("Echo mismatch", 0), 0u) << error;
    EXPECT_TRUE(driver.WriteRegister(0x0600, 0x2222, error)) << error;
    EXPECT_EQ(ecu->ReadWord(0x0600), 0x2222);
}

// Edits while online under dropped and damaged replies: every cycle with an answer
// moves the writes on, and the burst ends with the commit of exactly these bytes.
TEST_F(IntegrityTest, ABurstOfEditsUnderFaultsEndsWithTheCommit) {
    ecuHolds(300, 33);
    goOnline();
    ecu->faults.dropProbability = 0.05;
    ecu->faults.corruptProbability = 0.02;
    ecu->SeedFaults(5);
    std::set<int> edited;
    for (int k = 0; k < 500; ++k) {
        const int address = (k * 7919) % (pc->ConstEnd() - 2);
        pc->WriteConstByte(address, static_cast<uint8_t>(k * 13 + 1));
        edited.insert(address);
    }
    int cycles = 0;
    do {
        cycle();
    } while (++cycles < 5000 &&
             !(pc->LinkState == Link::Online && engine.W() == 0 && engine.UnsentBytes() == 0));
    ASSERT_LT(cycles, 5000) << "the writes never ended";
    EXPECT_GE(ecu->CommitCount(), 1);
    EXPECT_TRUE(std::equal(pc->Image, pc->Image + 0x8000, ecu->Committed()));
}

// An ECU that answers a read with other bytes once (a reply for another request):
// the check reads again what differs, and the read ends byte-exact.
TEST_F(IntegrityTest, AReadThatDisagreesWithItsCheckIsReadAgain) {
    ecuHolds(200, 34);
    std::map<uint32_t, int> reads;
    VirtualEcu& e = *ecu;
    e.AddHandler({0x08000, 0x08400,
                  [&e, &reads](uint32_t address, uint16_t& value) {
                      value = e.ReadWord(address);
                      if (reads[address]++ == 0)
                          value = static_cast<uint16_t>(value ^ 0x0101);
                      return true;
                  },
                  [&e](uint32_t address, uint16_t value) {
                      e.WriteWord(address, value);
                      return true;
                  }});
    engine.StartUp();
    ASSERT_TRUE(runUntil(Link::Online));
    auto held = ecuConfiguration(*ecu);
    EXPECT_EQ(firstDifference(pc->Image, held->Image, transferredRanges(*held)), -1);
    EXPECT_GE(reads[0x08000], 3) << "read, checked, read again, checked again";
    EXPECT_TRUE(observer.failures.empty());
}

// An ECU whose answers never agree, or whose usage words disagree with its diagram,
// is given up after three rounds: never shown as in step, nothing but "Read" offered.
TEST_F(IntegrityTest, AReadThatNeverAgreesIsGivenUpAfterThreeRounds) {
    ecuHolds(100, 35);
    VirtualEcu& e = *ecu;
    uint16_t flip = 0;
    e.AddHandler({0x08100, 0x08102,
                  [&e, &flip](uint32_t address, uint16_t& value) {
                      value = static_cast<uint16_t>(e.ReadWord(address) ^ ++flip);
                      return true;
                  },
                  nullptr});
    engine.StartUp();
    for (int n = 0; n < 3000 && observer.failures.empty(); ++n)
        cycle();
    ASSERT_EQ(observer.failures.size(), 1u);
    EXPECT_NE(observer.failures[0].find("did not pass their checks after 3 attempts"),
              std::string::npos);
    EXPECT_EQ(pc->LinkState, Link::ReadCancelled);
    EXPECT_EQ(observer.readsFinished, 0);
    cycle();
    EXPECT_TRUE(observer.commands.readFromEcu);
    EXPECT_FALSE(observer.commands.saveAs);
    EXPECT_FALSE(observer.commands.writeToEcu);
}

TEST_F(IntegrityTest, AConfigurationWhoseUsageWordsDisagreeIsReadThreeTimesThenRefused) {
    ecuHolds(80, 36);
    ecu->WriteWord(2, static_cast<uint16_t>(ecu->ReadWord(2) + 6)); // logic usage off by 6
    link.recordFrames = true;
    engine.StartUp();
    for (int n = 0; n < 3000 && observer.failures.empty(); ++n)
        cycle();
    ASSERT_EQ(observer.failures.size(), 1u);
    int headerReads = 0;
    for (const auto& r : sent({0x03}))
        headerReads += addressOf(r) == 0 && countOf(r) == 2;
    EXPECT_EQ(headerReads, 3);
    EXPECT_EQ(pc->LinkState, Link::ReadCancelled);
    EXPECT_TRUE(messages.shown.empty()) << "no corruption warning for a read not taken";
}

// A full write reads back what it wrote; bytes the ECU did not store are written
// again before the commit, and an ECU that never stores them gets no commit.
TEST_F(IntegrityTest, AFullWriteIsReadBackAndWhatDiffersIsWrittenAgain) {
    VirtualEcu& e = *ecu;
    std::map<uint32_t, int> writes;
    e.AddHandler({0x00400, 0x00440,
                  [&e](uint32_t a, uint16_t& v) { return v = e.ReadWord(a), true; },
                  [&e, &writes](uint32_t address, uint16_t value) {
                      if (writes[address]++ > 0) // the first write of each word is lost
                          e.WriteWord(address, value);
                      return true;
                  }});
    engine.StartUp();
    makeConfiguration(*pc, 150, 37);
    engine.ConfigurationOpened();
    cycle(2);
    engine.WriteAllToEcu();
    ASSERT_TRUE(runUntil(Link::Online));
    EXPECT_GE(writes[0x00400], 2);
    EXPECT_EQ(ecu->CommitCount(), 1);
    for (uint32_t a = 0x400; a < 0x440; ++a)
        EXPECT_EQ(ecu->Committed()[a], pc->Image[a]) << std::hex << a;
}

TEST_F(IntegrityTest, AFullWriteThatNeverReadsBackTheSameIsNotCommitted) {
    VirtualEcu& e = *ecu;
    e.AddHandler({0x00420, 0x00422, [](uint32_t, uint16_t& v) { return v = 0x5A5A, true; },
                  [](uint32_t, uint16_t) { return true; }});
    engine.StartUp();
    makeConfiguration(*pc, 60, 38);
    engine.ConfigurationOpened();
    cycle(2);
    engine.WriteAllToEcu();
    for (int n = 0; n < 3000 && observer.failures.empty(); ++n)
        cycle();
    ASSERT_EQ(observer.failures.size(), 1u);
    EXPECT_NE(observer.failures[0].find("were not committed"), std::string::npos);
    EXPECT_EQ(ecu->CommitCount(), 0);
    EXPECT_EQ(pc->LinkState, Link::Offline);
    EXPECT_EQ(observer.writesCommitted, 0);
}

// Unsent edits and a silent ECU (the device is there, nothing answers): a cycle costs
// one status read, never a pass of write time-outs; the loss is declared with the edits
// kept, and the same ECU answering again gets them and the commit.
TEST_F(IntegrityTest, ASilentEcuCostsEachCycleOneReadAndGetsTheEditsWhenItAnswers) {
    ecuHolds(200, 39);
    goOnline();
    for (int k = 0; k < 60; ++k)
        pc->WriteConstWord(64 * k + 2, static_cast<uint16_t>(0x0101 * (k + 1)));
    cycle();
    ASSERT_EQ(pc->LinkState, Link::WritingChanges);
    ecu->faults.dropProbability = 1; // silent
    EXPECT_LE(longestCycle(10), 500u);
    EXPECT_EQ(pc->LinkState, Link::LostWhileOnline);
    EXPECT_EQ(observer.status, "No ECU Detected");
    EXPECT_FALSE(observer.commands.ramTest);
    EXPECT_FALSE(observer.commands.writeToEcu);
    EXPECT_FALSE(observer.commands.retrieveLog);
    EXPECT_GT(engine.UnsentBytes(), 0);
    EXPECT_LE(longestCycle(40), 60u) << "a drain gap and a status read";

    ecu->faults.dropProbability = 0;
    ASSERT_TRUE(runUntil(Link::WritingChanges, 5));
    ASSERT_TRUE(runUntil(Link::Online, 100));
    EXPECT_EQ(engine.UnsentBytes(), 0);
    EXPECT_GE(ecu->CommitCount(), 1);
    EXPECT_TRUE(std::equal(pc->Image, pc->Image + 0x8000, ecu->Committed()));
}

// Commands that need an ECU are off in every state while none answers.
TEST_F(IntegrityTest, NoCommandThatNeedsAnEcuIsOfferedWhileNoneAnswers) {
    ecuHolds(40, 40);
    goOnline();
    engine.GoOnline(); // the question whether to load or write
    cycle();
    ASSERT_EQ(pc->LinkState, Link::AskLoadOrWrite);
    EXPECT_TRUE(observer.commands.writeToEcu);
    ecu->faults.dropProbability = 1;
    cycle(3);
    EXPECT_EQ(pc->LinkState, Link::AskLoadOrWrite);
    EXPECT_EQ(observer.status, "No ECU Detected");
    for (bool on :
         {observer.commands.readFromEcu, observer.commands.writeToEcu, observer.commands.ramTest,
          observer.commands.injectorTest, observer.commands.digitalInputTest,
          observer.commands.calibrateAnalog, observer.commands.retrieveLog})
        EXPECT_FALSE(on);
}

// Two ECUs on two ports with the same configuration. The first goes; the driver's
// rediscovery finds the other before any loss is declared. Its serial is another: the
// edits meant for the first never reach it, whatever the user answers.
class TwoEcuLink : public UsbXpress {
public:
    TwoEcuLink(VirtualEcuLink& a, VirtualEcuLink& b) : links_{&a, &b} {}
    Status GetNumDevices(uint32_t& count) override {
        counts_[0] = counts_[1] = 0;
        links_[0]->GetNumDevices(counts_[0]);
        links_[1]->GetNumDevices(counts_[1]);
        count = counts_[0] + counts_[1];
        return Success;
    }
    Status GetProductString(uint32_t device, std::string& text, int kind) override {
        return device < counts_[0] ? links_[0]->GetProductString(device, text, kind)
                                   : links_[1]->GetProductString(device - counts_[0], text, kind);
    }
    Status Open(uint32_t device, Handle& handle) override {
        const int which = device < counts_[0] ? 0 : 1;
        Status s = links_[which]->Open(device - (which ? counts_[0] : 0), handle);
        handle |= static_cast<Handle>(which) << 24;
        return s;
    }
    Status Close(Handle h) override { return of(h)->Close(inner(h)); }
    Status SetBaudRate(Handle h, uint32_t baud) override {
        return of(h)->SetBaudRate(inner(h), baud);
    }
    Status SetTimeouts(uint32_t r, uint32_t w) override {
        links_[0]->SetTimeouts(r, w);
        return links_[1]->SetTimeouts(r, w);
    }
    Status FlushBuffers(Handle h, bool t, bool r) override {
        return of(h)->FlushBuffers(inner(h), t, r);
    }
    Status Write(Handle h, const uint8_t* d, uint32_t n, uint32_t& w) override {
        return of(h)->Write(inner(h), d, n, w);
    }
    Status Read(Handle h, uint8_t* b, uint32_t n, uint32_t& r) override {
        return of(h)->Read(inner(h), b, n, r);
    }

private:
    VirtualEcuLink* of(Handle h) const { return links_[(h >> 24) & 1]; }
    static Handle inner(Handle h) { return h & 0xFFFFFF; }
    VirtualEcuLink* links_[2];
    uint32_t counts_[2] = {};
};

TEST(AnotherEcu, TheNextEcuOnTheChainGetsNoneOfThePreviousOnesEdits) {
    for (bool keepPc : {true, false}) {
        SCOPED_TRACE(keepPc ? "the user keeps the PC's configuration" : "the user lets it go");
        SilentMessages quiet;
        auto config = std::make_unique<tECU>(quiet);
        makeConfiguration(*config, 120, 41);
        VirtualEcu first;
        VirtualEcu other;
        first.SetSerial("FIRST-ECU");
        other.SetSerial("OTHER-ECU");
        first.LoadConfiguration(*config);
        other.LoadConfiguration(*config);
        VirtualEcuLink a(first);
        VirtualEcuLink b(other);
        TwoEcuLink chain(a, b);
        RecordingMessages messages;
        auto pc = std::make_unique<tECU>(messages);
        Recorder observer;
        observer.keepPc = keepPc;
        SyncEngine engine(*pc, chain, observer);
        PollContext context;
        engine.StartUp();
        for (int n = 0; n < 3000 && pc->LinkState != Link::Online; ++n)
            engine.PollCycle(context);
        ASSERT_EQ(pc->LinkState, Link::Online);
        ASSERT_EQ(pc->EcuSerial.substr(0, 9), "FIRST-ECU");

        for (int k = 0; k < 200; ++k)
            pc->WriteConstByte(k * 3, 0x77);
        engine.PollCycle(context);
        engine.PollCycle(context);
        first.Unplug(); // its handle dies: the next write fails and discovery runs
        for (int n = 0; n < 40; ++n)
            engine.PollCycle(context);
        EXPECT_EQ(observer.others.size(), 1u);
        EXPECT_EQ(observer.replaceAsked, 1);
        // Nothing of the edits reached the other ECU, committed or not.
        auto held = ecuConfiguration(other, false);
        EXPECT_EQ(firstDifference(config->Image, held->Image, transferredRanges(*config)), -1);
        EXPECT_EQ(other.CommitCount(), 0);
        if (keepPc) {
            EXPECT_EQ(pc->LinkState, Link::Offline);
            EXPECT_EQ(pc->ImageByte(0x400 + 3), 0x77) << "the edits are kept on the PC";
            EXPECT_GT(std::count(pc->SyncState, pc->SyncState + 0x8000, Sync::ToWrite), 0);
        } else {
            EXPECT_EQ(pc->LinkState, Link::Online) << "the other ECU's configuration was read";
            EXPECT_EQ(pc->EcuSerial.substr(0, 9), "OTHER-ECU");
            EXPECT_EQ(firstDifference(pc->Image, config->Image, transferredRanges(*config)), -1);
        }
    }
}

} // namespace
