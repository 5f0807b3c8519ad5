#include "RawConfig.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "app/MainForm.h"
#include "dialogs/CosmeticForm.h"
#include "dialogs/EditLinkForm.h"
#include "dialogs/ElementForm.h"
#include "dialogs/OptionForm.h"
#include "dialogs/OutputLinksForm.h"
#include "files/SettingsFile.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>

using namespace zolmar;
using namespace zolmar::gui;
using zolmar::test::ScriptedDialogs;
using zolmar::test::TempDir;

namespace {

constexpr int kPage = 4;

// The main window on a small diagram, unlocked for editing, in the advanced view.
struct EditingTest : ::testing::Test {
    RecordingMessages messages;
    MemoryPreferences prefs;
    ScriptedDialogs dialogs;
    TempDir dir;
    std::unique_ptr<TMainForm> form;
    std::vector<QString> modalTitles;

    void SetUp() override {
        prefs.values["AdvancedView"] = "Advanced";
        prefs.values["ShowStartHints"] = "DontShowHints";
        {
            SilentMessages quiet;
            auto other = std::make_unique<tECU>(quiet);
            test::RawConfig raw(*other);
            raw.add(ElementType::Constant, kPage, 2, 3, "Source");
            int s = raw.add(ElementType::Summer, kPage, 20, 3, "Sum");
            raw.literal(s, 1, 100);
            raw.add(ElementType::Gauge, 0, 2, 2, "Dial");
            raw.finish();
            std::string error;
            ASSERT_TRUE(SettingsFile::save(*other, dir.path("d.ecu"), error));
        }
        form = std::make_unique<TMainForm>(messages, prefs, dialogs);
        form->setSplashAtStart(false);
        form->pollTimer()->stop();
        form->resize(1000, 800);
        form->show();
        ASSERT_TRUE(form->fileCommands().openFile(dir.path("d.ecu"), true));
        form->setConfigLocked(false);
        form->setCurrentPage(kPage);
    }
    tECU& ecu() { return form->ecu(); }
    QWidget* canvas() { return form->canvas(); }
    static QPoint cell(int column, int row, int dx = 8, int dy = 8) {
        return {17 * column + dx, 17 * row + dy};
    }
    // Runs f on the next modal dialog once it is open.
    void whenModal(std::function<void(QWidget*)> f) {
        QTimer::singleShot(0, [this, f] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w) {
                whenModal(f);
                return;
            }
            modalTitles.push_back(w->windowTitle());
            f(w);
        });
    }
    void drag(QPoint from, QPoint to) {
        QTest::mousePress(canvas(), Qt::LeftButton, {}, from);
        QTest::mouseMove(canvas(), (from + to) / 2);
        QTest::mouseMove(canvas(), to);
        QTest::mouseRelease(canvas(), Qt::LeftButton, {}, to);
    }
};

TEST_F(EditingTest, ClickOpensTheTypesDialogAndItsControlsWrite) {
    whenModal([](QWidget* w) {
        auto* dialog = qobject_cast<TElementForm*>(w);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->NameLabel->text(), "Sum");
        EXPECT_FALSE(dialog->check(2)->isVisible()); // "Invert Output" in SUM mode
        dialog->choice()->setCurrentIndex(3);
        emit dialog->choice()->activated(3);
        EXPECT_TRUE(dialog->check(2)->isVisible());
        dialog->OKButton->click();
    });
    QTest::mouseClick(canvas(), Qt::LeftButton, {}, cell(22, 3));
    EXPECT_EQ(modalTitles, (std::vector<QString>{"Summer"}));
    EXPECT_EQ(ecu().ReadConstByte(ecu().ElementConstOffset[1]), 0x18);
    EXPECT_FALSE(form->elementForm(ElementType::Summer)->isVisible());
}

