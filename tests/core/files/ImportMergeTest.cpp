#include "files/ImportMerge.h"
#include "files/ConfigurationProperties.h"
#include "files/NewConfiguration.h"
#include "files/SettingsFile.h"
#include "link/SyncEngine.h"
#include "model/PinTable.h"
#include "model/Tables.h"

#include <gtest/gtest.h>
#include <memory>

using namespace zolmar;
using namespace zolmar::Layout;

namespace {

struct ImportMergeTest : ::testing::Test {
    RecordingMessages messages;

    std::unique_ptr<tECU> blank() {
        auto ecu = std::make_unique<tECU>(messages);
        NewConfiguration::MakeBlank(*ecu);
        return ecu;
    }
    int add(tECU& ecu, int type, const std::string& name) {
        int index = -1;
        EXPECT_TRUE(ecu.CreateElement(type, 12, 3, name, 7, &index)) << name;
        return index;
    }
    // A 2D table of n points whose cells hold base, base + 2, ...
    int table(tECU& ecu, const std::string& name, int n, uint16_t base) {
        int e = add(ecu, ElementType::Table2D, name);
        Tables::AxisLayout axis{0, 50 * (n - 1), 50};
        EXPECT_TRUE(Tables::LayOut(ecu, e, axis, nullptr));
        Tables::Shape shape;
        Tables::ShapeOf(ecu, e, shape);
        for (int c = 0; c < n; ++c)
            Tables::WriteCell(ecu, shape, c, 0, static_cast<uint16_t>(base + 2 * c));
        return e;
    }
    void setConstant(tECU& ecu, int e, uint16_t raw) {
        ecu.WriteConstWord(ecu.ElementConstOffset[e], raw);
    }
    uint16_t constantOf(tECU& ecu, int e) { return ecu.ReadConstWord(ecu.ElementConstOffset[e]); }
    // Tickboxes, summers and muxes keep one byte.
    void setByte(tECU& ecu, int e, uint8_t value) {
        ecu.WriteConstByte(ecu.ElementConstOffset[e], value);
    }
    uint8_t byteOf(tECU& ecu, int e) { return ecu.ReadConstByte(ecu.ElementConstOffset[e]); }

