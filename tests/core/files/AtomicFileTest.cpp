#include "files/AtomicFile.h"
#include "TempDir.h"
#include "files/ProgramFiles.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zolmar;
using zolmar::test::TempDir;
namespace fs = std::filesystem;

namespace {

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool write(const std::string& path, const std::string& text, std::string& error) {
    return writeFileAtomically(path, text.data(), text.size(), error);
}

int entries(const std::string& folder) {
    int n = 0;
    for ([[maybe_unused]] auto& e : fs::directory_iterator(folder))
        ++n;
    return n;
}

TEST(AtomicFileTest, ASymbolicLinkKeepsPointingAtTheFileItNames) {
    TempDir dir;
    fs::create_directory(dir.path("tunes"));
    std::string error;
    ASSERT_TRUE(write(dir.path("tunes/car.ecu"), "old", error)) << error;
    fs::create_symlink("tunes/car.ecu", dir.path("current.ecu"));
    fs::create_symlink(dir.path("current.ecu"), dir.path("chain.ecu")); // a link to a link
    ASSERT_TRUE(write(dir.path("chain.ecu"), "new", error)) << error;
    EXPECT_TRUE(fs::is_symlink(dir.path("current.ecu")));
    EXPECT_TRUE(fs::is_symlink(dir.path("chain.ecu")));
    EXPECT_EQ(contents(dir.path("tunes/car.ecu")), "new");
    EXPECT_EQ(entries(dir.dir().string()), 3) << "no temporary file beside the link";
    EXPECT_EQ(entries(dir.path("tunes")), 1);
    // A dangling link makes the file it names.
    fs::create_symlink("tunes/fresh.ecu", dir.path("dangling.ecu"));
    ASSERT_TRUE(write(dir.path("dangling.ecu"), "made", error)) << error;
    EXPECT_EQ(contents(dir.path("tunes/fresh.ecu")), "made");
    // A loop of links ends in a clear failure, not a hang.
    fs::create_symlink(dir.path("loop2"), dir.path("loop1"));
    fs::create_symlink(dir.path("loop1"), dir.path("loop2"));
    EXPECT_FALSE(write(dir.path("loop1"), "x", error));
}

TEST(AtomicFileTest, AReadOnlyFileOrADeviceIsRefusedAndKept) {
    TempDir dir;
    std::string error;
    ASSERT_TRUE(write(dir.path("locked.ecu"), "keep", error));
    fs::permissions(dir.path("locked.ecu"), fs::perms::owner_read | fs::perms::group_read);
    // Refused even for root, who could write it: its owner made it read-only.
    EXPECT_FALSE(write(dir.path("locked.ecu"), "lost", error));
    EXPECT_NE(error.find("read-only"), std::string::npos) << error;
    EXPECT_NE(error.find("locked.ecu"), std::string::npos) << error;
    EXPECT_EQ(contents(dir.path("locked.ecu")), "keep");
    fs::create_symlink(dir.path("locked.ecu"), dir.path("via-link.ecu"));
    EXPECT_FALSE(write(dir.path("via-link.ecu"), "lost", error));
    EXPECT_EQ(contents(dir.path("locked.ecu")), "keep");
    // A rename would have replaced the device with a plain file.
    EXPECT_FALSE(write("/dev/null", "x", error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    // Permissions of a writable file survive the save.
    ASSERT_TRUE(write(dir.path("shared.ecu"), "a", error));
    fs::permissions(dir.path("shared.ecu"), fs::perms(0640));
    ASSERT_TRUE(write(dir.path("shared.ecu"), "b", error));
    EXPECT_EQ(fs::status(dir.path("shared.ecu")).permissions() & fs::perms::all, fs::perms(0640));
}

TEST(AtomicFileTest, TemporaryFilesOfKilledSavesGoAtTheNextSave) {
    TempDir dir;
    const std::string target = dir.path("tune.ecu");
    // A save killed half way: a child writes its temporary file and dies.
    const pid_t child = ::fork();
    if (child == 0) {
        std::ofstream(dir.path(".tune.ecu.zolmar-" + std::to_string(::getpid()) + "-abcdef"))
            << "half";
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    // One of a process that is still at work, and an unrelated hidden file.
    const std::string alive =
        dir.path(".tune.ecu.zolmar-" + std::to_string(::getppid()) + "-ghijkl");
    std::ofstream(alive) << "busy";
    std::ofstream(dir.path(".tune.ecu.notes")) << "mine";
    ASSERT_EQ(entries(dir.dir().string()), 3);
    std::string error;
    ASSERT_TRUE(write(target, "whole", error)) << error;
    EXPECT_EQ(contents(target), "whole");
    EXPECT_TRUE(fs::exists(alive));
    EXPECT_TRUE(fs::exists(dir.path(".tune.ecu.notes")));
    EXPECT_EQ(entries(dir.dir().string()), 3) << "the dead process's file is gone, the others stay";
}

TEST(AtomicFileTest, BoundedReadsRefuseWhatIsTooLarge) {
    TempDir dir;
    std::string error;
    ASSERT_TRUE(write(dir.path("small"), "12345", error));
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(readFileAtMost(dir.path("small"), bytes, error, 5));
    EXPECT_EQ(bytes.size(), 5u);
    EXPECT_FALSE(readFileAtMost(dir.path("small"), bytes, error, 4));
    EXPECT_TRUE(bytes.empty());
    EXPECT_NE(error.find("larger than 4 bytes"), std::string::npos) << error;
    // An endless file ends at the bound.
    EXPECT_FALSE(readFileAtMost("/dev/zero", bytes, error, 1 << 20));
    EXPECT_FALSE(readFileAtMost(dir.dir().string(), bytes, error, 100));
}

TEST(AtomicFileTest, InstalledDataIsFoundBesideTheProgramsBinFolder) {
    const fs::path exe = ProgramFiles::ExecutableDirectory();
    EXPECT_EQ(ProgramFiles::DataDirectory(), (exe.parent_path() / "share" / "zolmar").string());
    TempDir dir;
    fs::create_directories(dir.path("share/zolmar"));
    std::ofstream(dir.path("share/zolmar/q7700xHelp.html")) << "<html>";
    EXPECT_EQ(
        ProgramFiles::FindIn({dir.path("bin"), dir.path("share/zolmar")}, ProgramFiles::kManual),
        dir.path("share/zolmar/q7700xHelp.html"));
}

} // namespace
