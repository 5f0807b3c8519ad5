#include "files/FileCommands.h"
#include "RawConfig.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "files/SettingsFile.h"

#include <gtest/gtest.h>
#include <memory>

using namespace zolmar;
using namespace zolmar::Layout;
using zolmar::test::RawConfig;
using zolmar::test::ScriptedDialogs;
using zolmar::test::TempDir;
using Answer = Messages::Answer;

namespace {

struct CountingHooks : FileCommandHooks {
    void configurationLoaded(bool fromDialog) override {
        ++loaded;
        lastFromDialog = fromDialog;
    }
    void captionChanged() override { ++captions; }
    int loaded = 0;
    int captions = 0;
    bool lastFromDialog = false;
};

struct FileCommandsTest : ::testing::Test {
    RecordingMessages messages;
    MemoryPreferences prefs;
    ScriptedDialogs dialogs;
    CountingHooks hooks;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(messages);
    FileCommands commands{*ecu, messages, prefs, dialogs, hooks};
    TempDir dir;

    // Writes a small settings file whose one element has the given name.
    std::string makeFile(const std::string& name, const std::string& elementName) {
        SilentMessages quiet;
        auto other = std::make_unique<tECU>(quiet);
        RawConfig raw(*other);
        raw.add(ElementType::Constant, 1, 0, 0, elementName);
        raw.finish();
        std::string path = dir.path(name);
        std::string error;
        EXPECT_TRUE(SettingsFile::save(*other, path, error)) << error;
        return path;
    }
    std::string firstName() const { return ecu->NameOf(kNumPages); }
};

TEST(RecentFilesTest, MovesAMatchToTheTopAndDropsTheOldest) {
    MemoryPreferences prefs;
    RecentFiles recent(prefs);
    for (const char* f : {"d", "c", "b", "a"})
        recent.add(f);
    using Names = std::array<std::string, 4>;
    EXPECT_EQ(recent.items(), (Names{"a", "b", "c", "d"}));
    recent.add("a");
    EXPECT_EQ(recent.items(), (Names{"a", "b", "c", "d"}));
    recent.add("c");
    EXPECT_EQ(recent.items(), (Names{"c", "a", "b", "d"}));
    recent.add("d");
    EXPECT_EQ(recent.items(), (Names{"d", "c", "a", "b"}));
    recent.add("e");
    EXPECT_EQ(recent.items(), (Names{"e", "d", "c", "a"}));
    recent.add("E"); // names compare case-sensitively
    EXPECT_EQ(recent.items(), (Names{"E", "e", "d", "c"}));
    EXPECT_EQ(prefs.read("RecentItem1"), "E");
}

TEST(RecentFilesTest, MenuCaptionsRoundTripAmpersands) {
    EXPECT_EQ(FileCommands::fileNameFromCaption("A&B.ecu"), "AB.ecu");
    EXPECT_EQ(FileCommands::menuCaptionFor("A&B.ecu"), "A&&B.ecu");
    EXPECT_EQ(FileCommands::fileNameFromCaption(FileCommands::menuCaptionFor("/x/R&D.ecu")),
              "/x/R&D.ecu");
    EXPECT_EQ(FileCommands::withEcuExtension("/tmp/car"), "/tmp/car.ecu");
    EXPECT_EQ(FileCommands::withEcuExtension("/tmp/car.bin"), "/tmp/car.bin");
    EXPECT_EQ(FileCommands::withEcuExtension("/tmp.d/car"), "/tmp.d/car.ecu");
}

TEST_F(FileCommandsTest, OpenLoadsIndexesAndRecordsTheFile) {
    std::string path = makeFile("one.ecu", "First");
    dialogs.answers = {path};
    EXPECT_TRUE(commands.open());
    EXPECT_EQ(dialogs.titles.back(), "Select an ECU settings file to open");
    EXPECT_EQ(firstName(), "First");
    EXPECT_EQ(commands.currentFile(), path);
    EXPECT_EQ(commands.caption("ZOLMAR"), path + " - ZOLMAR");
    // The window's title: the same caption with the unsaved mark's place after the name.
    EXPECT_EQ(commands.windowTitle("ZOLMAR"), path + "[*] - ZOLMAR");
    EXPECT_EQ(prefs.read("RecentItem1"), path);
    EXPECT_EQ(hooks.loaded, 1);
    EXPECT_TRUE(hooks.lastFromDialog);
    EXPECT_FALSE(commands.saveEnabled());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FileCommandsTest, AFileThatFailsToOpenChangesNothing) {
    std::string good = makeFile("good.ecu", "Good");
    dialogs.answers = {good, dir.path("missing.ecu")};
    ASSERT_TRUE(commands.open());
    EXPECT_FALSE(commands.open());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, Messages::Kind::Error);
    // Name, caption and configuration are still those of the good file, so a later
    // Save cannot write it over the file that failed.
    EXPECT_EQ(commands.currentFile(), good);
    EXPECT_EQ(firstName(), "Good");
    EXPECT_EQ(prefs.read("RecentItem1"), good);
}

