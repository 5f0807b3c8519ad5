#include "CliRunner.h"
#include "TempDir.h"
#include "files/AtomicFile.h"
#include "files/NewConfiguration.h"
#include "files/SettingsFile.h"
#include "model/Tables.h"

#include <gtest/gtest.h>
#include <memory>

using namespace zolmar;
using zolmar::test::runCli;

namespace {

struct TableCliTest : ::testing::Test {
    SilentMessages quiet;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(quiet);
    test::TempDir dir;
    int table = -1;

    TableCliTest() {
        NewConfiguration::MakeBlank(*ecu);
        EXPECT_TRUE(ecu->CreateElement(ElementType::Table3D, 1, 1, "Spark \xB0", 2, &table));
        Tables::AxisLayout h{0, 1000, 500}, v{0, 500, 500};
        EXPECT_TRUE(Tables::LayOut(*ecu, table, h, &v));
        Tables::Shape s;
        Tables::ShapeOf(*ecu, table, s);
        Tables::WriteCell(*ecu, s, 2, 1, 1001);
        std::string error;
        EXPECT_TRUE(SettingsFile::save(*ecu, dir.path("in.ecu"), error)) << error;
    }
    std::string read(const std::string& name) {
        std::vector<uint8_t> b;
        std::string error;
        EXPECT_TRUE(readWholeFile(dir.path(name), b, error)) << error;
        return std::string(b.begin(), b.end());
    }
    void write(const std::string& name, const std::string& text) {
        std::string error;
        EXPECT_TRUE(writeFileAtomically(dir.path(name), text.data(), text.size(), error));
    }
};

TEST_F(TableCliTest, ExportByNameOrIndexAndImportIntoANewFile) {
    auto r = runCli({"table-export", dir.path("in.ecu"), "Spark \u00b0", dir.path("t.csv")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "element: " + std::to_string(table) + "\ncolumns: 3\nrows: 2\n");
    EXPECT_EQ(read("t.csv"), "3D Table,0.00,10.00,20.00\r\n0.00,0.00,0.00,0.00\r\n"
                             "10.00,0.00,0.00,20.02\r\n");

    write("new.csv", "3D Table,0,10,20\r\n0,1,2,3\r\n10,4,5,6.5\r\n");
    r = runCli({"table-import", dir.path("in.ecu"), std::to_string(table), dir.path("new.csv"),
                dir.path("out.ecu")});
    EXPECT_EQ(r.code, 0) << r.err;
    auto out = std::make_unique<tECU>(quiet);
    std::string error;
    ASSERT_TRUE(SettingsFile::load(*out, dir.path("out.ecu"), error)) << error;
    Tables::Shape s;
    ASSERT_TRUE(Tables::ShapeOf(*out, table, s));
    EXPECT_EQ(Tables::Cell(*out, s, 2, 1), 324); // 6.5, untuned
    EXPECT_EQ(Tables::Cell(*out, s, 0, 0), 50);
    // The input file is untouched.
    r = runCli({"table-export", dir.path("in.ecu"), std::to_string(table), dir.path("again.csv")});
    EXPECT_EQ(read("again.csv"), read("t.csv"));
}

TEST_F(TableCliTest, RefusalsPrintTheReasonAndSaveNothing) {
    write("bad.csv", "3D Table,0,10,20\r\n0,1,2,3\r\n");
    auto r =
        runCli({"table-import", dir.path("in.ecu"), std::to_string(table), dir.path("bad.csv")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err,
              "zolmar-cli: Incorrect format in csv file (the file ends before the table does)!\n");
    r = runCli({"table-export", dir.path("in.ecu"), "0", dir.path("x.csv")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "zolmar-cli: no 2D or 3D table \"0\"\n");
    r = runCli({"table-export", dir.path("in.ecu"), "99999999", dir.path("x.csv")});
    EXPECT_EQ(r.code, 1);
    r = runCli({"table-import", dir.path("in.ecu")});
    EXPECT_EQ(r.code, 2);
    r = runCli({"--help"});
    EXPECT_NE(r.out.find("table-import FILE.ecu TABLE IN.csv [OUT.ecu]"), std::string::npos);
}

} // namespace
