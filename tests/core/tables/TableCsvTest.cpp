#include "tables/TableCsv.h"
#include "TableTestSupport.h"
#include "TempDir.h"

#include <fstream>

using namespace zolmar;
using Tables::Axis;

namespace {

struct TableCsvTest : test::TableFixture {
    // Imports and returns the message shown, empty when it succeeded.
    std::string import(int t, const std::string& text) {
        messages.shown.clear();
        bool ok = TableCsv::Import(*ecu, t, text, "in.csv");
        EXPECT_EQ(ok, messages.shown.empty());
        return messages.shown.empty() ? std::string() : messages.shown.back().text;
    }
};

TEST_F(TableCsvTest, ExportWritesTwoDecimalsWithTheTunedFlag) {
    int t = table2D("Fuel", {101, -75, 0}, 500);
    EXPECT_EQ(TableCsv::Export(*ecu, t), "2D Table,0.00,10.00,20.00\r\n,2.02,-1.50,0.00\r\n");
    int v = table3D("VE", 2, 2, 25);
    setCell(v, 1, 1, 4);
    EXPECT_EQ(TableCsv::Export(*ecu, v),
              "3D Table,0.00,0.50\r\n0.00,0.00,0.00\r\n0.50,0.00,0.08\r\n");
}

TEST_F(TableCsvTest, RoundTripKeepsValuesAndClearsTunedFlags) {
    int v = table3D("VE", 4, 3, 250);
    int n = 0;
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 4; ++i)
            setCell(v, i, j, (n++ * 977) % 32000 - 16000 + 1);
    std::string text = TableCsv::Export(*ecu, v);
    int copy = table3D("Copy", 4, 3, 50);
    EXPECT_EQ(import(copy, text), "");
    for (int j = 0; j < 3; ++j) {
        EXPECT_EQ(reference(copy, Axis::Vertical, j), reference(v, Axis::Vertical, j));
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(cell(copy, i, j), cell(v, i, j) & ~1);
    }
    EXPECT_EQ(reference(copy, Axis::Horizontal, 3), 750);
    EXPECT_EQ(lines->bytes, "Imported the contents of the csv file called in.csv into the table "
                            "called Copy on page 2\n\r");
}

TEST_F(TableCsvTest, ReferenceLineMayBeLongerButNotShorter) {
    int t = table2D("Fuel", {0, 0, 0});
    EXPECT_EQ(import(t, "2D Table,1,2\r\n,1,2,3\r\n"),
              "Table in csv file cannot be smaller than current table!");
    EXPECT_EQ(import(t, "2D Table,1,2,3\r\n,4,5\r\n"),
              "Table in csv file cannot be smaller than current table!");
    EXPECT_EQ(import(t, "2D Table,1,2,3,4\r\n,4,5,6,7,\r\n"), "");
    EXPECT_EQ(reference(t, Axis::Horizontal, 2), 150);
    EXPECT_EQ(cell(t, 2), 300);
    EXPECT_EQ(shape(t).columns, 3);
}

TEST_F(TableCsvTest, WhatSpreadsheetsSaveImportsAsItIs) {
    int v = table3D("VE", 3, 2);
    // A byte-order mark, quoted fields, LF line ends, a trailing empty line.
    EXPECT_EQ(import(v, "\xEF\xBB\xBF\"3D Table\",\"0\",1,2\n5,1,1.5,2\n6,3,3.5,4\n\n"), "");
    EXPECT_EQ(reference(v, Axis::Horizontal, 2), 100);
    EXPECT_EQ(reference(v, Axis::Vertical, 1), 300);
    EXPECT_EQ(cell(v, 1, 0), 74) << "75 with its tuned bit cleared";
    EXPECT_EQ(cell(v, 2, 1), 200);
    int t = table2D("Fuel", {0, 0});
    EXPECT_EQ(import(t, "\xEF\xBB\xBF"
                        "2D Table,1,2\n,3,4\n"),
              "");
    EXPECT_EQ(cell(t, 1), 200);
    // A mark inside the data is still a letter where a number belongs.
    EXPECT_NE(import(t, "2D Table,1,\xEF\xBB\xBF"
                        "2\n,3,4\n"),
              "");
    // The change log keeps the image's text: a UTF-8 file name is converted.
    lines->bytes.clear();
    ASSERT_TRUE(TableCsv::Import(*ecu, t, "2D Table,1,2\n,3,4\n", "K\xC3\xBChler.csv"));
    EXPECT_NE(lines->bytes.find("K\xFChler.csv"), std::string::npos);
}

