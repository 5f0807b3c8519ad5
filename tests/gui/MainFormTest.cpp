#include "app/MainForm.h"
#include "RawConfig.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "app/MenuAccelerators.h"
#include "app/SplashForm.h"
#include "editor/DiagramCanvas.h"
#include "files/ConfOptForm.h"
#include "files/SettingsFile.h"
#include "tables/TEditTable.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

using namespace zolmar;
using namespace zolmar::gui;
using zolmar::test::ScriptedDialogs;
using zolmar::test::TempDir;

namespace {

// A menu caption as the user reads it: the Alt-letter marks left out.
QString plain(const QString& caption) {
    return QString::fromStdString(MenuAccelerators::Plain(caption.toStdString()));
}

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
                captions << plain(a->menu() ? a->menu()->title() : a->text());
        return captions;
    }
};

TEST_F(MainFormTest, MenusHoldTheirItemsInOrder) {
    QStringList titles;
    for (QAction* a : form->menuBar()->actions())
        titles << plain(a->text());
    EXPECT_EQ(titles, (QStringList{"File", "Edit", "ECU Config / Settings Synchronisation",
                                   "Windows", "Maps/Tables", "Dedicated Functions", "Logging",
                                   "Advanced", "Firmware", "Settings", "Help"}));
    EXPECT_EQ(itemsOf("File"),
              (QStringList{"New ...", "Open ...", "Save", "Save As ...",
                           "Import/Merge Configuration", "Compare with File ...",
                           "Compare with Restore Point ...", "Properties ...", "Exit"}));
    EXPECT_EQ(itemsOf("Edit"), (QStringList{"Undo", "Redo", "Undo History ..."}));
    EXPECT_EQ(itemsOf("Maps/Tables"), (QStringList{"3D Tables", "2D Tables", "Map/Table Options"}));
    EXPECT_EQ(form->action("Save As ...")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));
    EXPECT_EQ(form->action("Analogue Voltages")->shortcut(), QKeySequence(Qt::Key_F11));
    EXPECT_EQ(form->action("Help / User Manual")->shortcut(), QKeySequence(Qt::Key_F1));
}

