#include "RawConfig.h"
#include "TempDir.h"
#include "files/AtomicFile.h"
#include "files/ChangeLog.h"
#include "files/ConfigurationReport.h"
#include "files/ConstantExport.h"
#include "files/NewConfiguration.h"
#include "files/Optimisation.h"
#include "files/Search.h"
#include "model/PinTable.h"
#include "model/Tables.h"

#include <cstring>
#include <gtest/gtest.h>
#include <memory>

using namespace zolmar;
using namespace zolmar::Layout;
using zolmar::test::RawConfig;
using zolmar::test::TempDir;

namespace {

struct ConfigurationToolsTest : ::testing::Test {
    RecordingMessages messages;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(messages);
};

TEST_F(ConfigurationToolsTest, NewBlankConfigurationHasTheDedicatedLayout) {
    std::memset(ecu->Image, 0x5A, kStatusBase); // whatever was loaded before
    NewConfiguration::MakeBlank(*ecu);
    EXPECT_TRUE(messages.shown.empty());
    ASSERT_EQ(ecu->NumElements, 6);
    const int types[] = {159, 127, 95, 31, 63, 191};
    const int consts[] = {0, 256, 257, 265, 291, 301};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(ecu->TypeOf(i), types[i]);
        EXPECT_EQ(ecu->ElementConstOffset[i], consts[i]);
        EXPECT_EQ(ecu->PageOf(i), i + 1);
        EXPECT_EQ(ecu->ColumnOf(i), 10);
        EXPECT_EQ(ecu->RowOf(i), 1);
    }
    EXPECT_EQ(ecu->ConstEnd(), 429);
    EXPECT_EQ(ecu->LogicEnd(), 192);
    EXPECT_EQ(ecu->ImageWord(0), 429 + 1024);
    EXPECT_EQ(ecu->ImageWord(2), 193);
    EXPECT_EQ(ecu->ReadConstByte(256), 1); // analogue inputs default
    EXPECT_EQ(ecu->NameOf(kNumPages + 1), "Analogue inputs");
    const char* pages[] = {"Gauges",           "Inputs",           "Analogue Inputs", "Aux Outputs",
                           "Injector Outputs", "Ignition Outputs", "General"};
    for (int p = 0; p < 7; ++p)
        EXPECT_EQ(ecu->NameOf(p), pages[p]);
    EXPECT_EQ(ecu->NameOf(7), "");
    EXPECT_EQ(ecu->NameOf(kNumPages + 6), "");
    for (long k = 4; k < kConstBase; ++k) {
        EXPECT_EQ(ecu->Image[k], k >= 0x40 && k <= 0x5D ? 0xFF : 0) << k;
        EXPECT_EQ(ecu->SyncState[k], Sync::ToWrite) << k;
    }
    for (int n = 0; n < PinTable::kNumRecords; ++n)
        EXPECT_EQ(PinTable::PinName(*ecu, n), "");
    for (int a = 192 + 1; a < kLogicRecordLimit; ++a)
        ASSERT_EQ(ecu->ReadLogicByte(a), 0xFF) << a;
    for (int a = 429; a < kConstSize; ++a)
        ASSERT_EQ(ecu->ReadConstByte(a), 0) << a;
    // The spare bytes after the names are cleared but not sent to the ECU.
    for (long k = 0x29FD8; k <= 0x29FFB; ++k) {
        EXPECT_EQ(ecu->Image[k], 0);
        EXPECT_EQ(ecu->SyncState[k], Sync::InStep) << k;
    }
    EXPECT_EQ(ConfigurationReport::ConstUsageText(*ecu), "429  / 31740 bytes");
    EXPECT_EQ(ConfigurationReport::LogicUsageText(*ecu), "192  / 45056 bytes");
    EXPECT_EQ(ConfigurationReport::LiveUsageText(*ecu), "274  / 8192 bytes");
    EXPECT_EQ(ConfigurationReport::ElementCountText(*ecu), "6  (Max approx 3400)");
}