TEST_F(TableCsvTest, ShortThreeDimensionalRowsImportZeros) {
    int v = table3D("VE", 4, 2);
    setCell(v, 3, 1, 900);
    EXPECT_EQ(import(v, "3D Table,0,1,2,3\r\n5,1,1,1,1\r\n6,2,2\r\n"), "");
    EXPECT_EQ(cell(v, 1, 1), 100);
    EXPECT_EQ(cell(v, 2, 1), 0);
    EXPECT_EQ(cell(v, 3, 1), 0);
    EXPECT_EQ(reference(v, Axis::Vertical, 1), 300);
}

TEST_F(TableCsvTest, MalformedFilesChangeNothing) {
    int v = table3D("VE", 2, 2);
    setCell(v, 0, 0, 42);
    const std::string before = TableCsv::Export(*ecu, v);
    struct Case {
        const char* text;
        const char* message;
    };
    const char* letter =
        "Incorrect format in csv file (letter found where a number, or . , or - was expected)!";
    const char* range = "Incorrect format in csv file (at least one reference or entry falls "
                        "outside the -655 to +655 range)!";
    const Case cases[] = {
        {"2D Table,0,1\r\n,0,0\r\n",
         "Incompatible table type, or incorrect format in csv file (string in top left cell in "
         "csv file must be \"2D Table\" or \"3D Table\")!"},
        {"3D Table,0,2500\r\n0,1,1\r\n1,1,1\r\n", range},
        {"3D Table,0,700\r\n0,1,1\r\n1,1,1\r\n", range},
        {"3D Table,0,1\r\n0,1,1\r\n1,99999999999999999999,1\r\n", range},
        {"3D Table,0,1.2.3\r\n0,1,1\r\n1,1,1\r\n",
         "Incorrect format in csv file (multiple decimal places between subsequent commas)!"},
        {"3D Table,0,1-2\r\n0,1,1\r\n1,1,1\r\n",
         "Incorrect format in csv file (minus sign in an invalid location)!"},
        {"3D Table,0,1e3\r\n0,1,1\r\n1,1,1\r\n", letter},
        {"3D Table,0,1\r\n0,1,1\r\n", "Incorrect format in csv file (the file ends before the "
                                      "table does)!"},
        {"3D Table,0,\r\n0,1,1\r\n1,1,1\r\n",
         "Incorrect format in csv file (a field holds no number where one was expected)!"},
        {"3D Table,0,-\r\n0,1,1\r\n1,1,1\r\n",
         "Incorrect format in csv file (a field holds no number where one was expected)!"},
        {"3D", "Incorrect format in csv file (the file ends before the table does)!"},
        {"", "Incompatible table type, or incorrect format in csv file (string in top left cell "
             "in csv file must be \"2D Table\" or \"3D Table\")!"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(import(v, c.text), c.message) << c.text;
        EXPECT_EQ(TableCsv::Export(*ecu, v), before) << c.text;
    }
    EXPECT_TRUE(lines->bytes.empty());
}

TEST_F(TableCsvTest, FieldsRoundHalvesAwayFromZeroExactly) {
    int t = table2D("Fuel", {0, 0, 0, 0});
    EXPECT_EQ(import(t, "2D Table,0.01,-0.01,2.01,655.34\r\n,2.01,-0.03,-655.36,0.029\r\n"), "");
    EXPECT_EQ(reference(t, Axis::Horizontal, 0), 1);
    EXPECT_EQ(reference(t, Axis::Horizontal, 1), -1);
    EXPECT_EQ(reference(t, Axis::Horizontal, 2), 101);
    EXPECT_EQ(reference(t, Axis::Horizontal, 3), 32767);
    EXPECT_EQ(cell(t, 0), 100); // 100.5 -> 101, bit 0 cleared
    EXPECT_EQ(cell(t, 1), -2);  // -1.5 -> -2
    EXPECT_EQ(cell(t, 2), -32768);
    EXPECT_EQ(cell(t, 3), 0); // 1.45 -> 1 -> 0
    EXPECT_NE(import(t, "2D Table,0,0,0,655.35\r\n,0,0,0,0\r\n"), "");
}

TEST_F(TableCsvTest, FilesAreWrittenAndReadBack) {
    test::TempDir dir;
    int t = table2D("Fuel", {100, 200});
    std::string error;
    ASSERT_TRUE(TableCsv::ExportFile(*ecu, t, dir.path("fuel.csv"), error)) << error;
    setCell(t, 0, 0, 0);
    ASSERT_TRUE(TableCsv::ImportFile(*ecu, t, dir.path("fuel.csv")));
    EXPECT_EQ(cell(t, 0), 100);
    EXPECT_FALSE(TableCsv::ImportFile(*ecu, t, dir.path("missing.csv")));
    EXPECT_FALSE(messages.shown.empty());
}

} // namespace
