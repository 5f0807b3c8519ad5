#include "link/TransferBound.h"
#include "EngineFixture.h"
#include "LinkTestSupport.h"
#include "link/SyncRuns.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace zolmar;
using namespace zolmar::SyncRuns;
using zolmar::test::EngineTest;
using zolmar::test::makeConfiguration;

namespace {

// All runs a pass sends over these marks, in order, clearing what each one moves.
std::vector<Run> drain(std::vector<uint8_t>& marks, bool write) {
    std::vector<Run> runs;
    for (;;) {
        const uint8_t state = write ? Sync::ToWrite : Sync::ToRead;
        const Run run =
            write ? nextWriteRun(marks.data(), state) : nextReadRun(marks.data(), state);
        if (run.words == 0)
            return runs;
        runs.push_back(run);
        std::fill_n(marks.begin() + run.start, 2 * run.words, Sync::InStep);
    }
}

std::vector<uint8_t> marked(std::initializer_list<std::pair<long, long>> ranges, uint8_t state) {
    std::vector<uint8_t> marks(Layout::kImageSize, 0);
    for (auto [begin, end] : ranges)
        std::fill(marks.begin() + begin, marks.begin() + end, state);
    return marks;
}

using Runs = std::vector<std::pair<long, int>>;
Runs pairs(const std::vector<Run>& runs) {
    Runs out;
    for (const Run& r : runs)
        out.emplace_back(r.start, r.words);
    return out;
}

long ceilDiv(long a, long b) {
    return (a + b - 1) / b;
}

// Write runs in one region cut at its blocks: per block, ceil(bytes / 40).
long writeRunsIn(long begin, long end, long block) {
    long runs = 0;
    for (long b = begin; b < end; b = (b / block + 1) * block)
        runs += ceilDiv(std::min(end, (b / block + 1) * block) - b, 40);
    return runs;
}

TEST(TransferRuns, WriteRunsStopAtStorageBlocksAndRegionStartsAndAlignToWords) {
    // 50 bytes from 0x7F0 split at the 64-byte block 0x800.
    auto marks = marked({{0x7F0, 0x7F0 + 50}}, Sync::ToWrite);
    EXPECT_EQ(pairs(drain(marks, true)), (Runs{{0x7F0, 8}, {0x800, 17}}));

    // Logic across 256-byte blocks: 16 bytes up to 0x8100, six runs of 40 and 16 bytes up
    // to 0x8200, then 40 and 8.
    marks = marked({{0x80F0, 0x8230}}, Sync::ToWrite);
    EXPECT_EQ(pairs(drain(marks, true)), (Runs{{0x80F0, 8},
                                               {0x8100, 20},
                                               {0x8128, 20},
                                               {0x8150, 20},
                                               {0x8178, 20},
                                               {0x81A0, 20},
                                               {0x81C8, 20},
                                               {0x81F0, 8},
                                               {0x8200, 20},
                                               {0x8228, 4}}));

    // The logic area goes first; constants and names stop at the region starts.
    marks = marked({{0x7FE0, 0x8020}, {0x1DFF0, 0x1E000}, {0x20000, 0x20010}}, Sync::ToWrite);
    EXPECT_EQ(pairs(drain(marks, true)),
              (Runs{{0x8000, 16}, {0x7FE0, 16}, {0x1DFF0, 8}, {0x20000, 8}}));

    // An odd start widens to the word before (41 bytes make 21 words); an odd length to
    // the word after; a single odd byte is one word.
    marks = marked({{0x401, 0x440}, {0x503, 0x504}}, Sync::ToWrite);
    EXPECT_EQ(pairs(drain(marks, true)), (Runs{{0x400, 21}, {0x42A, 11}, {0x502, 1}}));
}

TEST(TransferRuns, ReadRunsStopOnlyAtRegionStartsAndTheStatusBlock) {
    auto marks = marked({{0x7F00, 0x8100}, {0x29F80, 0x2A000}}, Sync::ToRead);
    EXPECT_EQ(pairs(drain(marks, false)),
              (Runs{{0x7F00, 100}, {0x7FC8, 28}, {0x8000, 100}, {0x80C8, 28}, {0x29F80, 64}}));
    // A 64- or 256-byte block is no stop for a read.
    marks = marked({{0x7F0, 0x7F0 + 50}}, Sync::ToRead);
    EXPECT_EQ(pairs(drain(marks, false)), (Runs{{0x7F0, 25}}));
}

TEST(TransferRuns, AFullReadDropsTheNamesItsDiagramDoesNotUse) {
    auto marks = marked({{0x13000, 0x1E000}, {0x20000, 0x2A000}}, Sync::ToRead);
    // 100 elements: after the first overflow run the overflow area is dropped; the names
    // are read until a run begins past the last slot in use.
    dropUnusedNames(marks.data(), 0x13000, 100);
    EXPECT_EQ(std::count(marks.begin() + 0x13000, marks.begin() + 0x1E000, Sync::ToRead), 0);
    dropUnusedNames(marks.data(), 0x20000 + 228 * 24, 100);
    EXPECT_EQ(marks[0x29FFF], Sync::ToRead);
    dropUnusedNames(marks.data(), 0x20000 + 228 * 24 + 1, 100);
    EXPECT_EQ(
        std::count(marks.begin() + 0x20000 + 228 * 24 + 1, marks.begin() + 0x2A000, Sync::ToRead),
        0);
    // 2000 elements: overflow names up to slot 2127 are read, the first name area whole.
    marks = marked({{0x13000, 0x1E000}, {0x20000, 0x2A000}}, Sync::ToRead);
    const long used = (2000 - 1577) * 24;
    dropUnusedNames(marks.data(), 0x13000 + used, 2000);
    EXPECT_EQ(marks[0x1DFFF], Sync::ToRead);
    dropUnusedNames(marks.data(), 0x13000 + used + 1, 2000);
    EXPECT_EQ(marks[0x13000 + used + 1], Sync::InStep);
    EXPECT_EQ(marks[0x1DFFF], Sync::InStep);
    dropUnusedNames(marks.data(), 0x20000, 2000);
    EXPECT_EQ(std::count(marks.begin() + 0x20000, marks.begin() + 0x2A000, Sync::ToRead), 0xA000);
}

// The bound counted by hand for 100 elements: per region its runs, four per cycle, the
// entry cycles, one cycle finding nothing left, the read-back in runs of at most 194.
TEST(TransferBound, AFullWriteOfAHundredElementsCountedByHand) {
    SilentMessages quiet;
    auto config = std::make_unique<tECU>(quiet);
    makeConfiguration(*config, 100, 3);
    const long constBytes = config->ConstEnd() + 1024L;
    const long logicBytes = config->LogicEnd() + 1L;
    const long nameBytes = 228 * 24;
    const long writes = writeRunsIn(0, constBytes, 64) +
                        writeRunsIn(0x8000, 0x8000 + logicBytes, 256) +
                        writeRunsIn(0x20000, 0x20000 + nameBytes, 256);
    auto even = [](long n) { return n + n % 2; };
    const long checks =
        ceilDiv(even(constBytes), 194) + ceilDiv(even(logicBytes), 194) + ceilDiv(nameBytes, 194);

    const TransferBound bound = FullWriteBound(*config, TransferStart::StartUp);
    EXPECT_EQ(bound.bytes, constBytes + logicBytes + nameBytes);
    EXPECT_EQ(static_cast<long>(bound.runs.size()), writes);
    EXPECT_EQ(static_cast<long>(bound.checkRuns.size()), checks);
    EXPECT_EQ(bound.entryCycles, 2);
    EXPECT_EQ(bound.cycles, 2 + ceilDiv(writes, 4) + 1 + ceilDiv(checks, 4));
    EXPECT_EQ(bound.transactions, bound.cycles + writes + checks + 1);
    EXPECT_DOUBLE_EQ(bound.Seconds(), bound.cycles * 0.050);
    // The logic goes first, the commit's cycle reads back the names last.
    EXPECT_EQ(bound.runs.front().start, 0x8000);
    EXPECT_EQ(bound.checkRuns.front().start, 0);
    EXPECT_EQ(FullWriteBound(*config, TransferStart::Command).cycles, bound.cycles - 1);
    // The busiest cycle reads back four runs of 97 words after the status block.
    EXPECT_EQ(bound.busiestCycleWireMicros, (77u + 4 * (8 + 5 + 194)) * 40u);
}

TEST(TransferBound, AFullReadOfAHundredElementsCountedByHand) {
    SilentMessages quiet;
    auto config = std::make_unique<tECU>(quiet);
    makeConfiguration(*config, 100, 3);
    const long constBytes = config->ImageWord(0) & 0x7FFF;
    const long logicBytes = config->ImageWord(2);
    const long nameBytes = 228 * 24;
    // One overflow run shows the diagram needs none; names until a run starts past them.
    const long nameRuns = nameBytes / 200 + 2;
    const long reads = ceilDiv(constBytes, 200) + ceilDiv(logicBytes, 200) + 1 + nameRuns;
    auto even = [](long n) { return n + n % 2; };
    const long checks = ceilDiv(even(constBytes), 194) + ceilDiv(even(logicBytes), 194) + 2 +
                        ceilDiv(nameRuns * 200, 194);

    const TransferBound bound = FullReadBound(*config, TransferStart::StartUp);
    EXPECT_EQ(bound.bytes, constBytes + logicBytes + 0xB000 + 0xA000);
    EXPECT_EQ(static_cast<long>(bound.runs.size()), reads);
    EXPECT_EQ(static_cast<long>(bound.checkRuns.size()), checks);
    EXPECT_EQ(bound.cycles, 2 + ceilDiv(reads, 4) + 1 + ceilDiv(checks, 4));
    EXPECT_EQ(bound.transactions, bound.cycles + 1 + reads + checks);
    EXPECT_EQ(bound.runs.back().start, 0x20000 + (nameRuns - 1) * 200);
    EXPECT_EQ(FullReadBound(*config, TransferStart::Command).cycles, bound.cycles - 1);
    EXPECT_EQ(bound.busiestCycleWireMicros, (77u + 4 * (8 + 5 + 200)) * 40u);
}

// The engine on a fault-free link sends exactly the bound's runs, in its order, in its
// number of cycles.
struct BoundAgainstEngine : EngineTest {
    struct Recorded {
        Runs transfer; // a read's reads (beyond status and header), a write's writes
        Runs check;    // a write's reads beyond the status
        long transactions = 0;
        int cycles = 0;
    };
    Recorded record(bool write) {
        Recorded out;
        for (const auto& r : link.requests) {
            const uint32_t a = addressOf(r);
            const bool isRead = r[1] == 0x03 || r[1] == 0x04;
            const bool single = r[1] == 0x06 || r[1] == 0x86;
            ++out.transactions;
            if ((isRead && (a == 0x2A000 || (a == 0 && countOf(r) == 2 && !write))) ||
                (single && a == 0x1FFFE))
                continue;
            std::pair<long, int> run{a, single ? 1 : countOf(r)};
            (isRead != write ? out.transfer : out.check).push_back(run);
        }
        return out;
    }
    int cyclesTo(int state, std::function<void()> eachCycle = {}) {
        int cycles = 0;
        while (pc->LinkState != state && cycles < 5000) {
            cycle();
            ++cycles;
            if (eachCycle)
                eachCycle();
        }
        return cycles;
    }
    void expectAgree(const TransferBound& bound, bool write, int cycles) {
        const Recorded got = record(write);
        if (write) {
            EXPECT_EQ(got.transfer, pairs(bound.runs));
            EXPECT_EQ(got.check, pairs(bound.checkRuns));
        } else {
            // A read's check reads too: all reads, the transfer's first.
            Runs both = pairs(bound.runs);
            const Runs check = pairs(bound.checkRuns);
            both.insert(both.end(), check.begin(), check.end());
            EXPECT_EQ(got.transfer, both);
        }
        EXPECT_EQ(got.transactions, bound.transactions);
        EXPECT_EQ(cycles, bound.cycles);
    }
};

TEST_F(BoundAgainstEngine, FullReadsFromStartUpAndByCommand) {
    for (int elements : {100, 2000, Layout::kMaxElements}) {
        SilentMessages quiet;
        auto config = std::make_unique<tECU>(quiet);
        makeConfiguration(*config, elements, 7);
        ecu->LoadConfiguration(*config);
        link.requests.clear();
        link.recordFrames = true;
        engine.StartUp();
        const int cycles = cyclesTo(Link::Online);
        expectAgree(FullReadBound(*config, TransferStart::StartUp), false, cycles);

        link.requests.clear();
        engine.ReadFromEcu();
        expectAgree(FullReadBound(*config, TransferStart::Command), false, cyclesTo(Link::Online));
    }
}

TEST_F(BoundAgainstEngine, FullWritesFromStartUpAndByCommand) {
    for (int elements : {100, 2000, Layout::kMaxElements}) {
        makeConfiguration(*pc, elements, 11);
        link.requests.clear();
        link.recordFrames = true;
        engine.StartUp();
        engine.ConfigurationOpened();
        // As zolmar-cli write answers the load-or-write question.
        const int cycles = cyclesTo(Link::Online, [this] {
            if (pc->LinkState == Link::AskLoadOrWrite)
                engine.WriteAllToEcu();
        });
        expectAgree(FullWriteBound(*pc, TransferStart::StartUp), true, cycles);

        link.requests.clear();
        engine.WriteToEcu();
        expectAgree(FullWriteBound(*pc, TransferStart::Command), true, cyclesTo(Link::Online));
    }
}

} // namespace
