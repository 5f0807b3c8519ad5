#include "DiagramGenerator.h"
#include "LiteralOptimise.h"
#include "RawConfig.h"
#include "files/NewConfiguration.h"
#include "model/ECU.h"

#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <random>

using namespace zolmar;
using namespace zolmar::Layout;
using zolmar::test::DiagramOptions;

namespace {

void copyModel(const tECU& from, tECU& to) {
    std::memcpy(to.Image, from.Image, sizeof from.Image);
    std::memcpy(to.SyncState, from.SyncState, sizeof from.SyncState);
    std::memcpy(to.ElementDepth, from.ElementDepth, sizeof from.ElementDepth);
    to.RebuildIndex(false, true);
    to.ConfigurationReplaced();
    std::memcpy(to.ElementDepth, from.ElementDepth, sizeof from.ElementDepth);
    to.Modified = from.Modified;
    to.LogicOrNamesChanged = from.LogicOrNamesChanged;
    to.StructureChanged = from.StructureChanged;
}

// Reports the first difference of two models, or an empty string.
std::string difference(const tECU& a, const tECU& b) {
    for (int k = 0; k < kImageSize; ++k)
        if (a.Image[k] != b.Image[k])
            return "image byte " + std::to_string(k);
    for (int k = 0; k < kImageSize; ++k)
        if (a.SyncState[k] != b.SyncState[k])
            return "sync state of byte " + std::to_string(k);
    if (a.NumElements != b.NumElements)
        return "element count";
    for (int i = 0; i <= kMaxElements; ++i)
        if (a.ElementDepth[i] != b.ElementDepth[i])
            return "depth of element " + std::to_string(i);
    for (int i = 0; i <= a.NumElements; ++i)
        if (a.ElementLogicOffset[i] != b.ElementLogicOffset[i] ||
            a.ElementConstOffset[i] != b.ElementConstOffset[i] ||
            a.ElementLiveOffset[i] != b.ElementLiveOffset[i])
            return "index entry " + std::to_string(i);
    if (a.Modified != b.Modified || a.LogicOrNamesChanged != b.LogicOrNamesChanged ||
        a.StructureChanged != b.StructureChanged)
        return "flags";
    return {};
}

struct OptimiseTest : ::testing::Test {
    RecordingMessages messages;
    std::unique_ptr<tECU> fast = std::make_unique<tECU>(messages);
    std::unique_ptr<tECU> literal = std::make_unique<tECU>(messages);

    // Optimises a copy of the generated diagram both ways and compares.
    void compareOn(const DiagramOptions& options, bool balanced, int syncPattern) {
        test::GenerateDiagram(*fast, options);
        std::mt19937 random(options.seed);
        for (int k = 0; k < kImageSize; ++k)
            fast->SyncState[k] = syncPattern == 0 ? 0 : static_cast<uint8_t>(random() % 3);
        fast->Modified = fast->LogicOrNamesChanged = fast->StructureChanged = false;
        copyModel(*fast, *literal);
        fast->OptimiseOrder(balanced);
        test::LiteralOptimiseOrder(*literal, balanced);
        EXPECT_EQ(difference(*fast, *literal), "")
            << "seed " << options.seed << (balanced ? " balanced" : " latency") << ", "
            << options.elements << " elements";
    }
};

TEST_F(OptimiseTest, MatchesTheBubbleSortOnGeneratedDiagrams) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        DiagramOptions o;
        o.seed = seed;
        o.elements = static_cast<int>(3 + (seed * 37) % 90);
        o.pages = 1 + static_cast<int>(seed % 6);
        o.linkPercent = static_cast<int>((seed * 13) % 100);
        o.dedicated = seed % 5 != 0;
        o.auxOnInj = seed % 3 == 0;
        compareOn(o, seed % 2 == 0, static_cast<int>(seed % 4));
    }
    for (const auto& text : messages.texts())
        ADD_FAILURE() << text;
}

