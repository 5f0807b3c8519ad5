#include "RawConfig.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "app/MainForm.h"
#include "dialogs/TIASciEdit.h"
#include "editor/SimpleView.h"
#include "files/AtomicFile.h"
#include "files/NewConfiguration.h"
#include "files/SettingsFile.h"
#include "model/Tables.h"
#include "tables/TEditTable.h"
#include "tables/TMapOptionsForm.h"
#include "tables/TTableSetupForm.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace zolmar;
using namespace zolmar::gui;
using zolmar::test::ScriptedDialogs;
using zolmar::test::TempDir;

namespace {

struct TablesGuiTest : ::testing::Test {
    RecordingMessages messages;
    MemoryPreferences prefs;
    ScriptedDialogs dialogs;
    TempDir dir;
    int fuel = -1, warm = -1, idle = -1;

    // A configuration with a 3D table, a 2D table and a constant on page 8, opened.
    std::unique_ptr<TMainForm> make() {
        {
            SilentMessages quiet;
            auto ecu = std::make_unique<tECU>(quiet);
            NewConfiguration::MakeBlank(*ecu);
            EXPECT_TRUE(ecu->CreateElement(ElementType::Table3D, 1, 1, "Fuel", 7, &fuel));
            Tables::AxisLayout h{0, 1500, 500}, v{0, 1000, 500};
            EXPECT_TRUE(Tables::LayOut(*ecu, fuel, h, &v));
            EXPECT_TRUE(ecu->CreateElement(ElementType::Table2D, 1, 4, "Warm", 7, &warm));
            EXPECT_TRUE(Tables::LayOut(*ecu, warm, {0, 500, 250}, nullptr));
            EXPECT_TRUE(ecu->CreateElement(ElementType::Constant, 1, 6, "Idle", 7, &idle));
            ecu->WriteConstWord(ecu->ElementConstOffset[idle], 12345);
            std::string error;
            EXPECT_TRUE(SettingsFile::save(*ecu, dir.path("t.ecu"), error));
        }
        auto form = std::make_unique<TMainForm>(messages, prefs, dialogs);
        form->setSplashAtStart(false);
        EXPECT_TRUE(form->fileCommands().openFile(dir.path("t.ecu"), true));
        return form;
    }
    int cell(TMainForm& form, int element, int column, int row) {
        Tables::Shape s;
        EXPECT_TRUE(Tables::ShapeOf(form.ecu(), element, s));
        return static_cast<int16_t>(Tables::Cell(form.ecu(), s, column, row));
    }
};

TEST_F(TablesGuiTest, MenuOpensTheEditorAndTypingWritesTheSelectedCells) {
    auto form = make();
    emit form->menu("Maps/Tables")->aboutToShow();
    ASSERT_EQ(form->menu("3D Tables")->actions().size(), 1);
    form->menu("3D Tables")->actions()[0]->trigger();
    TEditTable* editor = form->tableEditor();
    ASSERT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->windowTitle(), "Fuel (3D map)");
    EXPECT_EQ(editor->summaryLabel(0)->text(), "Size: 4 by 3");
    EXPECT_EQ(form->ecu().TableEditElement.index(form->ecu()), fuel);

