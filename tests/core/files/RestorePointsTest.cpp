#include "files/RestorePoints.h"
#include "TempDir.h"
#include "files/SettingsFile.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

using namespace zolmar;
namespace fs = std::filesystem;

namespace {

struct RestorePointsTest : ::testing::Test {
    SilentMessages quiet;
    test::TempDir dir;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(quiet);

    void SetUp() override {
        std::string error;
        ASSERT_TRUE(SettingsFile::load(*ecu, ZOLMAR_DEFAULT_CONFIG, error)) << error;
    }
    std::string folder() const { return dir.path("points"); }
};

TEST_F(RestorePointsTest, PointsAreListedPerOwnerNewestFirstAndRestoreByteForByte) {
    RestorePoints::Store store(folder());
    const std::string file = RestorePoints::FileOwner(dir.path("tune.ecu"));
    const std::string ecuOwner = RestorePoints::EcuOwner("123456");
    std::string error;
    ASSERT_TRUE(store.Add(*ecu, file, RestorePoints::Reason::kSaved, 1000, error)) << error;
    const std::vector<uint8_t> first = SettingsFile::fromImage(*ecu);
    ASSERT_TRUE(ecu->RenameSlot(3, "Changed\nline"));
    ASSERT_TRUE(store.Add(*ecu, file, "Two\nlines", 2000, error));
    ASSERT_TRUE(store.Add(*ecu, ecuOwner, RestorePoints::Reason::kRead, 1500, error));
    ASSERT_TRUE(store.Add(*ecu, file, RestorePoints::Reason::kSaved, 2000, error)); // same time

    auto points = store.List(file);
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[2].timeMs, 1000);
    EXPECT_EQ(points[2].reason, "Saved");
    EXPECT_EQ(points[0].timeMs, 2000);
    EXPECT_EQ(points[1].reason, "Two lines");
    EXPECT_EQ(RestorePoints::OwnerText(points[0].owner), "File " + dir.path("tune.ecu"));
    ASSERT_EQ(store.List(ecuOwner).size(), 1u);
    EXPECT_EQ(store.List().size(), 4u);

    std::vector<uint8_t> bytes;
    ASSERT_TRUE(RestorePoints::Store::Load(points[2], bytes, error)) << error;
    EXPECT_EQ(bytes, first);
    ecu->Modified = false;
    RestorePoints::Restore(*ecu, bytes);
    EXPECT_EQ(SettingsFile::fromImage(*ecu), first);
    EXPECT_TRUE(ecu->Modified);
    EXPECT_TRUE(ecu->UsageWordsAgree());
}

TEST_F(RestorePointsTest, TheOldestGoFirstPastTheLimit) {
    const uint64_t one = SettingsFile::kFileSize + 200;
    RestorePoints::Store store(folder(), 3 * one);
    std::string error;
    for (int k = 0; k < 6; ++k)
        ASSERT_TRUE(store.Add(*ecu, "ecu:1", "r", 100 * k, error));
    auto points = store.List();
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points.back().timeMs, 300);
    // A limit below one point still keeps the point just written.
    store.setLimit(10);
    ASSERT_TRUE(store.Add(*ecu, "ecu:1", "r", 50, error));
    points = store.List();
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].timeMs, 50);
}

// A process killed while writing points leaves only whole points behind; files that
// are no point (truncated, foreign, a leftover temporary file) are not listed.
TEST_F(RestorePointsTest, PointsSurviveAKilledProcess) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        RestorePoints::Store store(folder());
        std::string error;
        for (int k = 0;; ++k)
            store.Add(*ecu, "ecu:9", "loop", k, error);
    }
    for (int waited = 0; waited < 200; ++waited) {
        usleep(10000);
        if (RestorePoints::Store(folder()).List().size() >= 3)
            break;
    }
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    RestorePoints::Store store(folder());
    const auto points = store.List();
    ASSERT_GE(points.size(), 3u);
    const std::vector<uint8_t> image = SettingsFile::fromImage(*ecu);
    for (const auto& p : points) {
        std::vector<uint8_t> bytes;
        std::string error;
        ASSERT_TRUE(RestorePoints::Store::Load(p, bytes, error)) << error;
        EXPECT_EQ(bytes, image);
    }
    {
        std::ofstream(fs::path(folder()) / "truncated.zrp")
            << "ZOLMAR restore point 1\ntime: 5\n\nshort";
        std::ofstream(fs::path(folder()) / "foreign.zrp") << "something else";
    }
    EXPECT_EQ(store.List().size(), points.size());
}

TEST(RestorePointSchedule, DueTenMinutesAfterTheLastPointAndOnlyAfterAChange) {
    RestorePoints::Schedule schedule;
    EXPECT_FALSE(schedule.due(0, 1)); // editing began
    EXPECT_FALSE(schedule.due(RestorePoints::kPeriodMs - 1, 1));
    EXPECT_TRUE(schedule.due(RestorePoints::kPeriodMs, 1)); // nothing kept yet
    schedule.taken(RestorePoints::kPeriodMs + 5, 1);
    EXPECT_FALSE(schedule.due(2 * RestorePoints::kPeriodMs + 5, 1)); // nothing changed
    EXPECT_FALSE(schedule.due(2 * RestorePoints::kPeriodMs, 2));     // too early
    EXPECT_TRUE(schedule.due(2 * RestorePoints::kPeriodMs + 5, 2));
}

TEST(RestorePointFolder, FollowsXdgDataHome) {
    const char* old = std::getenv("XDG_DATA_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_DATA_HOME", "/data/x", 1);
    EXPECT_EQ(RestorePoints::DefaultFolder(), "/data/x/zolmar/restore-points");
    setenv("XDG_DATA_HOME", "relative",
           1); // not absolute: ignored, as the base directory rules say
    EXPECT_NE(RestorePoints::DefaultFolder().find("/.local/share/zolmar/restore-points"),
              std::string::npos);
    if (old)
        setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
}

} // namespace