TEST_F(ConfigurationToolsTest, OptimisationFollowsTheStoredChoice) {
    MemoryPreferences prefs;
    EXPECT_TRUE(Optimisation::IsBalanced(prefs)); // missing
    prefs.write(Optimisation::kPreference, "Recalc");
    EXPECT_FALSE(Optimisation::IsBalanced(prefs));
    prefs.write(Optimisation::kPreference, Optimisation::PreferenceValue(true));
    EXPECT_TRUE(Optimisation::IsBalanced(prefs));
    EXPECT_STREQ(Optimisation::PreferenceValue(false), "recalc");
    NewConfiguration::MakeBlank(*ecu);
    EXPECT_EQ(Optimisation::Optimise(*ecu, false), "Calculation Latency Optimisation Complete");
    EXPECT_EQ(Optimisation::Optimise(*ecu, true), "Balanced Optimisation Complete");
    EXPECT_EQ(ecu->LiveWordLinked[kLiveWords - 1], 1);
}

TEST_F(ConfigurationToolsTest, NumElementsCountsEachTypeWithItsPadding) {
    RawConfig raw(*ecu);
    for (int i = 0; i < 12; ++i)
        raw.add(ElementType::Summer);
    for (int i = 0; i < 150; ++i)
        raw.add(ElementType::Label);
    for (int i = 0; i < 1000; ++i)
        raw.add(ElementType::Display);
    raw.add(ElementType::AuxOnInj);
    raw.add(ElementType::Mux32);
    raw.finish();
    std::string text = ConfigurationReport::NumElementsText(*ecu);
    EXPECT_EQ(text.substr(0, 62), "6       Dedicated Elements  \n\r"
                                  "1       Inj Aux Output block  \n\r");
    EXPECT_NE(text.find("\n\r12     Summers  \n\r"), std::string::npos);
    EXPECT_NE(text.find("\n\r1000 Displays  \n\r150   Labels  \n\r"), std::string::npos);
    EXPECT_NE(text.find("\n\r1       32-Way Muxes  \n\r1164 Total  "), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 12), "1164 Total  ");
}

TEST_F(ConfigurationToolsTest, SearchFindsByIndexAddressesAndName) {
    NewConfiguration::MakeBlank(*ecu);
    int table = -1, gauge = -1;
    ASSERT_TRUE(ecu->CreateElement(ElementType::Table2D, 1, 1, "Fuel", 9, &table));
    ASSERT_TRUE(ecu->CreateElement(ElementType::Gauge, 1, 1, "Fuel", 0, &gauge));
    using Search::Mode;
    auto r = Search::Find(*ecu, Mode::Index, 0, "");
    EXPECT_TRUE(r.found);
    EXPECT_EQ(r.page, 1);
    r = Search::Find(*ecu, Mode::Index, 8, "");
    EXPECT_EQ(r.message, "There is no element with index 8");
    r = Search::Find(*ecu, Mode::ConfigAddress, ecu->ElementLogicOffset[table] + 7, "");
    EXPECT_EQ(r.element, table);
    EXPECT_EQ(r.page, 9);
    r = Search::Find(*ecu, Mode::ConfigAddress, ecu->LogicEnd(), "");
    EXPECT_EQ(r.message,
              "There is no element with logic address " + std::to_string(ecu->LogicEnd()));
    r = Search::Find(*ecu, Mode::ConstantAddress, ecu->ElementConstOffset[table] + 8, "");
    EXPECT_EQ(r.element, table);
    r = Search::Find(*ecu, Mode::ConstantAddress, ecu->ConstEnd(), "");
    EXPECT_EQ(r.message,
              "There is no element with constant address " + std::to_string(ecu->ConstEnd()));
    r = Search::Find(*ecu, Mode::LiveAddress, ecu->ElementLiveOffset[table] + 9, "");
    EXPECT_EQ(r.element, table);
    r = Search::Find(*ecu, Mode::LiveAddress, 8191, "");
    EXPECT_EQ(r.message, "There is no element with live address 8191");
    r = Search::Find(*ecu, Mode::Name, 0, "Fuel");
    EXPECT_EQ(r.element, gauge); // the last of that name
    r = Search::Find(*ecu, Mode::Name, 0, "fuel");
    EXPECT_EQ(r.message, "There is no element with name \"fuel\"");
    EXPECT_EQ(Search::Maximum(Mode::ConfigAddress), 45051);
    EXPECT_EQ(Search::Maximum(Mode::ConstantAddress), 31739);
    EXPECT_STREQ(Search::ModeCaption(Mode::LiveAddress), "Live Address");
}

