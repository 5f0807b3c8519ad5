#include "MainFormHarness.h"
#include "app/QtPorts.h"
#include "files/CompareForm.h"
#include "files/RestorePointsForm.h"
#include "files/SettingsFile.h"
#include "link/LoadSaveOfflineForm.h"
#include "link/SyncEngine.h"
#include "model/Tables.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace zolmar;
using namespace zolmar::gui;

namespace {

struct CompareGuiTest : ::testing::Test, test::MainFormHarness {
    std::string oldDataHome;
    bool hadDataHome = false;

    void SetUp() override {
        // Restore points of this test go to its own folder.
        if (const char* v = std::getenv("XDG_DATA_HOME")) {
            hadDataHome = true;
            oldDataHome = v;
        }
        setenv("XDG_DATA_HOME", dir.path("data").c_str(), 1);
        prepare();
    }
    void startOffline() {
        start(false);
        ASSERT_TRUE(form->fileCommands().openFile(ZOLMAR_DEFAULT_CONFIG, true));
    }
    void TearDown() override {
        form.reset();
        if (hadDataHome)
            setenv("XDG_DATA_HOME", oldDataHome.c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
    }
    static int firstTable(const tECU& ecu) {
        for (int i = 0; i < ecu.NumElements; ++i)
            if (ecu.TypeOf(i) == ElementType::Table3D)
                return i;
        return -1;
    }
    // The default configuration with one map cell raised by 2.00 and a page renamed.
    std::string otherTune() {
        SilentMessages quiet;
        auto other = std::make_unique<tECU>(quiet);
        std::string error;
        EXPECT_TRUE(SettingsFile::load(*other, ZOLMAR_DEFAULT_CONFIG, error));
        Tables::Shape shape;
        Tables::ShapeOf(*other, firstTable(*other), shape);
        Tables::WriteCell(*other, shape, 0, 0,
                          static_cast<uint16_t>(Tables::Cell(*other, shape, 0, 0) + 100));
        other->RenameSlot(6, "Other tune");
        const std::string path = dir.path("other.ecu");
        EXPECT_TRUE(SettingsFile::save(*other, path, error));
        return path;
    }
    static QTreeWidgetItem* itemWithText(QTreeWidget* tree, const QString& start) {
        for (QTreeWidgetItemIterator it(tree); *it; ++it)
            if ((*it)->text(0).startsWith(start))
                return *it;
        return nullptr;
    }
};

TEST_F(CompareGuiTest, ComparesWithAFileShowsATableAndTakesIt) {
    startOffline();
    dialogs.answers.push_back(otherTune());
    form->action(QStringLiteral("Compare with File ..."))->trigger();
    TCompareForm* compare = form->compareForm();
    ASSERT_TRUE(compare->isVisible());
    ASSERT_EQ(compare->report().differences.size(), 2u);
    QTreeWidgetItem* cells = itemWithText(compare->Tree, QStringLiteral("Table cells"));
    ASSERT_NE(cells, nullptr);
    EXPECT_TRUE(cells->parent()->text(0).contains(
        fromImageText(form->ecu().ExactNameOf(Layout::kNumPages + firstTable(form->ecu())))));

    compare->activate(cells);
    TTableCompareForm* view = compare->tableView();
    ASSERT_TRUE(view->isVisible());
    EXPECT_EQ(view->Grid->item(0, 0)->text(), QStringLiteral("+2.00"));
    EXPECT_NE(view->Grid->item(0, 0)->background().color(), QColor(Qt::white));
    EXPECT_EQ(view->Grid->item(0, 1)->background().color(), QColor(Qt::white));

    // The filters: only tables, then a name that matches nothing.
    compare->GroupFilter->setCurrentIndex(1);
    EXPECT_EQ(itemWithText(compare->Tree, QStringLiteral("Page name")), nullptr);
    ASSERT_NE(itemWithText(compare->Tree, QStringLiteral("Table cells")), nullptr);
    compare->GroupFilter->setCurrentIndex(0);

    cells = itemWithText(compare->Tree, QStringLiteral("Table cells"));
    cells->setCheckState(0, Qt::Checked);
    compare->refresh(); // as when the window comes back to the front: the tick stays
    ASSERT_EQ(compare->checkedKeys().size(), 1u);
    form->ecu().Modified = false;
    compare->TakeButton->click();
    EXPECT_TRUE(form->ecu().Modified);
    ASSERT_EQ(compare->report().differences.size(), 1u);
    EXPECT_EQ(compare->report().differences[0].kind, Comparison::Kind::PageName);
    EXPECT_TRUE(view->Caption->text().contains(QStringLiteral("Largest change 0.00")));

    // Another configuration loaded under the window: it compares that one.
    ASSERT_TRUE(form->fileCommands().openFile(dir.path("other.ecu"), true));
    EXPECT_TRUE(compare->report().equal());
}

TEST_F(CompareGuiTest, RestorePointsAreTakenAndOneIsRestoredByteForByte) {
    startOffline();
    RestorePoints::Store& store = form->restoreStore();
    ASSERT_TRUE(store.List().empty());
    form->ecu().RenameSlot(5, "Saved state");
    const std::string saved = dir.path("tune.ecu");
    dialogs.answers.push_back(saved);
    ASSERT_TRUE(form->fileCommands().saveAs());
    auto points = store.List(RestorePoints::FileOwner(saved));
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].reason, RestorePoints::Reason::kSaved);
    std::vector<uint8_t> savedBytes;
    std::string error;
    ASSERT_TRUE(SettingsFile::read(saved, savedBytes, error));