TEST_F(MainFormTest, ToolbarOrderAndStartStates) {
    QStringList hints;
    for (QAction* a : form->toolBar()->actions())
        if (!a->isSeparator())
            hints << (a->text().isEmpty() ? a->toolTip() : a->text());
    ASSERT_EQ(hints.size(), 17 + 3 + 21);
    EXPECT_EQ(hints[0], "New ECU configuration (Ctrl+N)");
    EXPECT_EQ(hints[16], "Analogue Voltages (F11)");
    EXPECT_EQ(hints[17], "Optimise");
    EXPECT_EQ(hints[19], "Go Online");
    EXPECT_EQ(hints[20], "Add a new Constant");
    EXPECT_EQ(hints[40], "Add a new 32-Way Multiplexer");
    EXPECT_TRUE(form->action("Open ECU Configuration (Ctrl+O)")->isEnabled());
    EXPECT_FALSE(form->action("Save ECU configuration (Ctrl+S)")->isEnabled());
    EXPECT_TRUE(form->action("New ECU configuration (Ctrl+N)")->isEnabled());
    EXPECT_TRUE(form->action("ECU Properties")->isEnabled());
    EXPECT_TRUE(form->action("Show Wiring (F8)")->isEnabled());
    EXPECT_FALSE(form->action("Go Online")->isEnabled());
    EXPECT_EQ(form->action("OnlineButton")->text(), "Go Online");
    EXPECT_FALSE(form->action("OnlineButton")->isEnabled());
    EXPECT_FALSE(form->action("OptimiseButton")->isEnabled());
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
    EXPECT_EQ(form->windowTitle(), QString::fromStdString(dir.path("in.ecu")) + "[*] - ZOLMAR");
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

namespace {

struct MainFormViewTest : ::testing::Test {
    RecordingMessages messages;
    MemoryPreferences prefs;
    ScriptedDialogs dialogs;
    TempDir dir;

    std::unique_ptr<TMainForm> make() {
        return std::make_unique<TMainForm>(messages, prefs, dialogs);
    }
    static bool addButtonsEnabled(TMainForm& form) {
        return form.action("Add a new Constant")->isEnabled() &&
               form.action("Add a new 32-Way Multiplexer")->isEnabled();
    }
    void openDiagram(TMainForm& form) {
        {
            SilentMessages quiet;
            auto other = std::make_unique<tECU>(quiet);
            zolmar::test::RawConfig raw(*other);
            int k = raw.add(ElementType::Constant, 4, 2, 3, "Source");
            int s = raw.add(ElementType::Summer, 4, 20, 3, "Sum");
            raw.link(s, 0, k, 0);
            raw.literal(s, 1, 100);
            raw.add(ElementType::Label, 4, 2, 30, "Notes");
            raw.finish();
            std::string error;
            ASSERT_TRUE(SettingsFile::save(*other, dir.path("d.ecu"), error));
        }
        ASSERT_TRUE(form.fileCommands().openFile(dir.path("d.ecu"), true));
    }
};

TEST_F(MainFormViewTest, WithoutAStoredViewTheSimpleViewStartsLocked) {
    auto form = make();
    EXPECT_FALSE(form->advancedView());
    EXPECT_TRUE(form->configLocked());
    EXPECT_FALSE(addButtonsEnabled(*form));
    EXPECT_EQ(prefs.values["AdvancedView"], "Simple");
    EXPECT_FALSE(form->findChild<QWidget*>("ConfigLock")->isVisibleTo(form.get()));
    EXPECT_FALSE(form->findChild<QWidget*>("ECUPage")->isVisibleTo(form.get()));
    EXPECT_TRUE(form->findChild<QWidget*>("ECUPageSimple")->isVisibleTo(form.get()));
}

TEST_F(MainFormViewTest, ViewSwitchStoresTheChoiceAndUnlockingEnablesAdding) {
    prefs.values["AdvancedView"] = "Advanced";
    auto form = make();
    EXPECT_TRUE(form->advancedView());
    EXPECT_TRUE(form->findChild<QWidget*>("ConfigLock")->isVisibleTo(form.get()));
    EXPECT_FALSE(addButtonsEnabled(*form));
    form->setConfigLocked(false);
    EXPECT_TRUE(addButtonsEnabled(*form));
    EXPECT_TRUE(form->action("Start Logging Configuration Changes")->isEnabled());
    form->setAdvancedView(false);
    EXPECT_EQ(prefs.values["AdvancedView"], "Simple");
    EXPECT_TRUE(form->configLocked());
    EXPECT_FALSE(addButtonsEnabled(*form));
    EXPECT_FALSE(form->action("Stop Logging Configuration Changes")->isEnabled());
    form->setAdvancedView(true);
    EXPECT_EQ(prefs.values["AdvancedView"], "Advanced");
    EXPECT_FALSE(addButtonsEnabled(*form)); // still locked
}

TEST_F(MainFormViewTest, SimpleViewDrawsABlankCanvasAndTheAdvancedViewTheDiagram) {
    auto form = make();
    openDiagram(*form);
    form->setCurrentPage(4);
    EXPECT_EQ(form->renderer().elementMap().at(2, 3), ElementMap::kNoElement);
    QImage blank = form->canvas()->image();
    EXPECT_EQ(blank.pixelColor(17 * 2 + 20, 17 * 3 + 1), QColor(Qt::white));

    form->setAdvancedView(true);
    const ElementMap& map = form->renderer().elementMap();
    EXPECT_EQ(ElementMap::element(map.at(2, 3)), 0);
    EXPECT_EQ(ElementMap::inputPlusOne(map.at(20, 4)), 2);
    // The label's name row is its third row.
    EXPECT_TRUE(ElementMap::nameRow(map.at(2, 32)));
    // The picture's frame and the wire are on the canvas, the backup holds the same.
    QImage drawn = form->canvas()->image();
    int dark = 0;
    for (int x = 17 * 2; x < 17 * 20; ++x)
        dark += qGray(drawn.pixel(x, 17 * 3 + 8)) < 128;
    EXPECT_GT(dark, 17 * 10);
    // The backup holds the full render without the overlay.
    int backedUp = 0;
    for (int x = 17 * 2; x < 17 * 20; ++x)
        backedUp += qGray(form->canvas()->backupImage().pixel(x, 17 * 3 + 8)) < 128;
    EXPECT_GT(backedUp, 17 * 10);
    ASSERT_EQ(form->router().routes(4).size(), 1u);
    EXPECT_TRUE(form->router().routes(4)[0].routed());
}

TEST_F(MainFormViewTest, ChoosingAPageScrollsBackToItsCorner) {
    prefs.values["AdvancedView"] = "Advanced";
    auto form = make();
    form->resize(800, 600);
    form->show();
    openDiagram(*form);
    QScrollArea* box = form->scrollBox();
    box->horizontalScrollBar()->setValue(300);
    box->verticalScrollBar()->setValue(400);
    EXPECT_EQ(box->horizontalScrollBar()->singleStep(), 17);
    form->setCurrentPage(4);
    EXPECT_EQ(form->currentPage(), 4);
    EXPECT_EQ(box->horizontalScrollBar()->value(), 0);
    EXPECT_EQ(box->verticalScrollBar()->value(), 0);
    form->setCurrentPage(200); // ignored
    EXPECT_EQ(form->currentPage(), 4);
}

TEST_F(MainFormViewTest, ConstantsChangedRedrawsWithinHalfASecond) {
    prefs.values["AdvancedView"] = "Advanced";
    auto form = make();
    openDiagram(*form);
    form->setCurrentPage(4);
    form->ecu().SetImageWord(Layout::kConstBase + form->ecu().ElementConstOffset[0], 3 * 50, true);
    form->ecu().ConstantsChanged = true;
    QTest::qWait(700);
    EXPECT_FALSE(form->ecu().ConstantsChanged);
}

TEST_F(MainFormViewTest, FirstShowingOffersTheNextHint) {
    prefs.values["HintNumber"] = "3";
    auto form = make();
    form->show();
    QTest::qWait(50);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text.substr(0, 26), "If you want to record deta");
    EXPECT_EQ(prefs.values["HintNumber"], "4");
    EXPECT_EQ(prefs.values["ShowStartHints"], "DontShowHints"); // the script answered No
    EXPECT_TRUE(form->splash()->isVisible());                   // then the splash window
    form->hide();
    form->show();
    QTest::qWait(20);
    EXPECT_EQ(messages.shown.size(), 1u);
}

} // namespace