TEST_F(ConfigurationToolsTest, ConstantExportListsEveryByteInChunksOfAHundred) {
    RawConfig raw(*ecu);
    raw.add(ElementType::Constant, 1, 0, 0, "C");
    raw.add(ElementType::Label, 1, 0, 0, "L");
    raw.add(ElementType::Table3D, 1, 0, 0, "T", 4, 9); // exactly 100 bytes
    raw.finish();
    ecu->WriteConstWord(0, 0xFF07);
    std::string header, values;
    for (int k = 0; k < 100; ++k) {
        header += "Offset " + std::to_string(k) + ",";
        values += std::to_string(ecu->ReadConstByte(2 + k)) + ",";
    }
    EXPECT_EQ(values.substr(0, 6), "4,9,0,");
    EXPECT_EQ(ConstantExport::Text(*ecu),
              "Constant Memory Usage (not including 1024 bytes of fixed constant data): 102\r\n"
              "Config Memory Usage (not including finish byte): 22\r\n"
              "\r\n"
              "C,Index 0,ID 1,Const address 0\r\n"
              "Offset 0,Offset 1,\r\n"
              "7,255,\r\n"
              "\r\n"
              "\r\n"
              "L,Index 1,ID 0,Const address 2\r\n"
              "No Constant Data\r\n"
              "\r\n"
              "T,Index 2,ID 4,Const address 2\r\n" +
                  header + "\r\n" + values + "\r\n\r\n\r\n\r\n\r\n");
    TempDir dir;
    std::string error;
    ASSERT_TRUE(ConstantExport::Write(*ecu, dir.path("c.csv"), error)) << error;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readWholeFile(dir.path("c.csv"), bytes, error));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), ConstantExport::Text(*ecu));
    EXPECT_FALSE(ConstantExport::Write(*ecu, dir.path("missing/c.csv"), error));
}

TEST_F(ConfigurationToolsTest, ChangeLogAppendsLinesWhileOn) {
    TempDir dir;
    ChangeLog log;
    ecu->ChangeLogger = &log;
    ecu->LogChange("before");
    EXPECT_FALSE(ecu->LoggingChanges());
    std::string error;
    ASSERT_TRUE(log.startFile(dir.path("one.csv"), error));
    EXPECT_TRUE(ecu->LoggingChanges());
    ecu->LogChange("Added a new Constant called x to page 2");
    ecu->LogChange("second \xB0");
    // Starting again closes the first file; the second one is truncated.
    ASSERT_TRUE(writeFileAtomically(dir.path("two.csv"), "old", 3, error));
    ASSERT_TRUE(log.startFile(dir.path("two.csv"), error));
    ecu->LogChange("third");
    log.stop();
    ecu->LogChange("after");
    std::vector<uint8_t> one, two;
    ASSERT_TRUE(readWholeFile(dir.path("one.csv"), one, error));
    ASSERT_TRUE(readWholeFile(dir.path("two.csv"), two, error));
    EXPECT_EQ(std::string(one.begin(), one.end()),
              "Added a new Constant called x to page 2\n\rsecond \xB0\n\r");
    EXPECT_EQ(std::string(two.begin(), two.end()), "third\n\r");

    EXPECT_FALSE(log.startFile(dir.path("no/such/folder.csv"), error));
    EXPECT_NE(error.find("no/such/folder.csv"), std::string::npos);
    EXPECT_FALSE(log.isOn());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ConfigurationToolsTest, AFailedWriteStopsLoggingWithTheSystemsMessage) {
    ChangeLog log;
    ecu->ChangeLogger = &log;
    std::string error;
    ASSERT_TRUE(log.startFile("/dev/full", error)) << error;
    ecu->LogChange("lost");
    EXPECT_FALSE(log.isOn());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("/dev/full"), std::string::npos);
}

} // namespace