    QWidget* grid = editor->grid();
    QTest::keyClick(grid, Qt::Key_Right);
    QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClicks(grid, "12");
    EXPECT_TRUE(editor->editor().Entering());
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_EQ(cell(*form, fuel, 1, 0), 600);
    EXPECT_EQ(cell(*form, fuel, 1, 1), 600);
    EXPECT_EQ(cell(*form, fuel, 0, 0), 0);
    EXPECT_TRUE(form->ecu().Modified);
    Tables::Shape s;
    ASSERT_TRUE(Tables::ShapeOf(form->ecu(), fuel, s));
    EXPECT_EQ(form->ecu().SyncAt(Layout::kConstBase + s.cellAddress(1, 1)), Sync::ToWrite);
    QTest::keyClick(grid, Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(cell(*form, fuel, 1, 1), 604);

    // F5 steps to the next 3D table: there is only this one.
    QTest::keyClick(grid, Qt::Key_F5);
    EXPECT_EQ(form->ecu().TableEditElement.index(form->ecu()), fuel);
    editor->close();
    EXPECT_EQ(form->ecu().TableEditElement.index(form->ecu()), -1);
    // F4 in the main window: the first 2D table, as none was opened yet.
    form->findChild<QAction*>("RecentTable2D")->trigger();
    EXPECT_EQ(form->ecu().TableEditElement.index(form->ecu()), warm);
    EXPECT_EQ(editor->windowTitle(), "Warm (2D map)");
}

TEST_F(TablesGuiTest, PopupCommandsInsertAColumnAndCopyPaste) {
    auto form = make();
    ASSERT_TRUE(form->openTableEditor(warm));
    TEditTable* editor = form->tableEditor();
    QStringList captions;
    for (QAction* a : editor->popupMenu()->actions())
        captions << a->text();
    EXPECT_EQ(captions.size(), 16);
    EXPECT_EQ(captions[0], "Select All\tCtrl+W");
    EXPECT_EQ(captions[15], "Tips for Using Tables");
    QStringList asked;
    editor->askInsertValue = [&](const QString& label, const QString& proposal) {
        asked << label << proposal;
        return std::optional<QString>(asked.size() == 2 ? QStringLiteral("x")
                                                        : QStringLiteral("2.5"));
    };
    editor->runCommand("Insert Column");
    EXPECT_EQ(asked.size(), 4); // asked again after the refused text
    EXPECT_EQ(asked[1], "2.50");
    EXPECT_EQ(messages.texts().back(), "\"x\" not a valid real number");
    EXPECT_EQ(editor->editor().Columns(), 4);
    EXPECT_EQ(editor->summaryLabel(0)->text(), "4 entries ");

    QWidget* grid = editor->grid();
    QTest::keyClicks(grid, "7");
    QTest::keyClick(grid, Qt::Key_Return);
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(grid, Qt::Key_End);
    QTest::keyClick(grid, Qt::Key_Right);
    QTest::keyClick(grid, Qt::Key_Right);
    QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(cell(*form, warm, 0, 0), 350);
    EXPECT_EQ(cell(*form, warm, 2, 0), 350);
}

TEST_F(TablesGuiTest, SimpleViewEditWritesTheConstantAndATypoWritesNothing) {
    auto form = make();
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    TSimpleView* view = form->simpleView();
    ASSERT_TRUE(view->isVisible());
    ASSERT_TRUE(view->showPage(7));
    auto* edit = qobject_cast<TIASciEdit*>(view->controlOf(idle));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), "246.90");
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "12.5");
    QTest::keyClick(edit, Qt::Key_Return);
    const int c = form->ecu().ElementConstOffset[idle];
    EXPECT_EQ(form->ecu().ReadConstWord(c), 625);
    EXPECT_TRUE(form->ecu().Modified);
    EXPECT_EQ(view->hintMemo()->toPlainText().left(7), "\"Idle\"\n");

    edit->selectAll();
    QTest::keyClicks(edit, "12,5");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(messages.texts().back(), "The Value is Not a Number");
    EXPECT_EQ(form->ecu().ReadConstWord(c), 625);
    EXPECT_EQ(edit->text(), "12.50");
    edit->selectAll();
    QTest::keyClicks(edit, "700");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(messages.texts().back(), "Out of Bounds");
    EXPECT_EQ(form->ecu().ReadConstWord(c), 625);
    EXPECT_EQ(edit->text(), "12.50");
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(form->ecu().ReadConstWord(c), 675);

    // The table's button opens the editor.
    auto* button = qobject_cast<QPushButton*>(view->controlOf(fuel));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), "Fuel  (3D table)");
    button->click();
    EXPECT_TRUE(form->tableEditor()->isVisible());
    EXPECT_EQ(form->ecu().TableEditElement.index(form->ecu()), fuel);
    EXPECT_EQ(form->simplePageSelector()->currentText(),
              view->pageControl()->tabText(view->pageControl()->currentIndex()));
}

TEST_F(TablesGuiTest, PollTracesTheLiveCellWhileSimulating) {
    auto form = make();
    ASSERT_TRUE(form->openTableEditor(fuel));
    TEditTable* editor = form->tableEditor();
    editor->mapTraceBox()->setChecked(true);
    form->ecu().SetLiteral(fuel, 0, 20.0);
    form->ecu().SetLiteral(fuel, 1, 10.0);
    form->ecu().Simulating = true;
    form->PollTimerTimer();
    EXPECT_EQ(editor->editor().LiveColumn(), 2);
    EXPECT_EQ(editor->editor().LiveRow(), 1);
    EXPECT_TRUE(editor->editor().Traced(2, 1));
    EXPECT_EQ(editor->editor().LiveText(Tables::Axis::Horizontal), "20.00");
    QTest::keyClick(editor->grid(), Qt::Key_Space);
    EXPECT_EQ(editor->editor().CursorColumn(), 2);
    EXPECT_EQ(editor->editor().CursorRow(), 1);
    // Hidden, the editor neither polls nor traces.
    editor->hide();
    EXPECT_EQ(form->ecu().TableEditElement.index(form->ecu()), -1);
    EXPECT_EQ(editor->editor().Recent3D(), fuel);
}