namespace {

struct MainFormCommandTest : MainFormViewTest {
    void openTables(TMainForm& form) {
        {
            SilentMessages quiet;
            auto other = std::make_unique<tECU>(quiet);
            zolmar::test::RawConfig raw(*other);
            raw.add(ElementType::Table2D, 9, 2, 3, "Warm-up", 4);
            raw.add(ElementType::Table3D, 2, 20, 3, "Fuel", 3, 2);
            raw.add(ElementType::Table2D, 3, 2, 10, "Cranking", 2);
            raw.add(ElementType::Table2D, 3 | 0x80, 2, 20, "Hidden", 2);
            raw.finish();
            std::string error;
            ASSERT_TRUE(SettingsFile::save(*other, dir.path("t.ecu"), error));
        }
        ASSERT_TRUE(form.fileCommands().openFile(dir.path("t.ecu"), true));
    }
    static QStringList texts(QMenu* menu) {
        QStringList out;
        for (QAction* a : menu->actions())
            out << plain(a->menu() ? a->menu()->title() : a->text());
        return out;
    }
};

TEST_F(MainFormCommandTest, ThePageListOpensOnItsFirstEntryAndClosingShowsThePage) {
    prefs.values["AdvancedView"] = "Advanced";
    auto form = make();
    form->resize(800, 600);
    form->show();
    openDiagram(*form);
    QComboBox* pages = form->pageSelector();
    ASSERT_EQ(pages->count(), 128);
    EXPECT_EQ(pages->itemText(4), "   5: ");
    EXPECT_EQ(pages->itemText(5), "   6:  (blank)");
    EXPECT_EQ(pages->itemText(99), "100:  (blank)");
    form->setCurrentPage(4);
    EXPECT_EQ(pages->currentIndex(), 4);
    form->scrollBox()->verticalScrollBar()->setValue(200);
    // Opened and closed without a choice: the first page.
    pages->showPopup();
    EXPECT_EQ(pages->currentIndex(), 0);
    pages->hidePopup();
    QTest::qWait(10);
    EXPECT_EQ(form->currentPage(), 0);
    EXPECT_EQ(form->scrollBox()->verticalScrollBar()->value(), 0);
    EXPECT_FALSE(pages->hasFocus());
    // A chosen entry becomes the page and is drawn.
    pages->showPopup();
    pages->setCurrentIndex(4);
    pages->hidePopup();
    QTest::qWait(10);
    EXPECT_EQ(form->currentPage(), 4);
    EXPECT_EQ(ElementMap::element(form->renderer().elementMap().at(2, 3)), 0);
}

TEST_F(MainFormCommandTest, TheTablesMenuIsBuiltWhenItOpens) {
    auto form = make();
    openTables(*form);
    QMenu* maps = form->menu("Maps/Tables");
    EXPECT_FALSE(form->menu("2D Tables")->isEnabled());
    emit maps->aboutToShow();
    EXPECT_EQ(texts(form->menu("2D Tables")),
              (QStringList{"Page   4 - Cranking (2 entries, 0% Tuned)",
                           "Page  10 - Warm-up (4 entries, 0% Tuned)"}));
    EXPECT_EQ(texts(form->menu("3D Tables")), (QStringList{"Page   3 - Fuel (3x2, 0% Tuned)"}));
    EXPECT_TRUE(form->menu("2D Tables")->isEnabled());
    // Opening it again rebuilds rather than adds.
    emit maps->aboutToShow();
    EXPECT_EQ(form->menu("2D Tables")->actions().size(), 2);
    form->menu("2D Tables")->actions()[1]->trigger();
    EXPECT_TRUE(form->tableEditor()->isVisible());
    EXPECT_EQ(form->ecu().TableEditElement.index(form->ecu()),
              form->ecu().FindElementByName("Warm-up", false));
    EXPECT_EQ(form->tableEditor()->windowTitle(), "Warm-up (2D map)");
}

TEST_F(MainFormCommandTest, OptimisationFollowsTheStoredChoiceAndTheDialogKeepsItOpposite) {
    prefs.values["ConfOptMode"] = "Recalc";
    prefs.values["AdvancedView"] = "Advanced";
    auto form = make();
    openDiagram(*form);
    form->setCurrentPage(4);
    form->OptimiseClick();
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown.back().text, "Calculation Latency Optimisation Complete");
    EXPECT_EQ(messages.shown.back().kind, Messages::Kind::Information);
    EXPECT_TRUE(form->router().routesValid(4)); // redrawn at once
    EXPECT_FALSE(form->router().routesValid(5));

