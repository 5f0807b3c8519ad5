#include "CliRunner.h"
#include "MainFormHarness.h"
#include "app/MainForm.h"
#include "app/QtPorts.h"
#include "diagnostics/Checklist.h"
#include "diagnostics/ChecksForm.h"
#include "editor/SimpleView.h"
#include "files/PropertiesForm.h"
#include "files/SearchForm.h"
#include "files/SettingsFile.h"
#include "gauges/GaugesForm.h"
#include "link/FlashingForm.h"
#include "scope/ScopeForm.h"
#include "setup/InputsForm.h"
#include "setup/WiringForm.h"
#include "tables/TEditTable.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace zolmar;
using namespace zolmar::gui;
using diagnostics::Checklist;
using Named = Checklist::Named;
using Mark = Checklist::Mark;

namespace {

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The checklist, search, export and help over the default configuration, offline
// from its file or online with the virtual ECU that holds it.
struct ChecklistGuiTest : ::testing::Test, test::MainFormHarness {
    void SetUp() override {
        prepare();
        prefs.values["AdvancedView"] = "Advanced";
    }
    void startOffline() {
        start(false);
        ASSERT_TRUE(form->fileCommands().openFile(ZOLMAR_DEFAULT_CONFIG, true));
    }
    void startOnline() {
        start(true);
        ASSERT_TRUE(pollUntilState(Link::Online));
    }
    tECU& ecu() { return form->ecu(); }
    TChecksForm* checks() { return form->checksForm(); }
    int element(Named what) { return Checklist::Find(ecu(), what); }
    // A live word as the ECU measures it.
    void measure(long liveAddr, int raw) {
        virtualEcu.WriteWord(Layout::kLiveBase + static_cast<uint32_t>(liveAddr),
                             static_cast<uint16_t>(raw));
    }
    void measureNamed(Named what, int raw) { measure(ecu().ElementLiveOffset[element(what)], raw); }
    uint8_t ecuConstByte(Named what, int k = 0) {
        return virtualEcu
            .Memory()[Layout::kConstBase + ecu().ElementConstOffset[element(what)] + k];
    }
    bool ecuDone(int step) { return (virtualEcu.ReadWord(0x5E) >> (step - 1)) & 1; }
    // Searches as the dialog's controls are used.
    void search(const char* mode, int number, const QString& name = {}) {
        TSearchForm* s = form->searchForm();
        s->SearchBy->setCurrentIndex(s->SearchBy->findText(QString::fromUtf8(mode)));
        emit s->SearchBy->activated(s->SearchBy->currentIndex());
        s->SearchNumber->setValue(number);
        s->SearchName->setText(name);
        s->SearchButton->click();
    }
    // Closes the next modal dialog once it is open, remembering its title.
    void closeNextModal(QString& title) {
        QTimer::singleShot(0, [this, &title] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w) {
                closeNextModal(title);
                return;
            }
            title = w->windowTitle();
            w->close();
        });
    }
};

