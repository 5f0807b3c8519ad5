#include "files/Recovery.h"
#include "TempDir.h"
#include "files/NewConfiguration.h"
#include "files/SettingsFile.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>

using namespace zolmar;

namespace {

TEST(RecoveryTest, TheCopyReadsBackWithItsFileAndTimeAndIsGoneAfterRemove) {
    test::TempDir dir;
    const std::string folder = dir.path("data/zolmar");
    RecordingMessages messages;
    auto ecu = std::make_unique<tECU>(messages);
    NewConfiguration::MakeBlank(*ecu);
    ecu->RenameSlot(3, "Unsaved page");
    auto gone = [](int64_t) { return false; };
    EXPECT_FALSE(Recovery::Find(folder, gone));
    std::string error;
    ASSERT_TRUE(Recovery::Write(*ecu, folder, 41, "/home/t/engine 1.ecu", 1765321200, error))
        << error;
    auto found = Recovery::Find(folder, gone);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->owner, 41);
    EXPECT_EQ(found->originalFile, "/home/t/engine 1.ecu");
    EXPECT_EQ(found->savedAt, 1765321200);
    auto back = std::make_unique<tECU>(messages);
    ASSERT_TRUE(SettingsFile::load(*back, found->dataPath, error)) << error;
    EXPECT_EQ(back->NameOf(3), "Unsaved page");

    // Another program's copy is never offered while it runs; of two left, the newer.
    ASSERT_TRUE(Recovery::Write(*ecu, folder, 42, "/home/t/other.ecu", 1765321300, error));
    EXPECT_EQ(Recovery::Find(folder, gone)->owner, 42);
    EXPECT_EQ(Recovery::Find(folder, [](int64_t owner) { return owner == 42; })->owner, 41);
    Recovery::Remove(folder, 42);
    EXPECT_EQ(Recovery::Find(folder, gone)->owner, 41);
    Recovery::Remove(folder, 41);
    EXPECT_FALSE(Recovery::Find(folder, gone));
    EXPECT_TRUE(Recovery::ProcessRuns(1));
    EXPECT_FALSE(Recovery::ProcessRuns(0));
}

TEST(RecoveryTest, ADamagedDescriptionIsNoCopy) {
    std::string file;
    int64_t at = 0;
    EXPECT_TRUE(Recovery::ParseInfo("file: \nsaved: 12\n", file, at));
    EXPECT_EQ(file, "");
    EXPECT_EQ(at, 12);
    for (const char* bad : {"", "file: a\n", "file: a\nsaved: \n", "file: a\nsaved: 1x\n",
                            "file: a\nsaved: 12", "file: a\nsaved: 12\nmore\n",
                            "file: a\nsaved: 9999999999999999999\n", "saved: 1\nfile: a\n"})
        EXPECT_FALSE(Recovery::ParseInfo(bad, file, at)) << bad;

    test::TempDir dir;
    std::ofstream(dir.path(Recovery::DataName(7))) << "x";
    std::ofstream(dir.path(Recovery::InfoName(7))) << "file: a\nsaved: oops\n";
    std::ofstream(dir.path("recovery-x7.info")) << "file: a\nsaved: 1\n";
    EXPECT_FALSE(Recovery::Find(dir.dir().string(), [](int64_t) { return false; }));
}

TEST(RecoveryTest, TheFolderIsInTheUsersDataHome) {
    const char* old = std::getenv("XDG_DATA_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_DATA_HOME", "/tmp/xdg-data", 1);
    EXPECT_EQ(Recovery::DefaultFolder(), "/tmp/xdg-data/zolmar");
    setenv("XDG_DATA_HOME", "relative", 1); // not absolute: ignored, as the rule says
    const char* home = std::getenv("HOME");
    if (home && home[0]) {
        EXPECT_EQ(Recovery::DefaultFolder(), std::string(home) + "/.local/share/zolmar");
    }
    if (old)
        setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
}

} // namespace