    form->action("Configuration Optimisation")->trigger();
    TConfOptForm* dialog = form->confOptForm();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->Balanced->isChecked());
    EXPECT_TRUE(dialog->Latency->isChecked());
    dialog->Balanced->click();
    EXPECT_TRUE(dialog->Balanced->isChecked());
    EXPECT_FALSE(dialog->Latency->isChecked());
    EXPECT_EQ(prefs.values["ConfOptMode"], "balanced");
    dialog->Balanced->click(); // unticking one ticks the other
    EXPECT_TRUE(dialog->Latency->isChecked());
    EXPECT_EQ(prefs.values["ConfOptMode"], "recalc");
    dialog->Latency->click();
    form->OptimiseClick();
    EXPECT_EQ(messages.shown.back().text, "Balanced Optimisation Complete");
    EXPECT_EQ(form->action("Optimise Configuration")->toolTip().left(34),
              "Optimise the current configuration");
}

TEST_F(MainFormCommandTest, TheCanvasMenuHoldsTheEditorsItemsDisabledUntilTheyWork) {
    auto form = make();
    QMenu* options = form->elementOptions();
    EXPECT_EQ(texts(options),
              (QStringList{"View Element Properties", "Rename Element", "Edit Link", "Delete Link",
                           "Copy", "Cut", "Paste", "Delete Element/s", "Select All",
                           "Search for Element", "Page Options", "New Element"}));
    EXPECT_EQ(texts(form->menu("Page Options")),
              (QStringList{"Page Properties", "Rename Page", "Move All to Different Page",
                           "Duplicate Page", "Delete Page"}));
    QStringList created = texts(form->menu("New Element"));
    ASSERT_EQ(created.size(), 21);
    EXPECT_EQ(created.first(), "New Constant");
    EXPECT_EQ(created[19], "New Inj Aux Outputs Block");
    EXPECT_FALSE(form->action("Paste")->isEnabled());
    EXPECT_FALSE(form->action("Search for Element")->isEnabled());
}

TEST_F(MainFormCommandTest, AboutShowsTheSplashWithoutItsProgress) {
    auto form = make();
    form->action("About")->trigger();
    TSplashForm* splash = form->splash();
    EXPECT_TRUE(splash->isVisible());
    EXPECT_FALSE(splash->progressShown());
    EXPECT_EQ(splash->height(), TSplashForm::kSplashHeight);
    EXPECT_FALSE(splash->CancelButton->isVisible());
    EXPECT_TRUE(splash->OpenSettingsFile->isVisible());
    QTest::mouseClick(splash, Qt::LeftButton);
    EXPECT_FALSE(splash->isVisible());
}

} // namespace
