#include "files/ProgramFiles.h"
#include "TempDir.h"
#include "files/SettingsHints.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace zolmar;
using zolmar::test::TempDir;

namespace {

void write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(ProgramFilesTest, TheStartFolderComesBeforeTheProgramsFolder) {
    TempDir start, beside;
    std::filesystem::create_directory(start.path("sub"));
    write(beside.path("q7700xSettingsHints.txt"), "beside");
    std::vector<std::string> folders = {start.dir().string(), beside.dir().string()};
    EXPECT_EQ(ProgramFiles::FindIn(folders, "q7700xSettingsHints.txt"),
              beside.path("q7700xSettingsHints.txt"));
    write(start.path("q7700xSettingsHints.txt"), "start");
    EXPECT_EQ(ProgramFiles::FindIn(folders, "q7700xSettingsHints.txt"),
              start.path("q7700xSettingsHints.txt"));
    // Neither a folder of that name nor an unknown folder counts.
    EXPECT_EQ(ProgramFiles::FindIn({start.dir().string(), ""}, "sub"), "");
    EXPECT_EQ(ProgramFiles::FindIn({"/nonexistent/zolmar"}, "q7700xSettingsHints.txt"), "");
}

TEST(ProgramFilesTest, FindLooksInTheRememberedStartFolder) {
    TempDir start;
    write(start.path("q7700xDefaultConfig.ecu"), "x");
    auto previous = std::filesystem::current_path();
    std::filesystem::current_path(start.dir());
    ProgramFiles::RememberStartDirectory();
    std::filesystem::current_path(previous);
    // Changing folders later does not move the start folder.
    EXPECT_EQ(std::filesystem::path(ProgramFiles::StartDirectory()), start.dir());
    EXPECT_EQ(std::filesystem::path(ProgramFiles::Find("q7700xDefaultConfig.ecu")),
              start.dir() / "q7700xDefaultConfig.ecu");
    // The test program's own folder holds no such file.
    EXPECT_FALSE(ProgramFiles::ExecutableDirectory().empty());
    EXPECT_EQ(ProgramFiles::Find("no-such-file.txt"), "");
    std::filesystem::current_path(previous);
    ProgramFiles::RememberStartDirectory();
}

TEST(SettingsHintsTest, EntriesFollowTheirMarkers) {
    const std::string file = "header with * and a single *s is ignored\n"
                             "**sname: Fuel Pump**h = Runs the pump.\n**end\n"
                             "**s------Idle**h---Two lines\nof hint**end\n"
                             "**sname: Empty**h = **end\n"
                             "**endfile\n"
                             "**sname: After**h = never read**end\n";
    EXPECT_EQ(SettingsHints::Lookup(file, "Fuel Pump"), "Runs the pump.\n");
    // Six characters after "s" and three after "h" are skipped, whatever they are.
    EXPECT_EQ(SettingsHints::Lookup(file, "Idle"), "Two lines\nof hint");
    EXPECT_EQ(SettingsHints::Lookup(file, "fuel pump"), ""); // case-sensitive
    EXPECT_EQ(SettingsHints::Lookup(file, "Empty"), "");
    EXPECT_EQ(SettingsHints::Lookup(file, "After"), ""); // past the end marker
    auto entries = SettingsHints::Entries(file);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].first, "Idle");
}

TEST(SettingsHintsTest, BrokenAndOversizedFilesAreReadSafely) {
    // A hint that never closes is not complete; markers at the very end are safe.
    EXPECT_EQ(SettingsHints::Lookup("**sname: A**h = open", "A"), "");
    for (const std::string tail : {"**s", "**sname", "**h", "**e", "**en", "**", "*"})
        EXPECT_EQ(SettingsHints::Lookup("**sname: A**h = x**end" + tail, "A"), "x");
    // Only the first 400001 bytes are looked at.
    std::string padding(SettingsHints::kMaxBytes - 20, ' ');
    std::string late = padding + "**sname: Late**h = text**end";
    EXPECT_EQ(SettingsHints::Lookup(late, "Late"), "");
    EXPECT_EQ(SettingsHints::Lookup(std::string(1000, ' ') + "**sname: Late**h = t**e", "Late"),
              "t");
    TempDir dir;
    std::string bytes;
    EXPECT_FALSE(SettingsHints::Read(dir.path("missing.txt"), bytes));
    write(dir.path("big.txt"), std::string(SettingsHints::kMaxBytes + 50, 'x'));
    ASSERT_TRUE(SettingsHints::Read(dir.path("big.txt"), bytes));
    EXPECT_EQ(bytes.size(), SettingsHints::kMaxBytes);
}

} // namespace
