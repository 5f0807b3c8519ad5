#include "files/StartupFiles.h"
#include "TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace zolmar;
using zolmar::test::TempDir;

namespace {

TEST(StartupFilesTest, TheStartFolderComesBeforeTheProgramsFolder) {
    TempDir dir;
    std::filesystem::create_directories(dir.path("start"));
    std::filesystem::create_directories(dir.path("bin"));
    const std::string name = StartupFiles::kDefaultConfiguration;
    EXPECT_EQ(StartupFiles::Find(name, dir.path("start"), dir.path("bin")), "");
    std::ofstream(dir.path("bin/" + name)) << "x";
    EXPECT_EQ(StartupFiles::Find(name, dir.path("start"), dir.path("bin")),
              dir.path("bin/" + name));
    std::ofstream(dir.path("start/" + name)) << "x";
    EXPECT_EQ(StartupFiles::Find(name, dir.path("start") + "/", dir.path("bin")),
              dir.path("start/" + name));
    // A folder of that name is no file.
    std::filesystem::remove(dir.path("start/" + name));
    std::filesystem::create_directories(dir.path("start/" + name));
    EXPECT_EQ(StartupFiles::Find(name, dir.path("start"), dir.path("bin")),
              dir.path("bin/" + name));
}

} // namespace
