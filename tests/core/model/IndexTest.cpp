#include "RawConfig.h"
#include "model/ECU.h"

#include <gtest/gtest.h>
#include <memory>
#include <random>

using namespace zolmar;
using namespace zolmar::Layout;
using zolmar::test::RawConfig;

namespace {

struct IndexTest : ::testing::Test {
    RecordingMessages messages;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(messages);
    RawConfig raw{*ecu};
};

TEST_F(IndexTest, EmptyLogicAreaGivesZeroEndsAndMinimalUsageWords) {
    ecu->RebuildIndex(true, true);
    EXPECT_EQ(ecu->NumElements, 0);
    EXPECT_EQ(ecu->LogicEnd(), 0);
    EXPECT_EQ(ecu->ConstEnd(), 0);
    EXPECT_EQ(ecu->LiveEnd(), 0);
    ecu->Modified = false;
    ecu->UpdateUsageWords();
    EXPECT_EQ(ecu->ImageWord(0), 0x0400);
    EXPECT_EQ(ecu->ImageWord(2), 0x0001);
    EXPECT_EQ(ecu->SyncState[0], Sync::ToWrite);
    EXPECT_EQ(ecu->SyncState[3], Sync::ToWrite);
    EXPECT_FALSE(ecu->Modified);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(IndexTest, WalkAllocatesBlocksInElementOrder) {
    raw.add(ElementType::Constant);
    raw.add(ElementType::Table2D, 1, 0, 0, "", 3);
    raw.add(ElementType::Table3D, 1, 0, 0, "", 3, 5);
    raw.add(ElementType::PID);
    raw.finish();
    ASSERT_EQ(ecu->NumElements, 4);
    EXPECT_EQ(ecu->ElementLogicOffset[1], 4);
    EXPECT_EQ(ecu->ElementConstOffset[1], 2);
    EXPECT_EQ(ecu->ElementLiveOffset[1], 2);
    EXPECT_EQ(ecu->ElementConstOffset[2], 2 + 13);
    EXPECT_EQ(ecu->ElementConstOffset[3], 2 + 13 + 48);
    EXPECT_EQ(ecu->ConstEnd(), 2 + 13 + 48 + 1);
    EXPECT_EQ(ecu->LiveEnd(), 2 + 10 + 12 + 12);
    EXPECT_EQ(ecu->LogicEnd(), 4 + 12 + 14 + 28);
    EXPECT_EQ(ecu->ImageWord(0), 1024 + 64);
    EXPECT_EQ(ecu->ImageWord(2), 59);
}

TEST_F(IndexTest, UnknownTypeEndsTheWalkAsIfTheConfigurationEndedThere) {
    raw.add(ElementType::Constant);
    raw.add(ElementType::Summer);
    ecu->Image[kLogicBase + 12] = 20; // an unknown code where the finish byte was
    ecu->RebuildIndex(true, true);
    EXPECT_EQ(ecu->NumElements, 2);
    EXPECT_EQ(ecu->LogicEnd(), 12);
    EXPECT_EQ(ecu->ConstEnd(), 3);
    EXPECT_EQ(ecu->LiveEnd(), 4);
}

TEST_F(IndexTest, CountLimitStillStoresTheEndEntries) {
    for (int i = 0; i < kMaxElements + 5; ++i)
        raw.add(ElementType::Label);
    ecu->RebuildIndex(true, true);
    EXPECT_EQ(ecu->NumElements, kMaxElements);
    EXPECT_EQ(ecu->LogicEnd(), 4 * kMaxElements);
    ecu->UpdateUsageWords();
    EXPECT_EQ(ecu->ImageWord(2), 4 * kMaxElements + 1);
}

TEST_F(IndexTest, UpdateUsageWordsReportsAStaleIndex) {
    raw.add(ElementType::Constant);
    ecu->RebuildIndex(false, false);
    raw.add(ElementType::Constant); // changes the logic area behind the index's back
    ecu->UpdateUsageWords();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "NumElements before = 1, NumElements after = 2.ConstUsage before = 2, ConstUsage "
              "after = 4.ConfigUsage before = 4, ConfigUsage after = 8.");
}

TEST_F(IndexTest, CheckUsageWordsReportsBothDisagreements) {
    raw.add(ElementType::Constant);
    raw.finish();
    ecu->CheckUsageWords();
    EXPECT_TRUE(messages.shown.empty());

    ecu->SetImageWord(0, 0x8000 | (1024 + 2), false); // bit 15 is the logic usage's bit 16
    ecu->CheckUsageWords();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "Configuration appears to be corrupted!\n\rConfigMemUsage (including finish byte) = "
              "65541, but actual configuration indicates 5!");

    messages.shown.clear();
    ecu->SetImageWord(0, 7, false);
    ecu->SetImageWord(2, 9, false);
    ecu->CheckUsageWords();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text,
              "Configuration appears to be corrupted!\n\rConstMemUsage (including 1024 bytes of "
              "fixed constant data) = 7, but actual configuration indicates 1026!");
    EXPECT_FALSE(ecu->UsageWarningOpen);
}