    std::unique_ptr<tECU> merged(tECU& configuration, tECU& values) {
        std::vector<uint8_t> result;
        std::string error;
        EXPECT_TRUE(ImportMerge::Merge(SettingsFile::fromImage(configuration),
                                       SettingsFile::fromImage(values), result, error))
            << error;
        auto ecu = std::make_unique<tECU>(messages);
        ImportMerge::Apply(*ecu, result);
        return ecu;
    }
};

TEST_F(ImportMergeTest, MergingAConfigurationWithItselfChangesNoByte) {
    auto ecu = blank();
    int k = add(*ecu, ElementType::Constant, "Idle target");
    setConstant(*ecu, k, 1234);
    table(*ecu, "Fuel", 6, 500);
    int s = add(*ecu, ElementType::Summer, "Sum");
    ASSERT_TRUE(ecu->LinkInput(s, 0, k, 0));
    PinTable::SetPinName(*ecu, 32, "MAP");
    auto before = SettingsFile::fromImage(*ecu);
    std::vector<uint8_t> result;
    std::string error;
    ASSERT_TRUE(ImportMerge::Merge(before, before, result, error));
    EXPECT_EQ(result, before);
    EXPECT_TRUE(ImportMerge::FailedMatches(before, before).empty());
}

TEST_F(ImportMergeTest, DiagramFromOneSourceCalibrationFromTheOther) {
    auto configuration = blank();
    int k = add(*configuration, ElementType::Constant, "Boost limit");
    setConstant(*configuration, k, 100);
    int tick = add(*configuration, ElementType::Tickbox, "Launch on");
    setByte(*configuration, tick, 0);
    int sum = add(*configuration, ElementType::Summer, "Sum");
    setByte(*configuration, sum, 77); // not matched by name: stays the diagram's
    ASSERT_TRUE(configuration->LinkInput(sum, 0, k, 0));
    int onlyHere = add(*configuration, ElementType::Constant, "New in diagram");
    setConstant(*configuration, onlyHere, 9);
    configuration->SetImageByte(0x00AE, 0x11, true); // calibration offset: the diagram's
    ConfigurationProperties::WriteAll(*configuration, {"Old tuner", "", "", "", "", "", ""});

    auto values = blank();
    int vt = add(*values, ElementType::Tickbox, "Launch on");
    setByte(*values, vt, 50);
    int vk = add(*values, ElementType::Constant, "Boost limit");
    setConstant(*values, vk, 650);
    int vs = add(*values, ElementType::Summer, "Sum");
    setByte(*values, vs, 1);
    int lost = add(*values, ElementType::Constant, "Only in values");
    setConstant(*values, lost, 5);
    values->SetImageByte(0x00AE, 0x22, true);
    values->WriteConstByte(0, 0x5A); // a setting of the inputs element
    PinTable::SetPinName(*values, 32, "MAP");
    ConfigurationProperties::WriteAll(*values, {"New tuner", "0123", "", "", "", "", ""});

    auto result = merged(*configuration, *values);
    ASSERT_EQ(result->NumElements, configuration->NumElements);
    EXPECT_EQ(constantOf(*result, k), 650);
    EXPECT_EQ(byteOf(*result, tick), 50);
    EXPECT_EQ(byteOf(*result, sum), 77);
    EXPECT_EQ(constantOf(*result, onlyHere), 9);
    EXPECT_EQ(result->FindElementByName("Only in values", false), -1);
    EXPECT_EQ(result->InputWord(sum, 0), configuration->InputWord(sum, 0)); // link intact
    EXPECT_EQ(result->ReadConstByte(0), 0x5A);
    EXPECT_EQ(result->ImageByte(0x00AE), 0x11);
    EXPECT_EQ(PinTable::PinName(*result, 32), "MAP");
    EXPECT_EQ(ConfigurationProperties::Read(*result, 0), "New tuner");
    EXPECT_EQ(ConfigurationProperties::Read(*result, 1), "0123");
    EXPECT_TRUE(result->Modified);
    EXPECT_TRUE(messages.shown.empty()) << messages.shown[0].text;
}

TEST_F(ImportMergeTest, LargerTableTakesItsSizeAndMovesLaterConstants) {
    auto configuration = blank();
    int t = table(*configuration, "Fuel", 4, 100);
    int after = add(*configuration, ElementType::Constant, "After");
    setConstant(*configuration, after, 321);
    auto values = blank();
    table(*values, "Fuel", 10, 1000);
    auto result = merged(*configuration, *values);

    EXPECT_EQ(result->ConstEnd(), configuration->ConstEnd() + 24);
    EXPECT_EQ(result->ImageWord(0) & 0x7FFF, (configuration->ImageWord(0) & 0x7FFF) + 24);
    EXPECT_EQ(result->ElementConstOffset[after], configuration->ElementConstOffset[after] + 24);
    EXPECT_EQ(constantOf(*result, after), 321);
    Tables::Shape shape;
    ASSERT_TRUE(Tables::ShapeOf(*result, t, shape));
    EXPECT_EQ(shape.columns, 10);
    EXPECT_EQ(Tables::Cell(*result, shape, 9, 0), 1018);
    EXPECT_TRUE(messages.shown.empty()); // usage words agree with the grown data
}

TEST_F(ImportMergeTest, AmbiguousOrMistypedNamesKeepTheDiagramsData) {
    auto configuration = blank();
    int twice = table(*configuration, "Twice", 3, 10);
    int wrongType = add(*configuration, ElementType::Constant, "Mixed");
    setConstant(*configuration, wrongType, 40);
    int dupInDiagram = add(*configuration, ElementType::Tickbox, "Dup");
    add(*configuration, ElementType::Tickbox, "Dup");
    auto values = blank();
    table(*values, "Twice", 3, 500);
    table(*values, "Twice", 5, 600);
    add(*values, ElementType::Tickbox, "Mixed");
    int vd = add(*values, ElementType::Tickbox, "Dup");
    setByte(*values, vd, 50);

    auto lines = ImportMerge::FailedMatches(SettingsFile::fromImage(*configuration),
                                            SettingsFile::fromImage(*values));
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "- The 2D Table called \"Twice\"", "- The Constant called \"Mixed\"",
                         "- The Tickbox called \"Dup\"", "- The Tickbox called \"Dup\""}));
    auto result = merged(*configuration, *values);
    Tables::Shape shape;
    ASSERT_TRUE(Tables::ShapeOf(*result, twice, shape));
    EXPECT_EQ(shape.columns, 3);
    EXPECT_EQ(Tables::Cell(*result, shape, 0, 0), 10);
    EXPECT_EQ(constantOf(*result, wrongType), 40);
    EXPECT_EQ(byteOf(*result, dupInDiagram), 0);
}

