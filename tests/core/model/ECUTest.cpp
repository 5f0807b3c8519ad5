#include "model/ECU.h"

#include <gtest/gtest.h>
#include <memory>

using namespace zolmar;
using namespace zolmar::Layout;

namespace {

struct ECUTest : ::testing::Test {
    RecordingMessages messages;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(messages);
};

TEST_F(ECUTest, ConstantWritesAreBoundedMarkedAndReported) {
    EXPECT_TRUE(ecu->WriteConstByte(31739, 0xAB));
    EXPECT_EQ(ecu->Image[kConstBase + 31739], 0xAB);
    EXPECT_EQ(ecu->SyncState[kConstBase + 31739], Sync::ToWrite);
    EXPECT_TRUE(messages.shown.empty());

    ecu->Modified = false;
    EXPECT_FALSE(ecu->WriteConstByte(31740, 0xCD));
    EXPECT_EQ(ecu->Image[kConstBase + 31740], 0);
    EXPECT_TRUE(ecu->Modified);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, Messages::Kind::Error);
    EXPECT_EQ(messages.shown[0].text, "Attempted to write to a constant address \n\r0 bytes "
                                      "beyond the end of constant data!");

    EXPECT_FALSE(ecu->WriteConstWord(-3, 0x1234));
    EXPECT_EQ(messages.shown[1].text, "Attempted to write to a constant address \n\r-31743 bytes "
                                      "beyond the end of constant data!");
}

TEST_F(ECUTest, WordsAreLittleEndian) {
    ecu->WriteConstWord(10, 0x1234);
    EXPECT_EQ(ecu->Image[kConstBase + 10], 0x34);
    EXPECT_EQ(ecu->Image[kConstBase + 11], 0x12);
    EXPECT_EQ(ecu->ReadConstWord(10), 0x1234);
    ecu->WriteLogicWord(7, 0xBEEF, true);
    EXPECT_EQ(ecu->ReadLogicWord(7), 0xBEEF);
    EXPECT_EQ(ecu->Image[kLogicBase + 7], 0xEF);
}

TEST_F(ECUTest, LogicWritesSetTheFlagsByKind) {
    ecu->WriteLogicByte(0, 1, true);
    EXPECT_TRUE(ecu->LogicOrNamesChanged);
    EXPECT_TRUE(ecu->Modified);
    EXPECT_FALSE(ecu->StructureChanged);
    ecu->WriteLogicByte(0, 1, false);
    EXPECT_TRUE(ecu->StructureChanged);
    EXPECT_EQ(ecu->SyncState[kLogicBase], Sync::ToWrite);
}

TEST_F(ECUTest, LogicWritesNeverLeaveTheLogicArea) {
    ecu->WriteLogicByte(kLogicSize, 0x55, false);
    ecu->WriteLogicByte(-1, 0x55, false);
    EXPECT_EQ(ecu->Image[kLogicBase + kLogicSize], 0);
    EXPECT_EQ(ecu->Image[kLogicBase - 1], 0);
}

TEST_F(ECUTest, NameSlotsSpanTwoRegions) {
    // Element 1576 ends the first region, element 1577 starts the second.
    EXPECT_EQ(tECU::NamePositionOffset(24 * (128 + 1576)), 0x29FC0);
    EXPECT_EQ(tECU::NamePositionOffset(24 * (128 + 1576) + 23), 0x29FD7);
    EXPECT_EQ(tECU::NamePositionOffset(24 * (128 + 1577)), 0x13000);
    EXPECT_EQ(tECU::NamePositionOffset(85967), 0x13000 + 85967 - 40920);
    EXPECT_EQ(tECU::NamePositionOffset(85968), -1);
    EXPECT_EQ(tECU::NamePositionOffset(-1), -1);

    ecu->WriteNameByte(85968, 'x'); // dropped, no crash
    EXPECT_EQ(ecu->NameOf(3582), std::string(24, ' '));
    EXPECT_EQ(ecu->NameOf(-1), std::string(24, ' '));
}

TEST_F(ECUTest, NameOfSkipsZeroBytes) {
    const char raw[24] = {'A', 0, 'B', 'C'};
    for (int k = 0; k < 24; ++k)
        ecu->WriteNameByte(24 * 200 + k, static_cast<uint8_t>(raw[k]));
    EXPECT_EQ(ecu->NameOf(200), "ABC");
    EXPECT_EQ(ecu->ExactNameOf(200), "A");
    for (int k = 0; k < 24; ++k)
        ecu->WriteNameByte(24 * 201 + k, static_cast<uint8_t>('a' + k));
    EXPECT_EQ(ecu->NameOf(201), "abcdefghijklmnopqrstuvwx");
    EXPECT_EQ(ecu->ExactNameOf(201), "abcdefghijklmnopqrstuvwx");
    EXPECT_TRUE(ecu->LogicOrNamesChanged);
}

TEST_F(ECUTest, ImageReadsOutsideTheArrayAreZero) {
    EXPECT_EQ(ecu->ImageByte(-1), 0);
    EXPECT_EQ(ecu->ImageByte(kImageSize), 0);
    ecu->Image[kImageSize - 1] = 0x77;
    EXPECT_EQ(ecu->ImageWord(kImageSize - 1), 0x0077);
    EXPECT_EQ(ecu->ReadConstWord(1 << 30), 0);
    EXPECT_EQ(ecu->ReadLogicWord(-(1 << 30)), 0);
}

} // namespace
