#include "app/MainForm.h"
#include "RawConfig.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "files/SettingsFile.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <gtest/gtest.h>

using namespace zolmar;
using namespace zolmar::gui;
using zolmar::test::ScriptedDialogs;
using zolmar::test::TempDir;

namespace {

struct MainFormTest : ::testing::Test {
    RecordingMessages messages;
    MemoryPreferences prefs;
    ScriptedDialogs dialogs;
    TempDir dir;
    std::unique_ptr<TMainForm> form = std::make_unique<TMainForm>(messages, prefs, dialogs);

    QStringList itemsOf(const QString& title) {
        QStringList captions;
        for (QAction* a : form->menu(title)->actions())
            if (!a->isSeparator() && !a->objectName().startsWith(QLatin1String("RecentItem")))
                captions << (a->menu() ? a->menu()->title() : a->text());
        return captions;
    }
};

TEST_F(MainFormTest, MenusHoldTheirItemsInOrder) {
    QStringList titles;
    for (QAction* a : form->menuBar()->actions())
        titles << a->text();
    EXPECT_EQ(titles, (QStringList{"File", "ECU Config / Settings Synchronisation", "Windows",
                                   "Maps/Tables", "Dedicated Functions", "Logging", "Advanced",
                                   "Firmware", "Settings", "Help"}));
    EXPECT_EQ(itemsOf("File"),
              (QStringList{"New ...", "Open ...", "Save", "Save As ...",
                           "Import/Merge Configuration", "Properties ...", "Exit"}));
    EXPECT_EQ(itemsOf("Maps/Tables"), (QStringList{"3D Tables", "2D Tables", "Map/Table Options"}));
    EXPECT_EQ(form->action("Save As ...")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));
    EXPECT_EQ(form->action("Analogue Voltages")->shortcut(), QKeySequence(Qt::Key_F11));
    EXPECT_EQ(form->action("Help / User Manual")->shortcut(), QKeySequence(Qt::Key_F1));
}

TEST_F(MainFormTest, ToolbarOrderAndStartStates) {
    QStringList hints;
    for (QAction* a : form->toolBar()->actions())
        if (!a->isSeparator())
            hints << (a->toolTip().isEmpty() ? a->text() : a->toolTip());
    ASSERT_EQ(hints.size(), 17 + 3 + 21);
    EXPECT_EQ(hints[0], "New ECU configuration (Ctrl+N)");
    EXPECT_EQ(hints[16], "Analogue Voltages (F11)");
    EXPECT_EQ(hints[17], "Optimise");
    EXPECT_EQ(hints[19], "Go Online");
    EXPECT_EQ(hints[20], "Add a new Constant");
    EXPECT_EQ(hints[40], "Add a new 32-Way Multiplexer");
    EXPECT_TRUE(form->action("Open ECU Configuration (Ctrl+O)")->isEnabled());
    EXPECT_FALSE(form->action("Save ECU configuration (Ctrl+S)")->isEnabled());
    EXPECT_FALSE(form->action("New ECU configuration (Ctrl+N)")->isEnabled());
    EXPECT_FALSE(form->action("Go Online")->isEnabled());
}

TEST_F(MainFormTest, OpenShowsTheFileAndSaveAsEnablesSave) {
    {
        SilentMessages quiet;
        auto other = std::make_unique<tECU>(quiet);
        zolmar::test::RawConfig raw(*other);
        raw.add(ElementType::Constant, 2, 1, 1, "Boost \xB0");
        raw.finish();
        std::string error;
        ASSERT_TRUE(SettingsFile::save(*other, dir.path("in.ecu"), error));
    }
    dialogs.answers = {dir.path("in.ecu"), dir.path("out.ecu")};
    form->action("Open ...")->trigger();
    EXPECT_EQ(form->windowTitle(), QString::fromStdString(dir.path("in.ecu")) + " - ZOLMAR");
    EXPECT_EQ(form->ecu().LinkState, 12);
    EXPECT_EQ(form->ecu().NumElements, 1);
    form->setAdvancedView(true);
    form->setCurrentPage(2);
    EXPECT_EQ(ElementMap::element(form->renderer().elementMap().at(1, 1)), 0);
    EXPECT_TRUE(form->router().routesValid(2));

    form->action("Save As ...")->trigger();
    EXPECT_TRUE(form->action("Save")->isEnabled());
    EXPECT_TRUE(form->action("Save ECU configuration (Ctrl+S)")->isEnabled());
    form->refreshRecentItems();
    EXPECT_EQ(form->recentItems()[0]->text(), QString::fromStdString(dir.path("out.ecu")));
    EXPECT_TRUE(form->recentItems()[1]->isEnabled());
    EXPECT_FALSE(form->recentItems()[2]->isEnabled());
}

TEST_F(MainFormTest, CloseIsRefusedWhenTheWantedSaveIsCancelled) {
    form->show();
    form->ecu().Modified = true;
    messages.answers = {Messages::Answer::Yes};
    dialogs.answers = {""};
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    messages.answers = {Messages::Answer::No};
    EXPECT_TRUE(form->close());
}

} // namespace