TEST_F(ImportMergeTest, NamesBeyondTheLastElementStillCountAsOccurrences) {
    auto configuration = blank();
    int k = add(*configuration, ElementType::Constant, "Ghost");
    auto values = blank();
    int vk = add(*values, ElementType::Constant, "Ghost");
    setConstant(*values, vk, 99);
    // A stale name left in a slot past the last element, as deleting leaves none but
    // other tools might.
    values->RenameSlot(kNumPages + 100, "Ghost");
    auto result = merged(*configuration, *values);
    EXPECT_EQ(constantOf(*result, k), 0);
}

TEST_F(ImportMergeTest, MergeThatWouldOverflowTheConstantAreaIsRefused) {
    auto configuration = blank();
    table(*configuration, "Big", 2, 0);
    auto values = blank();
    int v = add(*values, ElementType::Table2D, "Big");
    Tables::AxisLayout axis{0, 50 * 254, 50};
    ASSERT_TRUE(Tables::LayOut(*values, v, axis, nullptr));
    // The diagram's constant area nearly full of wide tables: 1012 more bytes do not fit.
    while (Tables::FreeConstSpace(*configuration) > 1012) {
        int filler = add(*configuration, ElementType::Table2D, "");
        ASSERT_TRUE(Tables::LayOut(*configuration, filler, axis, nullptr));
    }
    std::vector<uint8_t> result{1, 2, 3};
    std::string error;
    EXPECT_FALSE(ImportMerge::Merge(SettingsFile::fromImage(*configuration),
                                    SettingsFile::fromImage(*values), result, error));
    EXPECT_NE(error.find("31740"), std::string::npos);
    EXPECT_EQ(result, (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(ImportMergeTest, CorruptDimensionsInTheValuesSourceAreRefusedNotCopied) {
    auto configuration = blank();
    add(*configuration, ElementType::Table3D, "Spark");
    auto values = blank();
    int v = add(*values, ElementType::Table3D, "Spark");
    // Dimension bytes no editor would write: 255 x 255 cells need 130 kB.
    values->WriteConstByte(values->ElementConstOffset[v], 255);
    values->WriteConstByte(values->ElementConstOffset[v] + 1, 255);
    std::vector<uint8_t> result;
    std::string error;
    EXPECT_FALSE(ImportMerge::Merge(SettingsFile::fromImage(*configuration),
                                    SettingsFile::fromImage(*values), result, error));
    EXPECT_TRUE(result.empty());
    // Random bytes in both sources: whatever comes out, nothing leaves the image.
    std::vector<uint8_t> a(SettingsFile::kFileSize);
    std::vector<uint8_t> b(SettingsFile::kFileSize);
    uint32_t x = 7700;
    for (size_t k = 0; k < a.size(); ++k) {
        x = x * 1103515245u + 12345u;
        a[k] = static_cast<uint8_t>(x >> 16);
        b[k] = static_cast<uint8_t>(x >> 24) % 8;
    }
    if (ImportMerge::Merge(a, b, result, error)) {
        EXPECT_EQ(result.size(), static_cast<size_t>(SettingsFile::kFileSize));
    }
    ImportMerge::FailedMatches(b, a);
}

TEST_F(ImportMergeTest, ValidationExplainsWhatIsMissing) {
    ImportMerge::Source file;
    ImportMerge::Source current;
    current.useCurrent = true;
    auto s = ImportMerge::Validate(file, current, false);
    EXPECT_FALSE(s.goEnabled);
    EXPECT_EQ(s.text, "You need to select a file for the Element Configuration source.\r\n \r\n"
                      "The current settings are not valid.\r\n \r\n");

    auto ecu = blank();
    add(*ecu, ElementType::Stepper, "Idle valve");
    current.bytes = SettingsFile::fromImage(*ecu);
    file.fileName = "/tmp/old.ecu";
    auto other = blank();
    file.bytes = SettingsFile::fromImage(*other);
    s = ImportMerge::Validate(current, file, true);
    EXPECT_TRUE(s.goEnabled);
    EXPECT_EQ(s.text.rfind("The following will be taken from the Configuration Source (the "
                           "current settings) ...\r\n",
                           0),
              0u);
    EXPECT_NE(s.text.find("Values Source (\"/tmp/old.ecu\") ...\r\n"), std::string::npos);
    EXPECT_NE(s.text.find("\r\n- The Stepper Block called \"Idle valve\"\r\n"), std::string::npos);

    EXPECT_TRUE(ImportMerge::CurrentValid(Link::Offline));
    EXPECT_TRUE(ImportMerge::CurrentValid(Link::NewConfiguration));
    EXPECT_FALSE(ImportMerge::CurrentValid(Link::Startup));
    EXPECT_FALSE(ImportMerge::CurrentValid(Link::ReadingAll));
    EXPECT_FALSE(ImportMerge::CurrentValid(Link::AskLoadOrWrite));
}

TEST_F(ImportMergeTest, ShortSourcesAreRefused) {
    std::vector<uint8_t> result;
    std::string error;
    std::vector<uint8_t> shortFile(SettingsFile::kFileSize - 1, 0);
    auto ecu = blank();
    EXPECT_FALSE(ImportMerge::Merge(SettingsFile::fromImage(*ecu), shortFile, result, error));
    EXPECT_FALSE(error.empty());
}

// ---------------------------------------------------------------- properties

TEST_F(ImportMergeTest, PropertiesFieldsAreCutToTheirSlotsAndAlwaysMarked) {
    auto ecu = blank();
    for (long o = 0x30F; o <= 0x400; ++o)
        ecu->SetSync(o, Sync::InStep);
    ecu->Modified = false;
    ConfigurationProperties::WriteAll(
        *ecu, {"Tuner", "0123456789012345678901234", "a@b", "", "", "", std::string(45, 'x')});
    EXPECT_EQ(ConfigurationProperties::Read(*ecu, 1), "0123456789");
    EXPECT_EQ(ecu->ImageByte(0x338), 'a'); // the phone did not run into the e-mail
    EXPECT_EQ(ConfigurationProperties::Read(*ecu, 6), std::string(40, 'x'));
    EXPECT_EQ(ecu->ImageByte(0x315), 0);
    for (long o = 0x310; o < 0x400; ++o)
        ASSERT_EQ(ecu->SyncAt(o), Sync::ToWrite) << o;
    EXPECT_TRUE(ecu->Modified);
    // Nothing beyond the seven fields: the pin table and the constants stay as they were.
    EXPECT_EQ(ecu->SyncAt(0x30F), Sync::InStep);
    EXPECT_EQ(ecu->SyncAt(0x400), Sync::InStep);
}

} // namespace