TEST_F(ChecklistGuiTest, OnlineTheLiveReadingsTickStepsThreeToSixAndReachTheEcu) {
    startOnline();
    QAction* item = form->action("Setup Checklist ...");
    EXPECT_EQ(item->shortcut(), QKeySequence(Qt::Key_F3));
    ASSERT_TRUE(form->action("Open Setup Checklist (F3)")->isEnabled());
    form->action("Open Setup Checklist (F3)")->trigger();
    ASSERT_TRUE(checks()->isVisible());
    EXPECT_EQ(checks()->windowTitle(), "Setup Checklist");
    EXPECT_TRUE(ecu().ChecklistOpen);
    EXPECT_EQ(checks()->mark(3), Mark::Hidden) << "no reading yet";

    measure(Checklist::kBatteryLive, 800); // 16.00 V
    measure(Checklist::kRpmLive, 0);
    measureNamed(Named::MapSensor, 101 * 50);
    measureNamed(Named::Coolant, 60 * 50);
    measureNamed(Named::AirTemperature, 25 * 50);
    measureNamed(Named::Tps, 0);
    ASSERT_TRUE(pollUntil([this] { return ecuDone(3) && ecuDone(4) && ecuDone(5); }))
        << "the automatic steps reach the ECU";
    EXPECT_TRUE(ecuDone(6));
    EXPECT_EQ(checks()->BatteryLabel->text(), "Current Battery Voltage: 16.00");
    EXPECT_EQ(checks()->MapLabel->text(), "Current MAP (kPa): 101.00");
    EXPECT_EQ(checks()->EctLabel->text(), "Current ECT (degrees): 60.00");
    EXPECT_EQ(checks()->AirTempLabel->text(), "Current Air Temp (degrees): 25.00");
    EXPECT_EQ(checks()->TpsLabel->text(), "Current TPS (%): 0.00");
    for (int step = 3; step <= 6; ++step)
        EXPECT_EQ(checks()->mark(step), Mark::Tick) << step;

    // 16.02 V crosses step 3 and clears its bit in the ECU; a turning engine hides MAP's mark.
    measure(Checklist::kBatteryLive, 801);
    measure(Checklist::kRpmLive, 450);
    ASSERT_TRUE(pollUntil([this] { return !ecuDone(3); }));
    EXPECT_EQ(checks()->mark(3), Mark::Cross);
    EXPECT_EQ(checks()->mark(4), Mark::Hidden);
    EXPECT_EQ(checks()->RpmLabel->text(), "Current RPM: 900");
    EXPECT_TRUE(ecuDone(4)) << "MAP keeps its bit while the engine turns";
    // 900 RPM after 0 RPM moments earlier: unstable.
    checks()->WarningsTimerTimer();
    EXPECT_TRUE(checks()->RpmWarning->isVisibleTo(checks()));

    // The toggles and switches travel to the ECU as well.
    checks()->OkButton[1]->click();
    EXPECT_EQ(checks()->mark(1), Mark::Tick);
    checks()->DisableInjectorsButton->click();
    checks()->DisableInjectorsButton->click();
    checks()->WarningsTimerTimer();
    EXPECT_EQ(checks()->InjectorsLabel->text(), "Injectors Disabled");
    checks()->TimingLockBox->click();
    checks()->OffsetUp->click();
    EXPECT_EQ(checks()->OffsetLabel->text(), "1.00");
    ASSERT_TRUE(pollUntil([this] {
        return ecuDone(1) && ecuConstByte(Named::EnableInjectors) == 0 &&
               ecuConstByte(Named::TimingLock) == 1;
    }));
    EXPECT_FALSE(ecuDone(9)) << "pressed twice";
    EXPECT_FALSE(Checklist::Done(ecu(), 9));
    EXPECT_EQ(ecuConstByte(Named::TriggerOffset) | ecuConstByte(Named::TriggerOffset, 1) << 8, 50);

    checks()->hide();
    EXPECT_FALSE(ecu().ChecklistOpen);
    EXPECT_FALSE(checks()->WarningsTimer->isActive());
}