    form->ecu().RenameSlot(5, "Later edit");
    form->OptimiseClick();
    dialogs.answers.push_back(ZOLMAR_DEFAULT_CONFIG);
    ASSERT_TRUE(form->fileCommands().open()); // modified: a point first, then "No"
    points = store.List(RestorePoints::FileOwner(saved));
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[1].reason, RestorePoints::Reason::kOptimise);
    EXPECT_EQ(points[0].reason, RestorePoints::Reason::kLoadOver);

    form->action(QStringLiteral("Compare with Restore Point ..."))->trigger();
    TRestorePointsForm* window = form->restorePointsForm();
    ASSERT_TRUE(window->isVisible());
    EXPECT_EQ(window->List->topLevelItemCount(), 0); // none of them is of the file now loaded
    window->ShowAll->setChecked(true);
    ASSERT_EQ(window->List->topLevelItemCount(), 3);

    // The oldest is the saved one: compared with the loaded configuration, then restored.
    window->List->clearSelection();
    window->List->topLevelItem(2)->setSelected(true);
    window->CompareButton->click();
    ASSERT_TRUE(form->compareForm()->isVisible());
    EXPECT_FALSE(form->compareForm()->report().equal());
    const std::vector<uint8_t> before = SettingsFile::fromImage(form->ecu());
    messages.answers.push_back(Messages::Answer::No);
    window->RestoreButton->click();
    EXPECT_EQ(SettingsFile::fromImage(form->ecu()), before); // asked, and the answer was No

    window->List->clearSelection();
    window->List->topLevelItem(2)->setSelected(true);
    messages.answers.push_back(Messages::Answer::Yes);
    window->RestoreButton->click();
    EXPECT_EQ(SettingsFile::fromImage(form->ecu()), savedBytes);
    EXPECT_TRUE(form->ecu().Modified);
    EXPECT_EQ(store.List().front().reason, RestorePoints::Reason::kRestore);
    // The comparison window follows the restored configuration.
    EXPECT_TRUE(form->compareForm()->report().equal());
}

// Every ten minutes while editing, and only when something changed since the last point.
TEST_F(CompareGuiTest, APeriodicPointIsTakenTenMinutesAfterTheLastWhenSomethingChanged) {
    startOffline();
    const int64_t t0 = QDateTime::currentMSecsSinceEpoch();
    const int64_t tenMinutes = RestorePoints::kPeriodMs;
    form->periodicRestorePoint(t0); // nothing modified: nothing happens
    form->ecu().RenameSlot(9, "Edited");
    form->periodicRestorePoint(t0);
    form->periodicRestorePoint(t0 + tenMinutes - 1);
    EXPECT_TRUE(form->restoreStore().List().empty());
    form->periodicRestorePoint(t0 + tenMinutes);
    auto points = form->restoreStore().List();
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].reason, RestorePoints::Reason::kPeriodic);
    EXPECT_EQ(points[0].timeMs, t0 + tenMinutes);
    form->periodicRestorePoint(t0 + 3 * tenMinutes); // still modified, but unchanged since
    EXPECT_EQ(form->restoreStore().List().size(), 1u);
    form->ecu().RenameSlot(9, "Edited again");
    form->periodicRestorePoint(t0 + 3 * tenMinutes);
    EXPECT_EQ(form->restoreStore().List().size(), 2u);
}

// The full read at start-up and a full write each leave a point of the ECU, holding
// exactly what went across.
TEST_F(CompareGuiTest, FullReadsAndWritesLeaveRestorePointsOfTheEcu) {
    start(true);
    ASSERT_TRUE(pollUntilState(Link::Online));
    const std::string ecuOwner = RestorePoints::EcuOwner(form->ecu().EcuSerial);
    ASSERT_FALSE(form->ecu().EcuSerial.empty());
    auto points = form->restoreStore().List(ecuOwner);
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].reason, RestorePoints::Reason::kRead);
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(RestorePoints::Store::Load(points[0], bytes, error));
    EXPECT_EQ(bytes, SettingsFile::fromImage(form->ecu()));

    dialogs.answers = {otherTune()};
    form->action("Open ...")->trigger();
    poll(2);
    ASSERT_EQ(form->ecu().LinkState, Link::AskLoadOrWrite);
    form->loadSaveOfflineForm()->WriteButton->click();
    ASSERT_TRUE(pollUntilState(Link::Online));
    points = form->restoreStore().List(ecuOwner);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].reason, RestorePoints::Reason::kWritten);
    ASSERT_TRUE(RestorePoints::Store::Load(points[0], bytes, error));
    std::vector<uint8_t> written;
    ASSERT_TRUE(SettingsFile::read(dir.path("other.ecu"), written, error));
    EXPECT_EQ(bytes, written);
}

} // namespace
