#include "setup/LoggingChannels.h"
#include "editor/SimpleViewSettings.h"
#include "files/NewConfiguration.h"

#include <gtest/gtest.h>
#include <memory>

using namespace zolmar;

namespace {

struct LoggingChannelsTest : ::testing::Test {
    RecordingMessages messages;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(messages);
    void SetUp() override { NewConfiguration::MakeBlank(*ecu); }
    int add(int type, const std::string& name, int page) {
        int index = -1;
        EXPECT_TRUE(ecu->CreateElement(type, 1, 1, name, page, &index));
        return index;
    }
};

TEST_F(LoggingChannelsTest, AChannelLogsAGaugeWithItsValidityGauge) {
    int map = add(ElementType::Gauge, "MAP", 0);
    add(ElementType::Gauge, "MAP Valid2", 0);
    int valid = add(ElementType::Gauge, "MAP Valid", 0);
    // A blank configuration's channels log live address 0, which is no gauge.
    EXPECT_EQ(LoggingChannels::GaugeOf(*ecu, 0), -1);
    ASSERT_TRUE(LoggingChannels::Assign(*ecu, 14, map));
    auto channel = LoggingChannels::Read(*ecu, 14);
    EXPECT_EQ(channel.liveAddress, ecu->ElementLiveOffset[map]);
    EXPECT_EQ(channel.namePosition, 3072 + 24 * map);
    EXPECT_EQ(channel.validAddress, ecu->ElementLiveOffset[valid]); // not "MAP Valid2"
    EXPECT_EQ(LoggingChannels::GaugeOf(*ecu, 14), map);
    // The words sit at image 0x20, 0x3E and 0x5C and are marked for the ECU.
    EXPECT_EQ(ecu->ImageWord(0x20), ecu->ElementLiveOffset[map]);
    EXPECT_EQ(ecu->ImageWord(0x3E), 3072 + 24 * map);
    EXPECT_EQ(ecu->SyncAt(0x5D), Sync::ToWrite);
    EXPECT_EQ(ecu->SyncAt(0x3F), Sync::ToWrite);
    // Without a validity gauge the third word is 0xFFFF.
    ASSERT_TRUE(LoggingChannels::Assign(*ecu, 0, valid));
    EXPECT_EQ(LoggingChannels::Read(*ecu, 0).validAddress, LoggingChannels::kNone);
}

TEST_F(LoggingChannelsTest, OnlyGaugesOnExistingChannels) {
    int constant = add(ElementType::Constant, "RPM", 1);
    int gauge = add(ElementType::Gauge, "RPM", 0);
    EXPECT_FALSE(LoggingChannels::Assign(*ecu, 0, constant));
    EXPECT_FALSE(LoggingChannels::Assign(*ecu, 15, gauge));
    EXPECT_FALSE(LoggingChannels::Assign(*ecu, -1, gauge));
    EXPECT_FALSE(LoggingChannels::Assign(*ecu, 0, ecu->NumElements));
    EXPECT_EQ(LoggingChannels::GaugeOf(*ecu, 15), -1);
}

TEST_F(LoggingChannelsTest, TheSimpleViewShowsSettingsOfUserPages) {
    int shown = add(ElementType::Constant, "Shown", 7);
    int hidden = add(ElementType::Constant, "Hidden", 7);
    ecu->WriteLogicByte(ecu->ElementLogicOffset[hidden] + 3, 7 | 0x80, true);
    add(ElementType::Summer, "Not a setting", 7);
    int outer = add(ElementType::Mux4, "Outer", 8);
    int inner = add(ElementType::Mux4, "Inner", 8);
    // The outer mux's second entry names the inner one: the inner is folded into it.
    const std::string entry = "Inner";
    for (size_t j = 0; j < 16; ++j)
        ecu->WriteLogicByte(ecu->ElementLogicOffset[outer] + 12 + 16 + static_cast<int>(j),
                            j < entry.size() ? static_cast<uint8_t>(entry[j]) : 0, false);
    add(ElementType::Gauge, "On the gauge page", 0);
    std::vector<int> listed;
    for (const auto& s : SimpleViewSettings::List(*ecu))
        listed.push_back(s.element);
    // The six dedicated elements (pages 2-7), then page 8, then page 9.
    std::vector<int> expected = {0, 1, 2, 3, 4, 5, shown, outer};
    EXPECT_EQ(listed, expected);
    EXPECT_NE(inner, outer);
}

} // namespace