TEST_F(ChecklistGuiTest, OfflineTheStepsToggleAndTheProgressSurvivesSavingAndReopening) {
    prefs.values["AdvancedView"] = "Simple";
    startOffline();
    ecu().Modified = false;
    form->action("Setup Checklist ...")->trigger();
    EXPECT_TRUE(ecu().Modified) << "opening offers the progress for saving";
    poll(3);
    for (int step = 3; step <= 6; ++step)
        EXPECT_EQ(checks()->mark(step), Mark::Hidden) << step;
    EXPECT_EQ(checks()->BatteryLabel->text(), "Current Battery Voltage: ");
    EXPECT_EQ(checks()->arrowStep(), 1);
    EXPECT_TRUE(checks()->OkButton[1]->isEnabled());

    checks()->OkButton[1]->click();
    checks()->OkButton[2]->click();
    checks()->OkButton[15]->click();
    checks()->ChecklistTimerTimer();
    EXPECT_EQ(checks()->arrowStep(), 3);
    EXPECT_EQ(checks()->Arrow->y(), Checklist::ArrowY(3));
    // Learning the TPS ticks its box on the settings sheet as well.
    const int learn = element(Named::LearnTps);
    checks()->EnableTpsButton->click();
    auto* box = qobject_cast<QCheckBox*>(form->simpleView()->controlOf(learn));
    ASSERT_NE(box, nullptr) << "Learn TPS is on a settings sheet";
    EXPECT_TRUE(box->isChecked());
    checks()->FinishTpsButton->click();
    box = qobject_cast<QCheckBox*>(form->simpleView()->controlOf(learn));
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(checks()->mark(8), Mark::Tick);

    dialogs.answers = {dir.path("progress.ecu")};
    ASSERT_TRUE(form->fileCommands().saveAs());
    // Another configuration: the open checklist shows its progress at once.
    ASSERT_TRUE(form->fileCommands().openFile(ZOLMAR_DEFAULT_CONFIG, true));
    EXPECT_TRUE(checks()->isVisible());
    EXPECT_EQ(checks()->mark(1), Mark::Cross);
    EXPECT_EQ(checks()->arrowStep(), 1);
    checks()->hide();
    ASSERT_TRUE(form->fileCommands().openFile(dir.path("progress.ecu"), true));
    form->action("Setup Checklist ...")->trigger();
    for (int step : {1, 2, 8, 15})
        EXPECT_EQ(checks()->mark(step), Mark::Tick) << step;
    EXPECT_EQ(checks()->mark(10), Mark::Cross);
    EXPECT_TRUE(Checklist::Done(ecu(), 7));
}

TEST_F(ChecklistGuiTest, AConfigurationReplacedBehindTheWindowIsNoticedAtTheNextTick) {
    startOffline();
    form->action("Setup Checklist ...")->trigger();
    ecu().Simulating = true;
    ecu().SetImageWord(Layout::kLiveBase + Checklist::kBatteryLive, 700, false);
    poll();
    EXPECT_EQ(checks()->BatteryLabel->text(), "Current Battery Voltage: 14.00");
    EXPECT_EQ(checks()->mark(3), Mark::Tick);
    checks()->OkButton[2]->click();
    ecu().Simulating = false;
    // Loaded without the main window's hooks, as a later path might.
    std::string error;
    ASSERT_TRUE(SettingsFile::load(ecu(), ZOLMAR_DEFAULT_CONFIG, error)) << error;
    checks()->ChecklistTimerTimer();
    EXPECT_EQ(checks()->BatteryLabel->text(), "Current Battery Voltage: ");
    EXPECT_EQ(checks()->mark(3), Mark::Hidden);
    EXPECT_EQ(checks()->mark(2), Mark::Cross);
}

TEST_F(ChecklistGuiTest, ALabelNamedTimingLockDisablesTheBoxAndTheLinksOpenTheirWindows) {
    startOffline();
    form->action("Setup Checklist ...")->trigger();
    EXPECT_TRUE(checks()->TimingLockBox->isEnabled());
    // The wizard is not connected: its link follows the command.
    EXPECT_FALSE(form->action("Setup Wizard")->isEnabled());
    EXPECT_FALSE(checks()->WizardLink->isEnabled());

    checks()->VeLink->click();
    EXPECT_TRUE(form->tableEditor()->isVisible());
    EXPECT_EQ(ecu().TableEditElement.index(ecu()), element(Named::VeTable));
    checks()->WiringLink->click();
    EXPECT_TRUE(form->wiringForm()->isVisible());

    const int lock = element(Named::TimingLock);
    int label = -1;
    ASSERT_TRUE(ecu().CreateElement(ElementType::Label, 40, 40, "Timing Lock", 0, &label));
    checks()->ChecklistTimerTimer();
    EXPECT_FALSE(checks()->TimingLockBox->isEnabled());
    const uint8_t before = ecu().ReadConstByte(ecu().ElementConstOffset[lock]);
    checks()->TimingLockBox->setEnabled(true); // even a forced click writes nothing
    checks()->TimingLockBox->click();
    EXPECT_EQ(ecu().ReadConstByte(ecu().ElementConstOffset[lock]), before);
}

