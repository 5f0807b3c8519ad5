#include "CliRunner.h"
#include "TempDir.h"
#include "files/AtomicFile.h"
#include "files/ConstantExport.h"
#include "files/NewConfiguration.h"
#include "files/SettingsFile.h"
#include "model/PinTable.h"
#include "model/Tables.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>

using namespace zolmar;
using zolmar::test::runCli;
using zolmar::test::TempDir;

namespace {

struct ModelCliTest : ::testing::Test {
    SilentMessages quiet;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(quiet);
    TempDir dir;

    std::string save(const tECU& model, const std::string& name) {
        std::string path = dir.path(name);
        std::string error;
        EXPECT_TRUE(SettingsFile::save(model, path, error)) << error;
        return path;
    }
    std::vector<uint8_t> bytes(const std::string& path) {
        std::vector<uint8_t> b;
        std::string error;
        EXPECT_TRUE(readWholeFile(path, b, error)) << error;
        return b;
    }
    std::string write(const std::string& name, const std::string& text) {
        std::string error;
        EXPECT_TRUE(writeFileAtomically(dir.path(name), text.data(), text.size(), error));
        return dir.path(name);
    }
};

TEST_F(ModelCliTest, NewBlankWritesTheBlankConfiguration) {
    auto r = runCli({"new-blank", dir.path("blank.ecu")});
    ASSERT_EQ(r.code, 0) << r.err;
    NewConfiguration::MakeBlank(*ecu);
    EXPECT_EQ(bytes(dir.path("blank.ecu")), bytes(save(*ecu, "model.ecu")));
    auto info = runCli({"info", dir.path("blank.ecu")});
    EXPECT_NE(info.out.find("ConstUsage: 429\n"), std::string::npos);
    EXPECT_NE(info.out.find("\n6       Total  \n"), std::string::npos);
    EXPECT_EQ(runCli({"new-blank"}).code, 2);
}

TEST_F(ModelCliTest, EditGivesTheFileTheModelsOperationsGive) {
    NewConfiguration::MakeBlank(*ecu);
    PinTable::SetPinName(*ecu, 32, "MAP");
    std::string in = save(*ecu, "in.ecu");
    std::string script = write("s.txt", "# build a small fuel map\n"
                                        "create 4 20 4 2 Fuel \xC2\xB0map\n"
                                        "create 1 2 4 2 Trim\n"
                                        "create 6 30 4 2 Mult\n"
                                        "create 16 1 1 0 G\n"
                                        "link 6 0 1 0\n"
                                        "link 6 1 0 44\n"
                                        "link 8 0 6 0\n"
                                        "link 8 1 7 0\n"
                                        "literal 8 2 0.98\n"
                                        "unlink 8 1\n"
                                        "link 9 0 8 0\n"
                                        "const-word 7 0 -25\n"
                                        "const-byte 9 8 5\n"
                                        "rename 2 Fuelling\n"
                                        "table-layout 6 0 100 25 0 60 20\n"
                                        "table-insert 6 row 30\n"
                                        "table-delete 6 col 1 1\n"
                                        "delete 7\n"
                                        "optimise latency\n"
                                        "optimise balanced\n");
    auto r = runCli({"edit", in, script, dir.path("out.ecu")});
    ASSERT_EQ(r.code, 0) << r.err;

    // The same through the model, on the loaded file.
    std::string error;
    ASSERT_TRUE(SettingsFile::load(*ecu, in, error));
    ASSERT_TRUE(ecu->CreateElement(4, 20, 4, "Fuel \xB0map", 2));
    ASSERT_TRUE(ecu->CreateElement(1, 2, 4, "Trim", 2));
    ASSERT_TRUE(ecu->CreateElement(6, 30, 4, "Mult", 2));
    ASSERT_TRUE(ecu->CreateElement(16, 1, 1, "G", 0));
    ecu->LinkInput(6, 0, 1, 0);
    ecu->LinkInput(6, 1, 0, 44);
    ecu->LinkInput(8, 0, 6, 0);
    ecu->LinkInput(8, 1, 7, 0);
    ecu->SetLiteral(8, 2, 0.98);
    ecu->UnlinkInput(ecu->ElementLogicOffset[8], 2);
    ecu->LinkInput(9, 0, 8, 0);
    ecu->WriteConstWord(ecu->ElementConstOffset[7], static_cast<uint16_t>(-25));
    ecu->WriteConstByte(ecu->ElementConstOffset[9] + 8, 5);
    ecu->RenameSlot(2, "Fuelling");
    Tables::SetupTexts h{"0", "100", "25"}, v{"0", "60", "20"};
    ASSERT_TRUE(Tables::SetUp(*ecu, 6, h, &v));
    int index = 0;
    ASSERT_TRUE(Tables::InsertAt(*ecu, 6, Tables::Axis::Vertical, "30", index));
    ASSERT_TRUE(Tables::Delete(*ecu, 6, Tables::Axis::Horizontal, 1, 1));
    ecu->DeleteElement(7);
    ecu->OptimiseOrder(false);
    ecu->OptimiseOrder(true);
    EXPECT_EQ(bytes(dir.path("out.ecu")), bytes(save(*ecu, "model.ecu")));

    auto names = runCli({"names", dir.path("out.ecu")});
    ASSERT_EQ(names.code, 0) << names.err;
    EXPECT_NE(names.out.find("\" 3D Table (type 4) on page 3\n"
                             "  input 0: Page3.Fuel \xC2\xB0map.In1 <- Pg3.Analogue inputs: Ana 1 "
                             "(MAP)\n"
                             "  input 1: Page3.Fuel \xC2\xB0map.In2 <- Pg2.Inputs: RPM / 100\n"
                             "  input 2: Page3.Fuel \xC2\xB0map.LearnV = 0.00\n"),
              std::string::npos)
        << names.out;
    EXPECT_NE(names.out.find("  input 1: Page3.Mult.InputB = 1.00\n"
                             "  input 2: Page3.Mult.InputC = 0.96\n" // bit 0 of 49 cleared
                             "  output 0: Pg3.Mult\n"),
              std::string::npos)
        << names.out;
    EXPECT_NE(names.out.find("  output 4: Pg3.Fuel \xC2\xB0map.Tuned\n"), std::string::npos);
}

TEST_F(ModelCliTest, ARefusedOperationWritesNothing) {
    NewConfiguration::MakeBlank(*ecu);
    std::string in = save(*ecu, "in.ecu");
    std::string out = dir.path("out.ecu");
    auto r = runCli({"edit", in, write("s.txt", "create 1 0 0 1 a\ncreate 1 0 0 0 b\n"), out});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "zolmar-cli: line 2: This page can only contain Gauge elements or Labels\n");
    EXPECT_FALSE(std::filesystem::exists(out));
    r = runCli({"edit", in, write("t.txt", "create 1 0 0 1\nwhatever\n"), out});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "zolmar-cli: line 2: unknown operation \"whatever\"\n");
    r = runCli({"edit", in, dir.path("missing.txt"), out});
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(runCli({"edit", in, out}).code, 2);
}

TEST_F(ModelCliTest, ExportConstantsWritesTheExportText) {
    NewConfiguration::MakeBlank(*ecu);
    std::string in = save(*ecu, "in.ecu");
    auto r = runCli({"export-constants", in, dir.path("c.csv")});
    ASSERT_EQ(r.code, 0) << r.err;
    auto csv = bytes(dir.path("c.csv"));
    EXPECT_EQ(std::string(csv.begin(), csv.end()), ConstantExport::Text(*ecu));
    EXPECT_EQ(runCli({"export-constants", dir.path("none.ecu"), dir.path("d.csv")}).code, 1);
}

TEST_F(ModelCliTest, HelpDocumentsTheCommands) {
    auto help = runCli({"--help"});
    for (const char* usage : {"new-blank OUT.ecu", "edit IN.ecu SCRIPT OUT.ecu", "names FILE.ecu",
                              "export-constants FILE.ecu OUT.csv", "table-delete ELEM col|row"})
        EXPECT_NE(help.out.find(usage), std::string::npos) << usage;
}

} // namespace
