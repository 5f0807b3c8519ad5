#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "app/AppIcon.h"
#include "app/MainForm.h"
#include "app/MenuAccelerators.h"
#include "app/ToolIcons.h"
#include "app/WindowMemory.h"
#include "editor/SimpleView.h"
#include "files/NewConfiguration.h"
#include "files/SettingsFile.h"
#include "gauges/GaugesForm.h"
#include "link/LearnHistoryForm.h"
#include "model/Tables.h"
#include "tables/TEditTable.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSet>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QUrl>
#include <gtest/gtest.h>

using namespace zolmar;
using namespace zolmar::gui;
using zolmar::test::ScriptedDialogs;
using zolmar::test::TempDir;

namespace {

struct DesktopTest : ::testing::Test {
    RecordingMessages messages;
    MemoryPreferences prefs;
    ScriptedDialogs dialogs;
    TempDir dir;
    int wide = -1;

    // A blank configuration with a 24 x 3 table on page 8 and page 8 named with an "&".
    std::string save() {
        SilentMessages quiet;
        auto ecu = std::make_unique<tECU>(quiet);
        NewConfiguration::MakeBlank(*ecu);
        EXPECT_TRUE(ecu->CreateElement(ElementType::Table3D, 1, 1, "Wide", 7, &wide));
        Tables::AxisLayout h{0, 2300, 100}, v{0, 1000, 500};
        EXPECT_TRUE(Tables::LayOut(*ecu, wide, h, &v));
        EXPECT_TRUE(ecu->RenameSlot(7, "Rev & Boost Limits"));
        std::string error;
        EXPECT_TRUE(SettingsFile::save(*ecu, dir.path("d.ecu"), error)) << error;
        return dir.path("d.ecu");
    }
    std::unique_ptr<TMainForm> make() {
        auto form = std::make_unique<TMainForm>(messages, prefs, dialogs);
        form->setSplashAtStart(false);
        return form;
    }
};

TEST_F(DesktopTest, TheTitleMarksUnsavedChangesUntilTheyAreSaved) {
    const std::string file = save();
    auto form = make();
    ASSERT_TRUE(form->fileCommands().openFile(file, true));
    form->ecu().Modified = false;
    form->PollTimerTimer();
    EXPECT_EQ(form->windowTitle(), QString::fromStdString(file) + "[*] - ZOLMAR");
    EXPECT_FALSE(form->isWindowModified());
    // An edit anywhere sets the model's flag; the next poll shows it.
    form->ecu().WriteConstWord(form->ecu().ElementConstOffset[wide] + 20, 250);
    form->PollTimerTimer();
    EXPECT_TRUE(form->isWindowModified());
    dialogs.answers = {dir.path("saved.ecu")};
    form->action("Save As ...")->trigger();
    EXPECT_FALSE(form->isWindowModified());
    EXPECT_TRUE(form->windowTitle().startsWith(QString::fromStdString(dir.path("saved.ecu"))));
}

TEST_F(DesktopTest, PlacesOfTheMainWindowAndTheLongLivedWindowsComeBack) {
    auto form = make();
    {
        WindowMemory memory(prefs);
        memory.remember(*form, true);
        memory.rememberLongLivedWindows(*form);
        form->show();
        form->setGeometry(40, 50, 700, 500);
        form->learnHistoryForm()->show();
        form->learnHistoryForm()->resize(310, 240);
        form->learnHistoryForm()->move(120, 90);
        form->learnHistoryForm()->hide(); // closing a long-lived window only hides it
        // The gauges' window keeps the size its list needs; only its place comes back.
        form->gaugesForm()->show();
        form->gaugesForm()->move(60, 70);
        form->gaugesForm()->close();
        form->hide();
    }
    ASSERT_FALSE(prefs.read("WindowTLearnHistoryForm").empty());
    ASSERT_FALSE(prefs.read("WindowTGaugesForm").empty());
    ASSERT_FALSE(prefs.read("WindowTMainForm").empty());
    EXPECT_TRUE(prefs.read("WindowTSplashForm").empty()) << "prompts stay centred";

    auto again = make();
    WindowMemory memory(prefs);
    memory.remember(*again, true);
    memory.rememberLongLivedWindows(*again);
    EXPECT_TRUE(memory.restore(*again));
    EXPECT_EQ(again->size(), QSize(700, 500));
    EXPECT_EQ(again->learnHistoryForm()->size(), QSize(310, 240)) << "placed before it is shown";
    EXPECT_EQ(again->learnHistoryForm()->pos(), QPoint(120, 90));
    EXPECT_EQ(again->gaugesForm()->pos(), QPoint(60, 70));

    // A place that no screen shows any more is brought back onto one.
    prefs.write("WindowTGaugesForm", "-30000,-30000,310,240");
    auto third = make();
    WindowMemory fresh(prefs);
    fresh.rememberLongLivedWindows(*third);
    const auto area = WindowMemory::availableArea(*third->gaugesForm());
    EXPECT_GE(third->gaugesForm()->x(), area.x);
    EXPECT_GE(third->gaugesForm()->y(), area.y);
    // A damaged value is ignored.
    prefs.write("WindowTGaugesForm", "a,b,c");
    EXPECT_FALSE(fresh.restore(*third->gaugesForm()));
}

TEST_F(DesktopTest, TheTableEditorScrollsToColumnsItCannotShow) {
    const std::string file = save();
    auto form = make();
    ASSERT_TRUE(form->fileCommands().openFile(file, true));
    TEditTable* editor = form->tableEditor();
    ASSERT_TRUE(form->openTableEditor(wide));
    // The offscreen screen is smaller than the 24 columns need: the bar says so.
    editor->resize(700, 600);
    QTest::qWait(20);
    editor->updateScrollBars();
    QScrollBar* bar = editor->horizontalBar();
    ASSERT_TRUE(bar->isVisible());
    const int shown = editor->editor().VisibleColumns(editor->gridMetrics());
    EXPECT_LT(shown, 24);
    EXPECT_EQ(bar->maximum(), 24 - shown);
    EXPECT_EQ(bar->pageStep(), shown);
    EXPECT_FALSE(editor->verticalBar()->isVisible()) << "three rows fit";
    // Moving the bar scrolls the grid; keys scroll the bar.
    bar->setValue(5);
    EXPECT_EQ(editor->editor().FirstColumn(), 5);
    editor->handleKey(Qt::Key_Home, {});
    for (int k = 0; k < 23; ++k)
        editor->handleKey(Qt::Key_Right, {});
    EXPECT_EQ(editor->editor().CursorColumn(), 23);
    EXPECT_EQ(bar->value(), editor->editor().FirstColumn());
    EXPECT_GE(editor->editor().FirstColumn() + shown, 24) << "the last column is in view";
    // Wide enough for the whole table: no bar.
    int w = 0, h = 0;
    editor->editor().WholeTableSize(editor->gridMetrics(), w, h);
    editor->editor().SetFirstVisible(0, 0);
    editor->resize(editor->width() + w - editor->grid()->width() + 10, editor->height());
    QTest::qWait(20);
    editor->updateScrollBars();
    EXPECT_FALSE(bar->isVisible());
}

TEST_F(DesktopTest, AnAmpersandInAPageNameShowsAsItself) {
    const std::string file = save();
    auto form = make();
    form->setAdvancedView(false);
    ASSERT_TRUE(form->fileCommands().openFile(file, true));
    form->setAdvancedView(false);
    QTabWidget* tabs = form->simpleView()->pageControl();
    QStringList shown;
    for (int k = 0; k < tabs->count(); ++k)
        shown << tabs->tabText(k);
    // "&&" is how a tab writes a literal "&": no letter is underlined.
    EXPECT_TRUE(shown.contains("Rev && Boost Limits")) << shown.join("|").toStdString();
}

TEST_F(DesktopTest, EveryMenuHasItsOwnAltLettersAndKeepsItsCaptions) {
    auto form = make();
    std::function<void(const QList<QAction*>&, const QString&)> check =
        [&](const QList<QAction*>& actions, const QString& where) {
            QSet<QChar> letters;
            for (QAction* a : actions) {
                if (a->isSeparator() || a->objectName().startsWith("RecentItem"))
                    continue;
                const QString text = a->menu() ? a->menu()->title() : a->text();
                const qsizetype mark = text.indexOf(QRegularExpression("&[^&]"));
                if (mark < 0)
                    continue;
                const QChar letter = text[mark + 1].toLower();
                EXPECT_FALSE(letters.contains(letter))
                    << where.toStdString() << ": " << text.toStdString();
                letters.insert(letter);
                if (a->menu() && a->menu()->objectName().isEmpty())
                    check(a->menu()->actions(), text);
            }
            EXPECT_FALSE(letters.isEmpty()) << where.toStdString();
        };
    check(form->menuBar()->actions(), "menu bar");
    EXPECT_EQ(form->menuBar()->actions().first()->text(), "&File");
    // The commands are still found by their captions.
    EXPECT_EQ(MenuAccelerators::Plain(form->action("Save As ...")->text().toStdString()),
              "Save As ...");
}

TEST_F(DesktopTest, HelpOpensTheManualAtTheWindowInFront) {
    auto form = make();
    EXPECT_FALSE(form->helpUrl().hasFragment());
    EXPECT_TRUE(form->helpUrl().toLocalFile().endsWith("q7700xHelp.html"));
    form->setAdvancedView(true);
    EXPECT_EQ(form->helpUrl().fragment(), "editing");
    form->gaugesForm()->show();
    EXPECT_EQ(form->helpUrl().fragment(), "gauges");
    EXPECT_EQ(form->action("Help / User Manual")->shortcutContext(), Qt::ApplicationShortcut);
}

TEST_F(DesktopTest, TheWindowIconIsTheApplicationsSvg) {
    const QIcon icon = appIcon();
    ASSERT_FALSE(icon.isNull());
    const QImage image = icon.pixmap(64, 64).toImage();
    ASSERT_FALSE(image.isNull());
    // The dark blue face fills the middle of the picture; its corners are clear.
    EXPECT_LT(qBlue(image.pixel(32, 62)) + qRed(image.pixel(32, 62)), 400);
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
}

} // namespace

namespace {

TEST_F(DesktopTest, EveryToolbarButtonHasADrawnIconAndKeepsItsHint) {
    auto form = make();
    int icons = 0;
    QSet<qint64> pictures;
    for (QAction* a : form->toolBar()->actions()) {
        if (a->isSeparator() || !a->text().isEmpty())
            continue; // the three push buttons carry their captions
        ASSERT_FALSE(a->icon().isNull()) << a->toolTip().toStdString();
        EXPECT_FALSE(a->toolTip().isEmpty());
        const QImage image = a->icon().pixmap(22, 22).toImage();
        pictures.insert(qHashBits(image.constBits(), static_cast<size_t>(image.sizeInBytes())));
        ++icons;
    }
    EXPECT_EQ(icons, 17 + 21);
    EXPECT_EQ(pictures.size(), icons) << "every command has a picture of its own";
    EXPECT_TRUE(toolIcon("no such icon").isNull());
}

} // namespace
