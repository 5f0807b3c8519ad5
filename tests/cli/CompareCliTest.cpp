#include "CliRunner.h"
#include "TempDir.h"
#include "files/SettingsFile.h"
#include "model/Tables.h"

#include <gtest/gtest.h>
#include <memory>

using namespace zolmar;
using zolmar::test::runCli;
using zolmar::test::TempDir;

namespace {

struct CompareCliTest : ::testing::Test {
    SilentMessages quiet;
    TempDir dir;

    std::unique_ptr<tECU> defaults() {
        auto ecu = std::make_unique<tECU>(quiet);
        std::string error;
        EXPECT_TRUE(SettingsFile::load(*ecu, ZOLMAR_DEFAULT_CONFIG, error)) << error;
        return ecu;
    }
    std::string save(const tECU& ecu, const std::string& name) {
        std::string path = dir.path(name);
        std::string error;
        EXPECT_TRUE(SettingsFile::save(ecu, path, error)) << error;
        return path;
    }
    static int firstOf(const tECU& ecu, int type) {
        for (int i = 0; i < ecu.NumElements; ++i)
            if (ecu.TypeOf(i) == type)
                return i;
        return -1;
    }
};

TEST_F(CompareCliTest, DiffPrintsKeysAndApplyDiffTakesThemBack) {
    auto a = defaults();
    const std::string pathA = save(*a, "a.ecu");
    auto same = runCli({"diff", pathA, ZOLMAR_DEFAULT_CONFIG});
    EXPECT_EQ(same.code, 0) << same.err;
    EXPECT_EQ(same.out, "differences: 0\n");

    auto b = defaults();
    ASSERT_TRUE(b->RenameSlot(4, "Tuned \xB0"));
    const int t = firstOf(*b, ElementType::Table3D);
    Tables::Shape shape;
    ASSERT_TRUE(Tables::ShapeOf(*b, t, shape));
    Tables::WriteCell(*b, shape, 0, 0, static_cast<uint16_t>(Tables::Cell(*b, shape, 0, 0) + 100));
    const std::string pathB = save(*b, "b.ecu");

    auto d = runCli({"diff", pathA, pathB});
    EXPECT_EQ(d.code, 1);
    EXPECT_NE(d.out.find("page/5/name: \"" + a->ExactNameOf(4) + "\" -> \"Tuned \xC2\xB0\"\n"),
              std::string::npos)
        << d.out;
    EXPECT_NE(d.out.find("cells/3DTable/"), std::string::npos);
    EXPECT_NE(d.out.find("/c1r1: "), std::string::npos);
    EXPECT_NE(d.out.find("cells differ, largest change +2.00, mean change +2.00\n"),
              std::string::npos);
    EXPECT_NE(d.out.find("differences: 2\n"), std::string::npos);

    auto tablesOnly = runCli({"diff", "--only", "tables", pathA, pathB});
    EXPECT_EQ(tablesOnly.code, 1);
    EXPECT_EQ(tablesOnly.out.find("page/"), std::string::npos);
    auto settingsOnly = runCli({"diff", pathA, pathB, "--only=settings"});
    EXPECT_EQ(settingsOnly.code, 0);
    EXPECT_EQ(runCli({"diff", pathA, pathB, "--only", "cells"}).code, 2);

    const std::string out = dir.path("out.ecu");
    auto applied = runCli({"apply-diff", pathA, pathB, "page/5/name", out});
    EXPECT_EQ(applied.code, 0) << applied.err;
    EXPECT_NE(applied.out.find("differences left: 1\n"), std::string::npos);
    auto left = runCli({"diff", out, pathB});
    EXPECT_EQ(left.code, 1);
    EXPECT_EQ(left.out.find("page/"), std::string::npos);

    auto all = runCli({"apply-diff", pathA, pathB, "all", out});
    EXPECT_EQ(all.code, 0);
    EXPECT_EQ(runCli({"diff", out, pathB}).code, 0);

    auto unknown = runCli({"apply-diff", pathA, pathB, "page/9/name", dir.path("none.ecu")});
    EXPECT_EQ(unknown.code, 1);
    EXPECT_NE(unknown.err.find("No difference has the key page/9/name"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.path("none.ecu")));
    EXPECT_EQ(runCli({"diff", pathA, dir.path("missing.ecu")}).code, 2);
}

} // namespace