TEST_F(ChecklistGuiTest, SearchFindsByEveryModeAndShowsWhatItFound) {
    startOnline();
    QAction* item = form->action("Search for Element");
    ASSERT_TRUE(item->isEnabled());
    item->trigger();
    TSearchForm* s = form->searchForm();
    ASSERT_TRUE(s->isVisible());
    EXPECT_EQ(s->windowTitle(), "Search for Element");
    EXPECT_EQ(s->SearchBy->currentText(), "Name");
    EXPECT_FALSE(s->SearchNumber->isEnabled());
    EXPECT_TRUE(s->SearchName->isEnabled());
    EXPECT_EQ(s->SearchName->maxLength(), 24);

    // Index 0: the inputs and triggering dialog over page 2.
    form->setCurrentPage(9);
    search("Index", 0);
    EXPECT_FALSE(s->isVisible());
    EXPECT_EQ(form->currentPage(), 1);
    EXPECT_TRUE(form->inputsForm()->isVisible());
    form->inputsForm()->hide();
    EXPECT_EQ(s->SearchNumber->maximum(), 3453);

    // A logic address inside a table's record, then a constant address inside its block.
    const int ve = element(Named::VeTable);
    s->open();
    search("Config Address", ecu().ElementLogicOffset[ve] + 5);
    EXPECT_EQ(s->SearchNumber->maximum(), 45051);
    EXPECT_TRUE(form->tableEditor()->isVisible());
    EXPECT_EQ(ecu().TableEditElement.index(ecu()), ve);
    EXPECT_EQ(form->currentPage(), ecu().PageOf(ve));
    form->tableEditor()->hide();
    const int ignition = element(Named::IgnitionMap);
    s->open();
    search("Constant Address", ecu().ElementConstOffset[ignition] + 40);
    EXPECT_EQ(ecu().TableEditElement.index(ecu()), ignition);
    EXPECT_EQ(s->SearchNumber->maximum(), 31739);
    form->tableEditor()->hide();

    // Not found: the error, and the dialog stays.
    s->open();
    messages.shown.clear();
    search("Constant Address", ecu().ConstEnd());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, Messages::Kind::Error);
    EXPECT_EQ(messages.shown[0].text,
              "There is no element with constant address " + std::to_string(ecu().ConstEnd()));
    EXPECT_TRUE(s->isVisible());
    search("Live Address", 8191);
    EXPECT_EQ(messages.shown.back().text, "There is no element with live address 8191");
    EXPECT_EQ(s->SearchNumber->maximum(), 8191);
    search("Index", 3453);
    EXPECT_EQ(messages.shown.back().text, "There is no element with index 3453");
    search("Name", 0, QStringLiteral("No Such Thing"));
    EXPECT_EQ(messages.shown.back().text, "There is no element with name \"No Such Thing\"");
    // While the whole configuration is read again there is nothing to search.
    form->action("Read from ECU")->trigger();
    ASSERT_TRUE(pollUntil([this] { return ecu().LinkState == Link::ReadingAll; }));
    EXPECT_FALSE(s->SearchButton->isEnabled());
    const size_t shown = messages.shown.size();
    emit s->SearchName->returnPressed();
    EXPECT_EQ(messages.shown.size(), shown);
    ASSERT_TRUE(pollUntil([this] { return ecu().LinkState == Link::Online; }));
    EXPECT_TRUE(s->SearchButton->isEnabled());

    // By name, with the degree sign: a Constant's property dialog.
    QString title;
    closeNextModal(title);
    search("Name", 0, fromImageText(Checklist::NameOf(Named::TriggerOffset)));
    EXPECT_FALSE(title.isEmpty());
    EXPECT_FALSE(s->isVisible());
    EXPECT_EQ(form->currentPage(), ecu().PageOf(element(Named::TriggerOffset)));
}