TEST_F(IndexTest, CheckUsageWordsIsSilentWhileItsWarningIsOpen) {
    raw.add(ElementType::Constant);
    raw.finish();
    ecu->SetImageWord(0, 7, false);
    ecu->SetImageWord(2, 9, false);
    // A poll cycle that checks again while the first message is still open adds nothing.
    messages.onShow = [this](const RecordingMessages::Entry&) {
        EXPECT_TRUE(ecu->UsageWarningOpen);
        size_t before = messages.shown.size();
        ecu->CheckUsageWords();
        EXPECT_EQ(messages.shown.size(), before);
    };
    ecu->CheckUsageWords();
    EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(IndexTest, LinksAreCountedAndFlagged) {
    int c = raw.add(ElementType::Clipper); // three outputs
    int s = raw.add(ElementType::Summer);
    int m = raw.add(ElementType::Multiplier);
    raw.link(s, 0, c, 1);
    raw.link(s, 1, c, 1);
    raw.link(m, 2, s, 0);
    raw.literal(m, 0, 50);
    raw.finish();
    EXPECT_EQ(ecu->CountLinksTo(2), 2);
    EXPECT_EQ(ecu->CountLinksTo(0), 0);
    EXPECT_EQ(ecu->CountLinksTo(6), 1);
    EXPECT_EQ(ecu->LiveWordLinked[0], 0);
    EXPECT_EQ(ecu->LiveWordLinked[1], 1);
    EXPECT_EQ(ecu->LiveWordLinked[2], 0);
    EXPECT_EQ(ecu->LiveWordLinked[3], 1);
    EXPECT_EQ(ecu->LiveWordLinked[4], 0);
}

TEST_F(IndexTest, DepthCountsTheLongestChainToASink) {
    // a -> b -> d, a -> d, c alone, e <-> f in a loop feeding g
    int a = raw.add(ElementType::Constant);
    int b = raw.add(ElementType::Summer);
    int c = raw.add(ElementType::Constant);
    int d = raw.add(ElementType::Summer);
    int e = raw.add(ElementType::Summer);
    int f = raw.add(ElementType::Summer);
    int g = raw.add(ElementType::Display);
    raw.link(b, 0, a, 0);
    raw.link(d, 0, b, 0);
    raw.link(d, 1, a, 0);
    raw.link(e, 0, f, 0);
    raw.link(f, 0, e, 0);
    raw.link(g, 0, e, 0);
    raw.finish();
    EXPECT_EQ(ecu->ElementDepth[d], 0);
    EXPECT_EQ(ecu->ElementDepth[c], 0);
    EXPECT_EQ(ecu->ElementDepth[g], 0);
    EXPECT_EQ(ecu->ElementDepth[b], 1);
    EXPECT_EQ(ecu->ElementDepth[a], 2);
    // The loop is followed once per link word: g -> e (1), e -> f (2), f -> e (3).
    EXPECT_EQ(ecu->ElementDepth[e], 3);
    EXPECT_EQ(ecu->ElementDepth[f], 2);
}

TEST_F(IndexTest, ElementsOnlyInALoopStayUnreached) {
    int e = raw.add(ElementType::Summer);
    int f = raw.add(ElementType::Summer);
    raw.link(e, 0, f, 0);
    raw.link(f, 0, e, 0);
    raw.finish();
    EXPECT_EQ(ecu->ElementDepth[e], -1);
    EXPECT_EQ(ecu->ElementDepth[f], -1);
}

TEST_F(IndexTest, NamedConstantsUseFirstForByteWritesAndLastOtherwise) {
    raw.add(ElementType::Constant, 1, 0, 0, "Rev Limit");
    raw.add(ElementType::Constant, 1, 0, 0, "Rev Limit");
    raw.add(ElementType::Tickbox, 1, 0, 0, "Rev Limit X");
    raw.finish();
    EXPECT_TRUE(ecu->WriteNamedConstByte("Rev Limit", 0, 0x11));
    EXPECT_EQ(ecu->ReadConstByte(0), 0x11);
    EXPECT_TRUE(ecu->WriteNamedConstWord("Rev Limit", 0, 0x2233));
    EXPECT_EQ(ecu->ReadConstWord(2), 0x2233);
    uint16_t w = 0;
    EXPECT_TRUE(ecu->ReadNamedConstWord("Rev Limit", 0, w));
    EXPECT_EQ(w, 0x2233);
    uint8_t b = 0;
    EXPECT_FALSE(ecu->ReadNamedConstByte("rev limit", 0, b));
    EXPECT_FALSE(ecu->WriteNamedConstByte("Rev", 0, 1));
    EXPECT_TRUE(messages.shown.empty());

    // A write past the configuration's constants is reported even though it was stored.
    EXPECT_TRUE(ecu->WriteNamedConstByte("Rev Limit X", 1, 9));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Attempted to write to a constant address \n\r0 bytes "
                                      "beyond the end for this configuration!");
}

TEST_F(IndexTest, AnyLogicAreaContentIsWalkedSafely) {
    // Random records, table dimensions pointing past the constant area, wrapping
    // 16-bit offsets: the walk, the depths and the link flags must stay in bounds.
    std::mt19937 random(12345);
    const int codes[] = {0, 2, 4, 7, 12, 16, 19, 31, 127, 159, 191, 94, 255, 20};
    for (int round = 0; round < 40; ++round) {
        for (int k = 0; k < kLogicSize; ++k)
            ecu->Image[kLogicBase + k] = static_cast<uint8_t>(random());
        for (int k = 0; k < 0x8000; ++k)
            ecu->Image[k] = static_cast<uint8_t>(random());
        if (round % 2) {
            // Mostly small records with many links, so thousands of elements.
            for (int L = 0; L + 600 < kLogicSize;) {
                int code = codes[random() % 12];
                ecu->Image[kLogicBase + L] = static_cast<uint8_t>(code);
                L += tECU::LogicSize(code);
            }
        }
        ecu->RebuildIndex(true, true);
        ecu->UpdateUsageWords();
        ecu->CheckUsageWords();
        EXPECT_LE(ecu->NumElements, kMaxElements);
        for (int i = 0; i < ecu->NumElements; ++i)
            EXPECT_GE(ecu->ElementDepth[i], -1);
    }
}

} // namespace
