// Undo and redo as a user meets them: the Edit menu and its keys, commands of the
// diagram, the table editor and the main window as named steps, changes no command
// named, the title's mark, the history window, the link, and the recovery copy.
#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "VirtualEcuWindow.h"
#include "app/MainForm.h"
#include "app/UndoHistoryForm.h"
#include "editor/PageOperations.h"
#include "files/NewConfiguration.h"
#include "files/Recovery.h"
#include "files/SettingsFile.h"
#include "model/Tables.h"
#include "tables/TEditTable.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenuBar>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>

using namespace zolmar;
using namespace zolmar::gui;
using namespace zolmar::Layout;

namespace {

constexpr int kPage = 7;

// The synchronised configuration (everything but the live area) of an image.
std::vector<uint8_t> configuration(const uint8_t* image) {
    std::vector<uint8_t> bytes;
    bytes.reserve(0x2A000);
    for (long a = 0; a < 0x2A000; ++a)
        if (a < kLiveBase || a >= kLiveBase + kLiveSize)
            bytes.push_back(image[a]);
    return bytes;
}

// The copy a program that no longer runs left in the folder.
std::optional<Recovery::Found> leftCopy(const std::string& folder) {
    return Recovery::Find(folder, [](int64_t) { return false; });
}

struct UndoGuiTest : ::testing::Test {
    RecordingMessages messages;
    MemoryPreferences prefs;
    test::ScriptedDialogs dialogs;
    test::TempDir dir;
    std::unique_ptr<TMainForm> form;