TEST_F(OptimiseTest, MatchesTheBubbleSortOnLargerDiagrams) {
    for (uint32_t seed = 100; seed < 103; ++seed) {
        DiagramOptions o;
        o.seed = seed;
        o.elements = 250;
        o.pages = seed % 2 ? 1 : 12;
        o.linkPercent = 80;
        o.auxOnInj = seed == 101;
        compareOn(o, seed != 101, 0);
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(OptimiseTest, MatchesTheBubbleSortWhenLiveOffsetsWrap) {
    for (bool balanced : {false, true}) {
        // 3100 delays need 68200 live bytes: the 16-bit live offsets wrap.
        test::RawConfig raw(*fast);
        for (int i = 0; i < 3100; ++i)
            raw.add(ElementType::Delay, 1, 0, 0, "D" + std::to_string(i));
        // Wrapped blocks overlap the early ones: element 2980's span holds element
        // 2's output too, and the first element of the two owns the address.
        raw.link(3050, 0, 2, 0);
        raw.link(4, 0, 3090, 0); // inside element 111's internal words
        raw.finish();
        ASSERT_LT(fast->ElementLiveOffset[3050], fast->ElementLiveOffset[2900]);
        std::memset(fast->SyncState, 0, sizeof fast->SyncState);
        copyModel(*fast, *literal);
        fast->OptimiseOrder(balanced);
        test::LiteralOptimiseOrder(*literal, balanced);
        EXPECT_EQ(difference(*fast, *literal), "");
        EXPECT_EQ(fast->NameOf(kNumPages), "D2");
        std::string name;
        ASSERT_TRUE(fast->NameOfLiveAddress(fast->InputWord(3050, 0) & 0xFFFE, name));
        EXPECT_EQ(name, "Pg2.D2");
    }
}

TEST_F(OptimiseTest, NothingToSortStillRewritesEveryLinkButMovesNothing) {
    NewConfiguration::MakeBlank(*fast);
    // a <- b <- c on one page, already in depth order.
    ASSERT_TRUE(fast->CreateElement(ElementType::Constant, 1, 1, "a", 1));
    ASSERT_TRUE(fast->CreateElement(ElementType::Summer, 5, 1, "b", 1));
    ASSERT_TRUE(fast->CreateElement(ElementType::Display, 9, 1, "c", 1));
    fast->LinkInput(7, 0, 6, 0);
    fast->LinkInput(8, 0, 7, 0);
    std::memset(fast->SyncState, 0, sizeof fast->SyncState);
    uint8_t before[kImageSize];
    std::memcpy(before, fast->Image, kImageSize);
    fast->OptimiseOrder(true);
    EXPECT_EQ(std::memcmp(before, fast->Image, kImageSize), 0);
    // Only the two link words were written.
    int marked = 0;
    for (int k = 0; k < kImageSize; ++k)
        marked += fast->SyncState[k];
    EXPECT_EQ(marked, 4);
    EXPECT_EQ(fast->SyncState[kLogicBase + fast->InputWordAddress(7, 0)], Sync::ToWrite);
}

TEST_F(OptimiseTest, DedicatedElementsNeverMoveAndSourcesComeFirst) {
    NewConfiguration::MakeBlank(*fast);
    ASSERT_TRUE(fast->CreateElement(ElementType::Display, 1, 1, "sink", 2));
    ASSERT_TRUE(fast->CreateElement(ElementType::Summer, 1, 1, "middle", 2));
    ASSERT_TRUE(fast->CreateElement(ElementType::Constant, 1, 1, "source", 1));
    fast->LinkInput(6, 0, 7, 0);
    fast->LinkInput(7, 0, 8, 0);
    fast->LinkInput(7, 1, 1, 3); // from the analogue inputs
    for (bool balanced : {true, false}) {
        fast->OptimiseOrder(balanced);
        const int dedicated[] = {159, 127, 95, 31, 63, 191};
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(fast->TypeOf(i), dedicated[i]);
        EXPECT_EQ(fast->NameOf(kNumPages + 6), "source");
        EXPECT_EQ(fast->NameOf(kNumPages + 7), "middle");
        EXPECT_EQ(fast->NameOf(kNumPages + 8), "sink");
        std::string name;
        ASSERT_TRUE(fast->NameOfLiveAddress(fast->InputWord(7, 0) & 0xFFFE, name));
        EXPECT_EQ(name, "Pg2.source");
        ASSERT_TRUE(fast->NameOfLiveAddress(fast->InputWord(7, 1) & 0xFFFE, name));
        EXPECT_EQ(name, "Pg3.Analogue inputs: Ana 4 ()");
        ASSERT_TRUE(fast->NameOfLiveAddress(fast->InputWord(8, 0) & 0xFFFE, name));
        EXPECT_EQ(name, "Pg3.middle");
    }
}

TEST_F(OptimiseTest, AnAuxOnInjBlockIsABarrier) {
    NewConfiguration::MakeBlank(*fast);
    ASSERT_TRUE(fast->CreateElement(ElementType::Display, 1, 1, "sink", 1));
    ASSERT_TRUE(fast->CreateElement(ElementType::AuxOnInj, 1, 1, "aux", 1));
    ASSERT_TRUE(fast->CreateElement(ElementType::Constant, 1, 1, "source", 1));
    fast->LinkInput(6, 0, 8, 0);
    fast->OptimiseOrder(false);
    EXPECT_EQ(fast->NameOf(kNumPages + 6), "sink");
    EXPECT_EQ(fast->NameOf(kNumPages + 7), "aux");
    EXPECT_EQ(fast->NameOf(kNumPages + 8), "source");
}

TEST_F(OptimiseTest, BackwardChainsMoveAlmostEverything) {
    test::GenerateBackwardChains(*fast, 5, 1500);
    ASSERT_EQ(fast->NumElements, 1500);
    std::vector<std::string> before;
    for (int i = 0; i < fast->NumElements; ++i)
        before.push_back(fast->NameOf(kNumPages + i));
    fast->OptimiseOrder(false);
    int moved = 0;
    for (int i = 0; i < fast->NumElements; ++i)
        moved += fast->NameOf(kNumPages + i) != before[static_cast<size_t>(i)];
    EXPECT_GT(moved, fast->NumElements * 9 / 10);
    // Sources now come before their consumers, apart from the few whose depth the
    // depth walk left lower than their consumer's (each link word is followed once).
    int links = 0, forward = 0;
    for (int i = 6; i < fast->NumElements; ++i) {
        uint16_t w = tECU::InputCount(fast->TypeOf(i)) ? fast->InputWord(i, 0) : 0;
        if (w & 1) {
            ++links;
            forward += (w & 0xFFFE) < fast->ElementLiveOffset[i];
        }
    }
    EXPECT_GT(links, 1000);
    EXPECT_GT(forward, links * 3 / 4); // none before
}

} // namespace
