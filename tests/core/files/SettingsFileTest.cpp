#include "files/SettingsFile.h"
#include "RawConfig.h"
#include "TempDir.h"
#include "files/AtomicFile.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <unistd.h>

using namespace zolmar;
using namespace zolmar::Layout;
using zolmar::test::RawConfig;
using zolmar::test::TempDir;

namespace {

std::vector<uint8_t> fileBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(readWholeFile(path, bytes, error)) << error;
    return bytes;
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

struct SettingsFileTest : ::testing::Test {
    RecordingMessages messages;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(messages);
    TempDir dir;
};

TEST_F(SettingsFileTest, RegionsTileTheFileExactly) {
    int covered = 0;
    for (const auto& r : SettingsFile::kRegions) {
        EXPECT_EQ(r.fileOffset, covered);
        covered += r.length;
    }
    EXPECT_EQ(covered, SettingsFile::kFileSize);
}

TEST_F(SettingsFileTest, SaveThenLoadIsByteExactAndLeavesOtherAreasAlone) {
    RawConfig raw(*ecu);
    raw.add(ElementType::Table2D, 3, 4, 5, "Fuel", 3);
    raw.add(ElementType::Constant, 3, 9, 9, "Trim");
    raw.link(0, 0, 1, 0);
    raw.finish();
    ecu->SetImageByte(kNameRegion2 + 5, 'Z', false); // a name in the second region
    ecu->SetImageByte(kPinTableBase, 'M', false);
    ecu->SetImageByte(kLiveBase + 10, 0x99, false); // live values are never stored
    std::string path = dir.path("a.ecu");
    std::string error;
    ASSERT_TRUE(SettingsFile::save(*ecu, path, error)) << error;
    auto saved = fileBytes(path);
    ASSERT_EQ(saved.size(), 163840u);
    // The finish byte sits at ConfigMemUsage - 1 and 0xFF runs to the end of the area.
    EXPECT_EQ(saved[ecu->ImageWord(2) - 1], 0xFF);
    EXPECT_EQ(saved[0x16000], ecu->Image[0]);
    EXPECT_EQ(saved[0x0B000 + 5], 'Z');

    RecordingMessages other;
    auto loaded = std::make_unique<tECU>(other);
    loaded->SetImageByte(kLiveBase + 10, 0x42, false);
    loaded->SetSync(kConstBase, Sync::ToRead);
    ASSERT_TRUE(SettingsFile::load(*loaded, path, error)) << error;
    EXPECT_EQ(SettingsFile::fromImage(*loaded), saved);
    EXPECT_EQ(loaded->NumElements, 2);
    EXPECT_EQ(loaded->Image[kLiveBase + 10], 0x42);
    EXPECT_EQ(loaded->SyncAt(kConstBase), Sync::ToRead);
    EXPECT_EQ(loaded->LiveWordLinked[5], 1); // indexed with link flags
    EXPECT_FALSE(loaded->Modified);
}

TEST_F(SettingsFileTest, AnyCompleteFileRoundTripsByteForByte) {
    std::mt19937 random(7);
    std::vector<uint8_t> bytes(SettingsFile::kFileSize + 100);
    for (auto& b : bytes)
        b = static_cast<uint8_t>(random());
    std::string in = dir.path("in.ecu");
    std::string out = dir.path("out.ecu");
    writeBytes(in, bytes);
    std::string error;
    ASSERT_TRUE(SettingsFile::load(*ecu, in, error)) << error;
    ASSERT_TRUE(SettingsFile::save(*ecu, out, error)) << error;
    bytes.resize(SettingsFile::kFileSize); // bytes after the four regions are ignored
    EXPECT_EQ(fileBytes(out), bytes);
}

TEST_F(SettingsFileTest, ShortOrMissingFilesLeaveTheConfigurationUntouched) {
    RawConfig raw(*ecu);
    raw.add(ElementType::Constant, 1, 0, 0, "Keep me");
    raw.finish();
    auto before = SettingsFile::fromImage(*ecu);

    std::string shortFile = dir.path("short.ecu");
    writeBytes(shortFile, std::vector<uint8_t>(50000, 0x11));
    std::string error;
    EXPECT_FALSE(SettingsFile::load(*ecu, shortFile, error));
    EXPECT_NE(error.find("50000 bytes"), std::string::npos) << error;
    EXPECT_FALSE(SettingsFile::load(*ecu, dir.path("missing.ecu"), error));
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
    EXPECT_FALSE(SettingsFile::load(*ecu, dir.path(""), error));
    EXPECT_EQ(SettingsFile::fromImage(*ecu), before);
    EXPECT_EQ(ecu->NumElements, 1);
}

TEST_F(SettingsFileTest, FailedSaveKeepsThePreviousFile) {
    std::string path = dir.path("keep.ecu");
    writeBytes(path, std::vector<uint8_t>(10, 0x5A));
    std::string error;
    // A file in a folder that does not exist cannot be written.
    EXPECT_FALSE(SettingsFile::save(*ecu, dir.path("nofolder/x.ecu"), error));
    EXPECT_NE(error.find("nofolder/x.ecu"), std::string::npos);
    // A read-only folder refuses the temporary file; the old file stays as it was.
    if (::geteuid() != 0) {
        std::filesystem::permissions(dir.dir(), std::filesystem::perms::owner_read |
                                                    std::filesystem::perms::owner_exec);
        EXPECT_FALSE(SettingsFile::save(*ecu, path, error));
        std::filesystem::permissions(dir.dir(), std::filesystem::perms::owner_all);
    }
    // Saving onto a folder's name fails at the rename and removes its temporary file.
    std::filesystem::create_directory(dir.path("folder.ecu"));
    EXPECT_FALSE(SettingsFile::save(*ecu, dir.path("folder.ecu"), error));
    EXPECT_EQ(fileBytes(path), std::vector<uint8_t>(10, 0x5A));
    int entries = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.dir()))
        ++entries;
    EXPECT_EQ(entries, 2); // keep.ecu and folder.ecu: no temporary file left behind
}

} // namespace