TEST_F(ChecklistGuiTest, TheExportThroughTheSaveDialogMatchesTheCommandLine) {
    startOffline();
    QAction* item = form->action("Export Constant Data to csv");
    ASSERT_TRUE(item->isEnabled());
    dialogs.answers = {dir.path("gui.csv")};
    item->trigger();
    ASSERT_EQ(dialogs.titles.size(), 1u);
    EXPECT_EQ(dialogs.titles[0], "Export Constant Data to csv file");
    auto cli = test::runCli({"export-constants", ZOLMAR_DEFAULT_CONFIG, dir.path("cli.csv")});
    ASSERT_EQ(cli.code, 0) << cli.err;
    const std::string shown = fileBytes(dir.path("gui.csv"));
    EXPECT_GT(shown.size(), 1000u);
    EXPECT_EQ(shown, fileBytes(dir.path("cli.csv")));

    // Cancelled: nothing; unwritable: the reason.
    dialogs.answers = {""};
    item->trigger();
    EXPECT_TRUE(messages.shown.empty());
    dialogs.answers = {dir.path("missing/folder/x.csv")};
    item->trigger();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, Messages::Kind::Error);
}

TEST_F(ChecklistGuiTest, F1OpensTheManualAtTheSectionOfTheWindowInFront) {
    prefs.values["AdvancedView"] = "Simple";
    startOffline();
    QAction* help = form->action("Help / User Manual");
    EXPECT_EQ(help->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(help->shortcutContext(), Qt::ApplicationShortcut) << "F1 works from every window";
    auto anchor = [&] {
        help->trigger();
        EXPECT_TRUE(opened.back().isLocalFile());
        EXPECT_EQ(opened.back().toLocalFile(), helpFilePath());
        return opened.back().fragment().toStdString();
    };
    EXPECT_EQ(anchor(), ""); // the manual from its start
    form->propertiesForm()->show();
    EXPECT_EQ(anchor(), "properties");
    form->setAdvancedView(true);
    EXPECT_EQ(anchor(), "editing");
    ASSERT_TRUE(form->openTableEditor(element(Named::VeTable)));
    EXPECT_EQ(anchor(), "table-editor");
    form->flashingForm()->show();
    EXPECT_EQ(anchor(), "firmware");
    form->gaugesForm()->show();
    EXPECT_EQ(anchor(), "gauges");
    form->scopeForm()->show();
    EXPECT_EQ(anchor(), "scope");
    form->wiringForm()->show();
    EXPECT_EQ(anchor(), "wiring");
    form->action("Setup Checklist ...")->trigger();
    EXPECT_EQ(anchor(), "checklist");
    form->flashingForm()->hide();
    // The key itself, pressed in the checklist over the main window.
    form->show();
    checks()->raise();
    QApplication::setActiveWindow(checks());
    const size_t before = opened.size();
    QTest::keyClick(checks(), Qt::Key_F1);
    ASSERT_EQ(opened.size(), before + 1);
    EXPECT_EQ(opened.back().fragment(), "checklist");
}

TEST_F(ChecklistGuiTest, TheForumOpensTheConfiguredAddressAndHidesWithoutOne) {
    startOffline();
    QAction* forum = form->action("On-line forum");
    EXPECT_EQ(form->forumAddress(), QStringLiteral(ZOLMAR_FORUM_URL));
    EXPECT_TRUE(forum->isVisible());
    EXPECT_TRUE(forum->isEnabled());
    form->setForumAddress(QStringLiteral("https://forum.example.org/q7700x"));
    forum->trigger();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl(QStringLiteral("https://forum.example.org/q7700x")));
    form->setForumAddress(QString());
    EXPECT_FALSE(forum->isVisible());
    forum->trigger();
    EXPECT_EQ(opened.size(), 1u);
}

} // namespace