TEST_F(EditingTest, ConstantDialogRefusesBadValuesAndCancelWritesNothing) {
    whenModal([this](QWidget* w) {
        auto* dialog = qobject_cast<TElementForm*>(w);
        ASSERT_NE(dialog, nullptr);
        dialog->valueEdit()->setText(QStringLiteral("700"));
        dialog->OKButton->click();
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(messages.texts().back(), "Number out of range. Allowable range is -655 to +655");
        dialog->valueEdit()->setText(QStringLiteral("12.5"));
        dialog->CancelButton->click();
    });
    QTest::mouseClick(canvas(), Qt::LeftButton, {}, cell(3, 3));
    ASSERT_EQ(modalTitles.size(), 1u);
    EXPECT_EQ(ecu().ReadConstWord(ecu().ElementConstOffset[0]), 0);
    whenModal([](QWidget* w) {
        auto* dialog = qobject_cast<TElementForm*>(w);
        dialog->valueEdit()->setText(QStringLiteral("12.5"));
        dialog->OKButton->click();
    });
    QTest::mouseClick(canvas(), Qt::LeftButton, {}, cell(3, 3));
    EXPECT_EQ(ecu().ReadConstWord(ecu().ElementConstOffset[0]), 625);
}

TEST_F(EditingTest, DragMovesTheElementOnTheCanvas) {
    drag(cell(22, 3), cell(26, 9));
    EXPECT_EQ(ecu().ColumnOf(1), 24);
    EXPECT_EQ(ecu().RowOf(1), 9);
    EXPECT_EQ(ElementMap::element(form->renderer().elementMap().at(25, 9)), 1);
    EXPECT_TRUE(form->router().routesValid(kPage));
    EXPECT_EQ(form->findChild<QLabel*>("LinkingHintLabel")->text(), "");
}

TEST_F(EditingTest, DraggingFromAnOutputToAnInputLinksAndLogs) {
    ASSERT_TRUE(form->action("Start Logging Configuration Changes")->isEnabled());
    dialogs.answers = {dir.path("changes.csv")};
    form->action("Start Logging Configuration Changes")->trigger();
    EXPECT_EQ(dialogs.titles.back(), "Log Changes to Configuration in a csv File");
    // The Constant's output pins are its last two columns, 6 and 7; the Summer's input 2 is (20,
    // 4).
    drag(cell(6, 3), cell(20, 4));
    EXPECT_EQ(ecu().InputWord(1, 1), ecu().ElementLiveOffset[0] | 1);
    EXPECT_TRUE(ecu().StructureChanged);
    // Right-click on that input and delete the link again.
    QTest::mousePress(canvas(), Qt::RightButton, {}, cell(20, 4));
    QTest::mouseRelease(canvas(), Qt::RightButton, {}, cell(20, 4));
    form->elementOptions()->hide();
    ASSERT_TRUE(form->action("Delete Link")->isEnabled());
    form->action("Delete Link")->trigger();
    EXPECT_EQ(ecu().InputWord(1, 1), 0);
    form->action("Stop Logging Configuration Changes")->trigger();
    std::ifstream in(dir.path("changes.csv"), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "Created a link from Pg5.Source to input 2 of the element called Sum on page "
                    "5\n\r"
                    "Deleted the link on input 2 of the element called Sum on page 5\n\r");
}

TEST_F(EditingTest, AddButtonPlacesAnElementAndAsksItsName) {
    QAction* add = form->action("Add a new Tickbox");
    ASSERT_TRUE(add->isEnabled());
    add->trigger();
    EXPECT_EQ(form->findChild<QLabel*>("LinkingHintLabel")->text(),
              "Adding an Element - click to place (right click to cancel)");
    whenModal([](QWidget* w) {
        auto* edit = w->findChild<QLineEdit*>("NameEdit");
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text(), "Tickbox");
        edit->setText(QStringLiteral("Enable"));
        w->findChild<QPushButton*>("OKButton")->click();
    });
    int n = ecu().NumElements;
    QTest::mouseClick(canvas(), Qt::LeftButton, {}, cell(40, 10));
    ASSERT_EQ(ecu().NumElements, n + 1);
    EXPECT_EQ(ecu().ExactNameOf(Layout::kNumPages + n), "Enable");
    EXPECT_EQ(ecu().ColumnOf(n), 40);
    EXPECT_EQ(modalTitles, (std::vector<QString>{"Edit Element name"}));
    EXPECT_EQ(ElementMap::element(form->renderer().elementMap().at(41, 10)), n);
    // Locking ends add mode and disables the buttons.
    add->trigger();
    form->setConfigLocked(true);
    EXPECT_EQ(form->editor().addKind(), 0);
    EXPECT_FALSE(add->isEnabled());
}