TEST_F(FileCommandsTest, DecliningToSaveDiscardsTheChangesEvenIfOpenIsCancelled) {
    ecu->Modified = true;
    messages.answers = {Answer::No};
    dialogs.answers = {""};
    EXPECT_FALSE(commands.open());
    EXPECT_EQ(messages.shown[0].text,
              "Do you want to save the changes to the current configuration?");
    EXPECT_EQ(messages.shown[0].kind, Messages::Kind::Warning);
    EXPECT_FALSE(ecu->Modified);
}

TEST_F(FileCommandsTest, CancellingTheSaveAbandonsOpen) {
    std::string path = makeFile("x.ecu", "Other");
    ecu->Modified = true;
    messages.answers = {Answer::Yes};
    dialogs.answers = {"", path}; // cancel the save dialog
    EXPECT_FALSE(commands.open());
    EXPECT_EQ(dialogs.titles, std::vector<std::string>{"Save ECU settings as..."});
    EXPECT_TRUE(ecu->Modified);
    EXPECT_EQ(hooks.loaded, 0);
}

TEST_F(FileCommandsTest, SavingFirstThenOpening) {
    std::string path = makeFile("x.ecu", "Other");
    ecu->Modified = true;
    messages.answers = {Answer::Yes};
    std::string saved = dir.path("mine");
    dialogs.answers = {saved, path};
    EXPECT_TRUE(commands.open());
    EXPECT_EQ(firstName(), "Other");
    EXPECT_TRUE(commands.saveEnabled());
    // The name without an extension was given ".ecu".
    EXPECT_EQ(prefs.read("RecentItem2"), saved + ".ecu");
    EXPECT_EQ(prefs.read("RecentItem1"), path);
}

TEST_F(FileCommandsTest, SaveIsEnabledByTheFirstSaveAsAndClearsModified) {
    EXPECT_FALSE(commands.saveEnabled());
    dialogs.answers = {dir.path("s.ecu")};
    ecu->Modified = true;
    ASSERT_TRUE(commands.saveAs());
    EXPECT_TRUE(commands.saveEnabled());
    EXPECT_FALSE(ecu->Modified);
    ecu->WriteConstByte(5, 42);
    ASSERT_TRUE(commands.save());
    EXPECT_FALSE(ecu->Modified);
    auto bytes = SettingsFile::fromImage(*ecu);
    std::vector<uint8_t> onDisk;
    std::string error;
    ASSERT_TRUE(SettingsFile::read(dir.path("s.ecu"), onDisk, error));
    EXPECT_EQ(onDisk, bytes);
}

TEST_F(FileCommandsTest, AFailedSaveKeepsModifiedAndTheCurrentName) {
    dialogs.answers = {dir.path("nofolder/s.ecu")};
    ecu->Modified = true;
    EXPECT_FALSE(commands.saveAs());
    EXPECT_TRUE(ecu->Modified);
    EXPECT_FALSE(commands.saveEnabled());
    EXPECT_EQ(commands.currentFile(), "");
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(FileCommandsTest, RecentOpenRemovesAcceleratorsAndIgnoresEmptyEntries) {
    std::string path = makeFile("AB.ecu", "Recent");
    EXPECT_FALSE(commands.openRecent(""));
    EXPECT_TRUE(commands.openRecent(dir.path("A&B.ecu")));
    EXPECT_EQ(firstName(), "Recent");
    EXPECT_FALSE(hooks.lastFromDialog);
    EXPECT_TRUE(dialogs.titles.empty());
    EXPECT_EQ(prefs.read("RecentItem1"), path);
}

TEST_F(FileCommandsTest, ClosingIsAbandonedWhenTheWantedSaveDoesNotHappen) {
    EXPECT_TRUE(commands.canClose()); // nothing to save

    ecu->Modified = true;
    messages.answers = {Answer::Yes};
    dialogs.answers = {""};
    EXPECT_FALSE(commands.canClose());
    EXPECT_TRUE(ecu->Modified);

    messages.answers = {Answer::Yes};
    dialogs.answers = {dir.path("nofolder/x.ecu")};
    EXPECT_FALSE(commands.canClose());

    messages.answers = {Answer::Yes};
    dialogs.answers = {dir.path("closed.ecu")};
    EXPECT_TRUE(commands.canClose());
    EXPECT_FALSE(ecu->Modified);

    ecu->Modified = true;
    messages.answers = {Answer::No};
    EXPECT_TRUE(commands.canClose());
}

} // namespace