TEST_F(TablesGuiTest, ExportImportAndTheAdvancedOnlyBox) {
    auto form = make();
    ASSERT_TRUE(form->openTableEditor(warm));
    TEditTable* editor = form->tableEditor();
    EXPECT_TRUE(editor->advOnlyBox()->isHidden()); // simple view
    dialogs.answers = {dir.path("warm.csv")};
    QTest::keyClick(editor->grid(), Qt::Key_E, Qt::ControlModifier);
    ASSERT_EQ(dialogs.titles.size(), 1u);
    EXPECT_EQ(dialogs.titles[0], "Export table to csv file");
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(readWholeFile(dir.path("warm.csv"), bytes, error)) << error;
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
              "2D Table,0.00,5.00,10.00\r\n,0.00,0.00,0.00\r\n");
    const std::string csv = "2D Table,1,2,3\r\n,4,5,6\r\n";
    ASSERT_TRUE(writeFileAtomically(dir.path("in.csv"), csv.data(), csv.size(), error));
    dialogs.answers = {dir.path("in.csv")};
    editor->runCommand("Import Table from csv File");
    EXPECT_EQ(dialogs.titles.back(), "Import table from csv file");
    EXPECT_EQ(cell(*form, warm, 2, 0), 300);

    form->setAdvancedView(true);
    EXPECT_FALSE(editor->advOnlyBox()->isHidden());
    editor->advOnlyBox()->click();
    EXPECT_TRUE(form->ecu().AdvancedOnly(warm));
    EXPECT_EQ(form->ecu().TableEditElement.index(form->ecu()), warm); // opened again
    emit form->menu("Maps/Tables")->aboutToShow();
    EXPECT_FALSE(form->menu("2D Tables")->isEnabled()); // no longer listed
}

TEST_F(TablesGuiTest, MapOptionsLoadTheStoredValuesAndNeverWriteThem) {
    prefs.values["HighlightCurCell"] = "nope";
    prefs.values["DoShadedMapRender"] = "DontShade";
    auto form = make();
    form->action("Map/Table Options")->trigger();
    TMapOptionsForm* options = form->mapOptionsForm();
    EXPECT_TRUE(options->isVisible());
    EXPECT_FALSE(options->highlight());
    EXPECT_TRUE(options->noShading());
    options->highlightBox()->click();
    EXPECT_EQ(prefs.values["HighlightCurCell"], "nope");
    prefs.values.erase("HighlightCurCell");
    options->load();
    EXPECT_TRUE(options->highlight());
}

} // namespace

namespace {

struct TableSetupTest : ::testing::Test {
    RecordingMessages messages;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(messages);
    TableSetupTest() { NewConfiguration::MakeBlank(*ecu); }
    int create(int type) {
        int index = -1;
        EXPECT_TRUE(ecu->CreateElement(type, 1, 1, "New", 1, &index));
        return index;
    }
    Tables::Shape shape(int element) {
        Tables::Shape s;
        EXPECT_TRUE(Tables::ShapeOf(*ecu, element, s));
        return s;
    }
};

TEST_F(TableSetupTest, OkLaysOutOrStaysOpenWithTheReason) {
    int t = create(ElementType::Table2D);
    TTableSetupForm form(*ecu, t);
    EXPECT_EQ(form.windowTitle(), "2D Table Setup");
    ASSERT_EQ(form.fieldCount(), 3);
    EXPECT_EQ(form.field(1)->text(), "10.00");
    EXPECT_EQ(form.field(0)->maxLength(), 7);
    form.show();
    form.field(2)->setText("3");
    form.field(1)->setText("5.00");
    form.field(0)->setText("5.00");
    form.accept();
    EXPECT_TRUE(form.isVisible());
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.texts().back(), "Lowest Reference must be less than Highest Reference");
    form.field(0)->setText("0.00");
    form.field(1)->setText("10.00");
    form.accept();
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(form.laidOut());
    EXPECT_EQ(shape(t).columns, 4); // 0, 3, 6, 9
    EXPECT_EQ(Tables::Reference(*ecu, shape(t), Tables::Axis::Horizontal, 3), 450);
}

TEST_F(TableSetupTest, ClosingSetsUpTooAndAFailureKeepsTheFirstBlock) {
    int t = create(ElementType::Table3D);
    TTableSetupForm form(*ecu, t);
    EXPECT_EQ(form.windowTitle(), "3D Table Setup");
    ASSERT_EQ(form.fieldCount(), 6);
    form.show();
    form.field(2)->setText("0.06"); // 167 columns
    form.reject();
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.texts().back(), "Max 3D Table width is 127");
    EXPECT_FALSE(form.laidOut());
    EXPECT_EQ(shape(t).columns, 2);
    EXPECT_EQ(shape(t).rows, 2);

    TTableSetupForm again(*ecu, t);
    again.show();
    again.reject(); // the defaults: 11 by 6
    EXPECT_TRUE(again.laidOut());
    EXPECT_EQ(shape(t).columns, 11);
    EXPECT_EQ(shape(t).rows, 6);
}

} // namespace