    std::string saveStart() {
        SilentMessages quiet;
        auto ecu = std::make_unique<tECU>(quiet);
        NewConfiguration::MakeBlank(*ecu);
        int tb = -1, fuel = -1;
        ecu->CreateElement(ElementType::Table2D, 1, 1, "TB", kPage, &tb);
        Tables::LayOut(*ecu, tb, {0, 500, 50}, nullptr);
        ecu->CreateElement(ElementType::Table2D, 1, 10, "Fuel2", kPage, &fuel);
        for (int k = 0; k < 11; ++k)
            ecu->WriteConstWord(ecu->ElementConstOffset[tb] + 24 + 2 * k,
                                static_cast<uint16_t>(100 * k));
        std::string error;
        EXPECT_TRUE(SettingsFile::save(*ecu, dir.path("a.ecu"), error)) << error;
        return dir.path("a.ecu");
    }
    std::unique_ptr<TMainForm> makeForm() {
        auto f = std::make_unique<TMainForm>(messages, prefs, dialogs);
        f->setSplashAtStart(false);
        f->pollTimer()->stop();
        return f;
    }
    void SetUp() override {
        prefs.values["AdvancedView"] = "Advanced";
        prefs.values["ShowStartHints"] = "DontShowHints";
        form = makeForm();
        ASSERT_TRUE(form->fileCommands().openFile(saveStart(), true));
        form->setConfigLocked(false);
        form->setCurrentPage(kPage);
        form->PollTimerTimer();
    }
    tECU& ecu() { return form->ecu(); }
    int named(const std::string& name) { return ecu().FindElementByName(name, false); }
    void rightClick(int column, int row) {
        const QPoint at(17 * column + 8, 17 * row + 8);
        QTest::mousePress(form->canvas(), Qt::RightButton, {}, at);
        QTest::mouseRelease(form->canvas(), Qt::RightButton, {}, at);
        form->elementOptions()->hide();
    }
    QAction* undo() { return form->action(QStringLiteral("Undo")); }
    QAction* redo() { return form->action(QStringLiteral("Redo")); }
};

TEST_F(UndoGuiTest, TheEditMenuUndoesAndRedoesNamedCommandsOfEveryWindow) {
    ASSERT_GE(form->menuBar()->actions().size(), 2);
    EXPECT_EQ(form->menuBar()->actions()[0]->text().remove('&'), "File");
    EXPECT_EQ(form->menuBar()->actions()[1]->text().remove('&'), "Edit");
    EXPECT_EQ(undo()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_TRUE(redo()->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Y)));
    EXPECT_TRUE(redo()->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)));
    EXPECT_EQ(undo()->shortcutContext(), Qt::ApplicationShortcut);
    EXPECT_FALSE(undo()->isEnabled());
    EXPECT_FALSE(redo()->isEnabled());
    EXPECT_EQ(undo()->text(), "Undo");
    EXPECT_FALSE(form->isWindowModified());
    const auto start = configuration(ecu().Image);

    // The diagram's context menu: a paste names how many elements it made.
    const int elements = ecu().NumElements;
    rightClick(1, 1); // on TB
    form->action(QStringLiteral("Copy"))->trigger();
    rightClick(60, 60);
    ASSERT_TRUE(form->action(QStringLiteral("Paste"))->isEnabled());
    form->action(QStringLiteral("Paste"))->trigger();
    ASSERT_EQ(ecu().NumElements, elements + 1);
    EXPECT_EQ(undo()->text(), "Undo Paste 1 element");
    EXPECT_TRUE(undo()->isEnabled());
    EXPECT_TRUE(form->isWindowModified());
    const auto pasted = configuration(ecu().Image);

    // The table editor: a percentage over the selection, on the same history.
    ASSERT_TRUE(form->openTableEditor(named("TB")));
    TEditTable* table = form->tableEditor();
    table->askPercent = [] { return std::optional<int>(5); };
    table->editor().SelectAll();
    table->runCommand(QStringLiteral("Add/Subtract percentage"));
    EXPECT_EQ(undo()->text(), "Undo Change by 5% in TB");
    const int cell = ecu().ElementConstOffset[named("TB")] + 24 + 2 * 10;
    EXPECT_NE(ecu().ReadConstWord(cell), 1000);

    // Typing into one cell range merges into one step.
    table->editor().SetCursor(3, 0, false);
    QTest::keyClicks(table->grid(), "42");
    QTest::keyClick(table->grid(), Qt::Key_Return);
    QTest::keyClicks(table->grid(), "43");
    QTest::keyClick(table->grid(), Qt::Key_Return);
    EXPECT_EQ(undo()->text(), "Undo Type cells in TB");
    EXPECT_EQ(form->undoHistory().Count(), 3);
    // The keys work in the table editor's window; there Ctrl+Y stays "Interpolate".
    form->show();
    table->show();
    table->activateWindow();
    QApplication::setActiveWindow(table);
    ASSERT_TRUE(QTest::qWaitForWindowActive(table));
    const uint16_t typed = ecu().ReadConstWord(ecu().ElementConstOffset[named("TB")] + 24 + 6);
    QTest::keyClick(table->grid(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_NE(ecu().ReadConstWord(ecu().ElementConstOffset[named("TB")] + 24 + 6), typed);
    EXPECT_EQ(redo()->text(), "Redo Type cells in TB");
    QTest::keyClick(table->grid(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(ecu().ReadConstWord(ecu().ElementConstOffset[named("TB")] + 24 + 6), typed);
    QTest::keyClick(table->grid(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_FALSE(redo()->isEnabled()) << "Ctrl+Y did not redo here";

    // A change no command named (any window's direct write) is a step after the input.
    ecu().RenameSlot(kNumPages + named("Fuel2"), "Fuel3");
    QTest::keyClick(form.get(), Qt::Key_Shift);
    QApplication::processEvents();
    EXPECT_EQ(undo()->text(), "Undo Rename Fuel3");

    // Back through all of it: the editor shows the restored cells, the title is clean.
    undo()->trigger();
    EXPECT_EQ(named("Fuel3"), -1);
    undo()->trigger();
    undo()->trigger();
    EXPECT_EQ(ecu().ReadConstWord(cell), 1000);
    EXPECT_TRUE(table->isVisible()) << "the table editor follows its table";
    EXPECT_EQ(configuration(ecu().Image), pasted);
    undo()->trigger();
    EXPECT_EQ(configuration(ecu().Image), start);
    EXPECT_EQ(ecu().NumElements, elements);
    EXPECT_FALSE(form->isWindowModified()) << "the configuration equals its file again";
    EXPECT_FALSE(undo()->isEnabled());
    EXPECT_EQ(redo()->text(), "Redo Paste 1 element");
    redo()->trigger();
    EXPECT_EQ(configuration(ecu().Image), pasted);
    EXPECT_TRUE(form->isWindowModified());

    // The history window reaches any state; Save moves the saved mark.
    form->action(QStringLiteral("Undo History ..."))->trigger();
    TUndoHistoryForm* history = form->undoHistoryForm();
    ASSERT_TRUE(history->isVisible());
    ASSERT_EQ(history->list()->count(), 5);
    EXPECT_EQ(history->list()->item(2)->text(), "Change by 5% in TB");
    QListWidget* list = history->list();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(4)).center());
    EXPECT_GE(named("Fuel3"), 0);
    // Saved by any route (here the question before another command would save).
    ASSERT_TRUE(form->fileCommands().save());
    form->PollTimerTimer();
    EXPECT_FALSE(form->isWindowModified());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(0)).center());
    EXPECT_EQ(configuration(ecu().Image), start);
    EXPECT_TRUE(form->isWindowModified()) << "the file now holds the later state";
    EXPECT_TRUE(history->list()->item(4)->text().endsWith("[saved]"));
}

TEST_F(UndoGuiTest, OptimiseAndDeleteAreOneStepEachAndHoldersFollowTheRestoredNumbers) {
    ASSERT_TRUE(form->openTableEditor(named("Fuel2")));
    const auto start = configuration(ecu().Image);
    // TB reads Fuel2, which comes after it: optimising moves Fuel2 in front.
    form->recordStep("Link", [this] { ecu().LinkInput(named("TB"), 0, named("Fuel2"), 0); });
    form->OptimiseClick();
    EXPECT_EQ(undo()->text(), "Undo Optimise configuration");
    EXPECT_LT(named("Fuel2"), named("TB"));
    form->recordStep("Delete TB", [this] { PageOps::deleteElements(ecu(), {named("TB")}); });
    EXPECT_EQ(ecu().TableEditElement.index(ecu()), named("Fuel2"));
    EXPECT_EQ(undo()->text(), "Undo Delete TB");
    for (int k = 0; k < 3; ++k)
        undo()->trigger();
    EXPECT_EQ(configuration(ecu().Image), start);
    EXPECT_TRUE(form->tableEditor()->isVisible());
    EXPECT_EQ(form->tableEditor()->editor().Element(), named("Fuel2"));
    // A load starts a new history.
    ASSERT_TRUE(form->fileCommands().openFile(dir.path("a.ecu"), true));
    form->PollTimerTimer();
    EXPECT_FALSE(undo()->isEnabled());
    EXPECT_FALSE(redo()->isEnabled());
}

TEST_F(UndoGuiTest, UnsavedWorkIsOfferedBackAfterAKillAndGoneAfterASaveOrAClose) {
    const std::string folder = dir.path("data/zolmar");
    form->setRecoveryFolder(QString::fromStdString(folder));
    EXPECT_EQ(form->recoveryTimer()->interval(), 30000);
    form->recordStep("Rename", [this] { ecu().RenameSlot(kNumPages + named("TB"), "Mine"); });
    ASSERT_TRUE(leftCopy(folder)) << "written at the step";
    form->recordStep(
        "Cell", [this] { ecu().WriteConstWord(ecu().ElementConstOffset[named("TB")] + 30, 777); });
    form->saveRecovery();
    const auto onScreen = configuration(ecu().Image);
    // Killed: no close, no save; the copy stays for the next start.
    form.reset();

    form = makeForm();
    form->setRecoveryFolder(QString::fromStdString(folder));
    messages.shown.clear();
    messages.answers.push_back(Messages::Answer::Yes);
    ASSERT_TRUE(form->offerRecovery());
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_NE(messages.shown[0].text.find(dir.path("a.ecu")), std::string::npos)
        << messages.shown[0].text;
    EXPECT_EQ(configuration(ecu().Image), onScreen);
    EXPECT_EQ(form->fileCommands().currentFile(), dir.path("a.ecu"));
    form->PollTimerTimer();
    EXPECT_TRUE(form->isWindowModified());
    form->action(QStringLiteral("Save"))->trigger();
    EXPECT_FALSE(leftCopy(folder)) << "a save removes it";

    // A refused offer discards the copy; a normal close removes it too.
    form->recordStep("Again", [this] { ecu().RenameSlot(kNumPages + 6, "Again"); });
    ASSERT_TRUE(leftCopy(folder));
    form->close(); // "save the changes?" - No
    EXPECT_FALSE(leftCopy(folder));
}

using UndoOnlineTest = test::VirtualEcuWindow;

TEST_F(UndoOnlineTest, AnUndoOnlineReachesTheEcuAndAStructuralUndoGoesOffline) {
    start();
    ASSERT_TRUE(pollUntil(Link::Online));
    tECU& ecu = form->ecu();
    const int boost = ecu.FindElementByName("Boost", false);
    ASSERT_GE(boost, 0);
    const int at = ecu.ElementConstOffset[boost];
    const uint16_t was = ecu.ReadConstWord(at);
    form->recordStep("Set Boost", [&] { ecu.WriteConstWord(at, 1234); });
    poll(20);
    EXPECT_EQ(ecu.LinkState, Link::Online);
    // What the link keeps in step: the constants and the diagram in use.
    auto synced = [&](const uint8_t* image) {
        std::vector<uint8_t> bytes(image, image + kConstBase + ecu.ConstEnd());
        bytes.insert(bytes.end(), image + kLogicBase, image + kLogicBase + ecu.LogicEnd());
        return bytes;
    };
    auto committed = [&] { return synced(virtualEcu.Committed()); };
    EXPECT_EQ(committed(), synced(ecu.Image));
    form->undoClick();
    EXPECT_EQ(ecu.ReadConstWord(at), was);
    poll(20);
    EXPECT_EQ(ecu.LinkState, Link::Online) << "a constant undo keeps the link online";
    EXPECT_EQ(committed(), synced(ecu.Image)) << "the ECU took the undo";

    // A structural step goes offline; written again, its undo goes offline too.
    form->recordStep("Delete Boost", [&] { PageOps::deleteElements(ecu, {boost}); });
    ASSERT_TRUE(pollUntil(Link::Offline, 20));
    form->engine().WriteAllToEcu();
    ASSERT_TRUE(pollUntil(Link::Online));
    form->undoClick();
    EXPECT_GE(ecu.FindElementByName("Boost", false), 0);
    EXPECT_TRUE(pollUntil(Link::Offline, 20));
}

} // namespace