TEST_F(EditingTest, CopyAndPasteThroughTheContextMenu) {
    QTest::mousePress(canvas(), Qt::RightButton, {}, cell(22, 3));
    QTest::mouseRelease(canvas(), Qt::RightButton, {}, cell(22, 3));
    form->elementOptions()->hide();
    EXPECT_TRUE(form->action("Copy")->isEnabled());
    EXPECT_FALSE(form->action("Paste")->isEnabled());
    form->action("Copy")->trigger();
    QTest::mousePress(canvas(), Qt::RightButton, {}, cell(60, 60));
    QTest::mouseRelease(canvas(), Qt::RightButton, {}, cell(60, 60));
    form->elementOptions()->hide();
    ASSERT_TRUE(form->action("Paste")->isEnabled());
    form->action("Paste")->trigger();
    ASSERT_EQ(ecu().NumElements, 4);
    EXPECT_EQ(ecu().ColumnOf(3), 23);
    EXPECT_EQ(ecu().InputWord(3, 1), 100);
    EXPECT_EQ(form->editor().selection(), (std::vector<int>{3}));

    // Page properties count both summers.
    form->action("Page Properties")->trigger();
    TOutputLinksForm* list = form->outputLinksForm();
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(list->windowTitle(), "Page Properties");
    EXPECT_EQ(list->Lines->item(4)->text(), "2 Summers");
}

TEST_F(EditingTest, CosmeticPropertiesMoveTheElement) {
    whenModal([this](QWidget* w) {
        auto* dialog = qobject_cast<TElementForm*>(w);
        ASSERT_NE(dialog, nullptr);
        whenModal([](QWidget* c) {
            auto* cosmetic = qobject_cast<TCosmeticForm*>(c);
            ASSERT_NE(cosmetic, nullptr);
            EXPECT_EQ(cosmetic->ScreenPage->value(), kPage + 1);
            cosmetic->XPosition->setValue(30);
            cosmetic->ScreenPage->setValue(9);
            cosmetic->OKButtonClick();
        });
        dialog->CosPropsButton->click();
        dialog->OKButton->click();
    });
    QTest::mouseClick(canvas(), Qt::LeftButton, {}, cell(22, 3));
    EXPECT_EQ(ecu().ColumnOf(1), 30);
    EXPECT_EQ(ecu().PageOf(1), 8);
    EXPECT_EQ(ElementMap::element(form->renderer().elementMap().at(22, 3)),
              static_cast<int>(ElementMap::kNoElement));
}

TEST_F(EditingTest, DisplayOptionsAreStoredAndApplied) {
    form->action("Advanced Element Properties")->trigger();
    TOptionForm* adv = form->optionForm(0);
    EXPECT_TRUE(adv->isVisible());
    EXPECT_FALSE(adv->Check->isChecked());
    adv->Check->click();
    EXPECT_EQ(prefs.values["DontShowAdvProps"], "DoShow");
    TElementForm* summer = form->elementForm(ElementType::Summer);
    summer->load(1);
    EXPECT_FALSE(summer->AdvancedSection->isHidden());
    adv->Check->click();
    summer->load(1);
    EXPECT_TRUE(summer->AdvancedSection->isHidden());

    form->action("Live Value Display")->trigger();
    form->optionForm(1)->Check->click();
    EXPECT_TRUE(ecu().ShowAllOutputs);
    EXPECT_EQ(prefs.values["ShowUnusedLiveVals"], "DoShow");

    form->action("Column size on each page/tabsheet")->trigger();
    EXPECT_EQ(form->optionForm(2)->NumRows->value(), 13);
    form->optionForm(2)->NumRows->setValue(7);
    EXPECT_EQ(prefs.values["MaxPerColumn"], "7");
}

TEST_F(EditingTest, EditLinkDialogPicksAnOutputOfAnotherPage) {
    TEditLinkForm* link = form->editLinkForm();
    ASSERT_TRUE(link->load(1, 0, kPage));
    EXPECT_TRUE(link->LiteralRadio->isChecked());
    EXPECT_FALSE(link->PageList->isEnabled());
    link->LinkRadio->setChecked(true);
    link->PageList->setCurrentIndex(kPage);
    emit link->PageList->activated(kPage);
    ASSERT_EQ(link->OutputList->count(), 2);
    EXPECT_EQ(link->OutputList->itemText(0), "Source");
    link->OutputList->setCurrentIndex(0);
    link->OKButtonClick();
    EXPECT_EQ(ecu().InputWord(1, 0), ecu().ElementLiveOffset[0] | 1);
}

} // namespace
