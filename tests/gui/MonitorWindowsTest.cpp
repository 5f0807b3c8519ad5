#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "app/MainForm.h"
#include "diagnostics/LogRetrieveForm.h"
#include "emu/VirtualEcu.h"
#include "emu/VirtualEcuLink.h"
#include "files/NewConfiguration.h"
#include "files/SettingsFile.h"
#include "gauges/ConfigureGaugeForm.h"
#include "gauges/GaugesForm.h"
#include "gauges/RealGaugesForm.h"
#include "scope/ScopeForm.h"
#include "setup/LoggingChannels.h"
#include "simulator/SimulatorForm.h"

#include <QAbstractSlider>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace zolmar;
using namespace zolmar::gui;
using zolmar::test::ScriptedDialogs;
using zolmar::test::TempDir;

namespace {

// The main window over the virtual ECU, with a configuration whose gauge page shows
// the engine speed from the inputs element. Timers are driven by hand.
struct MonitorWindowsTest : ::testing::Test {
    RecordingMessages messages;
    MemoryPreferences prefs;
    ScriptedDialogs dialogs;
    TempDir dir;
    emu::VirtualEcu virtualEcu;
    emu::VirtualEcuLink link{virtualEcu};
    ManualClock clock;
    std::unique_ptr<TMainForm> form;
    int rpm = -1;
    int battery = -1;

    void SetUp() override {
        prefs.values["AdvancedView"] = "Advanced";
        prefs.values["ShowStartHints"] = "DontShowHints";
        SilentMessages quiet;
        auto config = std::make_unique<tECU>(quiet);
        NewConfiguration::MakeBlank(*config);
        int inputs = -1;
        for (int i = 0; i < config->NumElements; ++i)
            if (config->TypeOf(i) == ElementType::Inputs)
                inputs = i;
        ASSERT_GE(inputs, 0);
        ASSERT_TRUE(config->CreateElement(ElementType::Gauge, 2, 4, "RPM", 0, &rpm));
        ASSERT_TRUE(config->CreateElement(ElementType::Gauge, 2, 2, "Battery", 0, &battery));
        ASSERT_TRUE(config->LinkInput(rpm, 0, inputs, 44));
        ASSERT_TRUE(LoggingChannels::Assign(*config, 0, rpm));
        config->WriteConstByte(config->ElementConstOffset[rpm] + 8, 1 << 3); // dial 1
        config->WriteConstWord(config->ElementConstOffset[rpm] + 2, 8000);   // 0..160
        scope::ScopeWrite::ChannelSource(*config, 0, 4136);                  // the engine angle
        scope::ScopeWrite::ChannelSource(*config, 1, 4132); // injection and ignition
        scope::ScopeWrite::Offset(*config, 0, -2);
        scope::ScopeWrite::TriggerSource(*config, 4128);
        scope::ScopeWrite::TriggerBit(*config, 1); // the cam
        scope::ScopeWrite::Timebase(*config, 8);
        scope::ScopeWrite::Horizontal(*config, 120);
        virtualEcu.LoadConfiguration(*config);
        std::string error;
        ASSERT_TRUE(SettingsFile::save(*config, dir.path("demo.ecu"), error)) << error;
    }
    void start() {
        form = std::make_unique<TMainForm>(messages, prefs, dialogs, &link);
        form->pollTimer()->stop();
        form->simulationTimer()->stop();
        form->setLogClock(clock);
    }
    void open() {
        form->fileCommands().openFile(dir.path("demo.ecu"), false);
        ASSERT_EQ(form->ecu().LinkState, Link::NewConfiguration);
    }
    int16_t live(int element) {
        return static_cast<int16_t>(
            form->ecu().ImageWord(Layout::kLiveBase + form->ecu().ElementLiveOffset[element]));
    }
    std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // With ZOLMAR_SHOTS set, the windows are saved there as pictures to look at.
    void shoot(QWidget* window, const char* name) {
        const QByteArray dirName = qgetenv("ZOLMAR_SHOTS");
        if (!dirName.isEmpty())
            window->grab().save(QDir(QString::fromLocal8Bit(dirName)).filePath(name));
    }
};

TEST_F(MonitorWindowsTest, TheSimulatorDrivesTheLiveValuesUntilClosedOrOnline) {
    start();
    QAction* simulator = form->action("Simulator");
    simulator->trigger();
    EXPECT_FALSE(form->simulatorForm()->isVisible()) << "no configuration yet";
    open();
    form->setAdvancedView(false);
    EXPECT_FALSE(simulator->isEnabled()) << "the simulator belongs to the advanced view";
    form->setAdvancedView(true);
    ASSERT_TRUE(simulator->isEnabled());
    EXPECT_TRUE(form->action("Run Simulator (F9)")->isEnabled());

    simulator->trigger();
    ASSERT_TRUE(form->simulatorForm()->isVisible());
    EXPECT_TRUE(form->ecu().Simulating);
    EXPECT_EQ(form->connectionStatus()->text(), "Simulating");
    ASSERT_TRUE(form->simulatorForm()->setControl(40, 3000)); // "RPM / 100"
    EXPECT_EQ(form->ecu().ImageWord(Layout::kLiveBase + 2 * 44), 3000);
    EXPECT_EQ(form->simulatorForm()->valueLabel(40)->text(), "60.00");
    ASSERT_TRUE(form->simulatorForm()->setControl(49, 25000)); // "Ana 1"
    EXPECT_EQ(form->simulatorForm()->valueLabel(49)->text(), "2.500 V ");
    EXPECT_EQ(form->ecu().ImageWord(Layout::kLiveBase + 2 * 80), 12500);
    EXPECT_EQ(form->simulatorForm()->caption(49)->text().left(6), "Ana1: ");
    EXPECT_EQ(live(rpm), 0) << "the diagram has not run yet";
    form->SimulationTimerTimer();
    EXPECT_EQ(live(rpm), 3000) << "the gauge copied its input";
    shoot(form->simulatorForm(), "simulator.png");

    // Closing keeps the values; opening again clears the states but not the controls.
    form->simulatorForm()->close();
    EXPECT_FALSE(form->ecu().Simulating);
    EXPECT_NE(form->connectionStatus()->text(), "Simulating");
    form->SimulationTimerTimer();
    EXPECT_EQ(live(rpm), 3000);
    simulator->trigger();
    EXPECT_EQ(live(rpm), 0);
    EXPECT_EQ(form->simulatorForm()->slider(40)->value(), 3000);
    EXPECT_EQ(form->ecu().ImageWord(Layout::kLiveBase + 2 * 44), 3000);

    // Going online ends the simulation and hides the window.
    form->engine().GoOnline();
    EXPECT_FALSE(form->ecu().Simulating);
    EXPECT_FALSE(form->simulatorForm()->isVisible());
}

TEST_F(MonitorWindowsTest, TheGaugeListShowsTheGaugePageAndPollsItsValues) {
    virtualEcu.Unplug(); // no ECU: the configuration stays offline
    start();
    open();
    EXPECT_TRUE(form->action("Show Live Gauges (F2)")->isEnabled());
    EXPECT_TRUE(form->action("Start Logging to Laptop/PC (Ctrl+L)")->isEnabled());
    form->action("Gauges ...")->trigger();
    TGaugesForm* gauges = form->gaugesForm();
    ASSERT_TRUE(gauges->isVisible());
    EXPECT_TRUE(form->ecu().GaugesWindowOpen);
    EXPECT_EQ(gauges->nameLabel(0)->text(), "Battery") << "higher on the page comes first";
    EXPECT_EQ(gauges->nameLabel(1)->text(), "RPM");
    EXPECT_EQ(gauges->height(), 2 * 24 + 87);
    form->PollTimerTimer();
    EXPECT_EQ(gauges->valueLabel(1)->text(), "  ----");

    form->action("Simulator")->trigger();
    form->simulatorForm()->setControl(40, 2000);
    form->SimulationTimerTimer();
    form->PollTimerTimer();
    EXPECT_EQ(gauges->valueLabel(1)->text(), " 40.00");
    shoot(gauges, "gauges.png");
    gauges->hide();
    EXPECT_FALSE(form->ecu().GaugesWindowOpen);
}

TEST_F(MonitorWindowsTest, DialsShowInTheSimpleViewAndAClickConfiguresThem) {
    start();
    open();
    form->setAdvancedView(false);
    TRealGaugesForm* dials = form->realGaugesForm();
    EXPECT_TRUE(dials->isVisible()) << "the simple view shows the dials";
    EXPECT_EQ(dials->size(), QSize(1140, 230));
    EXPECT_EQ(dials->dials().SlotAt(0).gauge, rpm);
    EXPECT_EQ(dials->dials().SlotAt(0).labels[8], "160.00");

    // Live values: the needle is drawn in red somewhere along its way up-left.
    form->setAdvancedView(true);
    EXPECT_FALSE(dials->isVisible());
    form->action("Simulator")->trigger();
    form->simulatorForm()->setControl(40, 2000);
    form->SimulationTimerTimer();
    form->setAdvancedView(false);
    dials->refresh();
    const QImage& image = dials->image();
    // 40 of 0..160: a quarter of the sweep, -1.15 rad from the top.
    const QPoint tip(114 + static_cast<int>(std::lround(60 * std::sin(-1.15))),
                     115 - static_cast<int>(std::lround(60 * std::cos(-1.15))));
    EXPECT_EQ(QColor(image.pixel(tip)), QColor(Qt::red));
    shoot(dials, "dials.png");

    // Clicking the third dial configures slot 3 with the gauge list.
    QTest::mouseClick(dials, Qt::LeftButton, {}, QPoint(2 * 228 + 100, 100));
    TConfigureGaugeForm* configure = form->configureGaugeForm();
    ASSERT_TRUE(configure->isVisible());
    ASSERT_EQ(configure->gaugeList()->count(), 2);
    EXPECT_EQ(configure->gaugeList()->currentIndex(), -1) << "slot 3 is empty";
    configure->gaugeList()->setCurrentIndex(configure->gaugeList()->findText("RPM"));
    EXPECT_EQ(configure->field(1)->text(), "160.00") << "the chosen gauge's values";
    configure->field(1)->setText("700");
    configure->OKButtonClick();
    ASSERT_EQ(messages.texts().size(), 1u);
    EXPECT_EQ(messages.texts()[0], "Number out of range. Allowable range is -655 to +655");
    EXPECT_TRUE(configure->isVisible()) << "a bad value keeps the dialog open";
    configure->field(1)->setText("100");
    configure->OKButtonClick();
    EXPECT_FALSE(configure->isVisible());
    EXPECT_EQ(dials->dials().SlotAt(2).gauge, rpm);
    EXPECT_EQ(dials->dials().SlotAt(0).gauge, -1) << "the gauge moved from slot 1";

    QTest::mouseClick(dials, Qt::LeftButton, {}, QPoint(50, 50));
    configure->smallBox()->setChecked(true);
    EXPECT_EQ(prefs.values["SmallRealGauges"], "Small");
    EXPECT_EQ(dials->size(), QSize(755, 156));
    configure->reject();
    dials->move(12, 34);
    form->close();
    EXPECT_EQ(prefs.values["RealGaugesLeft"], "12");
    EXPECT_EQ(prefs.values["RealGaugesTop"], "34");
}

TEST_F(MonitorWindowsTest, LoggingToThePcWritesALinePerPollCycle) {
    virtualEcu.Unplug();
    start();
    open();
    const std::string path = dir.path("pc.csv");
    dialogs.answers = {path};
    clock.now = 5000;
    form->action("Start Logging to Laptop/PC")->trigger();
    ASSERT_TRUE(form->ecu().LoggingToPc);
    EXPECT_TRUE(form->action("Stop Logging to Laptop/PC")->isEnabled());
    form->PollTimerTimer();
    EXPECT_EQ(form->connectionStatus()->text(), "No Port Open");
    clock.now = 5050;
    form->action("Simulator")->trigger();
    form->simulatorForm()->setControl(40, 2000);
    form->SimulationTimerTimer();
    form->PollTimerTimer();
    EXPECT_EQ(form->connectionStatus()->text(), "Simulating and Logging");
    form->action("Stop Logging to Laptop/PC")->trigger();
    EXPECT_FALSE(form->ecu().LoggingToPc);
    form->PollTimerTimer();
    EXPECT_EQ(read(path), "\"Time (s)\",\"Battery\",\"RPM\",\r\n"
                          "0.000,----,----,\r\n"
                          "0.050,0.00,40.00,\r\n");
    dialogs.answers = {""};
    form->action("Start Logging to Laptop/PC")->trigger();
    EXPECT_FALSE(form->ecu().LoggingToPc) << "a cancelled dialog starts nothing";
}

TEST_F(MonitorWindowsTest, TheOnboardLogIsRetrievedWhileThePollCycleWaits) {
    virtualEcu.WriteWord(emu::EcuMap::kLiveBase + 2 * 44, 0);
    start();
    open();
    virtualEcu.Advance(100);
    TLogRetrieveProgBarForm* window = form->logRetrieveForm();
    std::string opened;
    window->openFile = [&opened](const std::string& path) { opened = path; };
    form->RetrieveLogClick();
    ASSERT_TRUE(window->isVisible());
    EXPECT_EQ(window->amountToRead()->count(), 6);
    EXPECT_EQ(window->amountToRead()->currentIndex(), 5);
    EXPECT_FALSE(window->goButton()->isEnabled()) << "no file chosen yet";
    window->amountToRead()->setCurrentIndex(0);
    EXPECT_EQ(window->totalBytes()->text(), "/ 65536");
    EXPECT_EQ(window->progressBar()->maximum(), 65535);
    const std::string path = dir.path("onboard.csv");
    dialogs.answers = {path};
    window->SaveToClick();
    ASSERT_TRUE(window->goButton()->isEnabled());
    window->GoClick();
    const uint32_t requests = virtualEcu.RequestsServed();
    form->PollTimerTimer();
    EXPECT_EQ(virtualEcu.RequestsServed(), requests) << "the poll cycle waits";
    for (int k = 0; k < 200 && window->busy(); ++k) {
        window->LogPollTimerTimer();
        if (k == 20) {
            EXPECT_EQ(form->connectionStatus()->text(), "Retrieving Log");
        }
    }
    ASSERT_FALSE(window->busy());
    EXPECT_NE(form->connectionStatus()->text(), "Retrieving Log") << "the link's status once done";
    EXPECT_EQ(opened, path);
    const std::string csv = read(path);
    EXPECT_EQ(csv.substr(0, 15), "Time (sec),RPM,");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + 11) << "records at 0, 10 .. 100 ms";
    shoot(window, "retrieve.png");
    window->hide();
    EXPECT_FALSE(window->transferActive());
    form->PollTimerTimer();
    EXPECT_NE(form->connectionStatus()->text(), "Retrieving Log");

    // Hiding the window during a transfer gives the label back as well.
    form->RetrieveLogClick();
    window->GoClick();
    for (int k = 0; k < 5; ++k)
        window->LogPollTimerTimer();
    ASSERT_EQ(form->connectionStatus()->text(), "Retrieving Log");
    window->hide();
    window->LogPollTimerTimer();
    form->PollTimerTimer();
    EXPECT_NE(form->connectionStatus()->text(), "Retrieving Log");
}

TEST_F(MonitorWindowsTest, TheScopeMirrorsItsSettingsAndDrawsTheEcusCapture) {
    virtualEcu.Diagram().running = false;
    virtualEcu.WriteWord(emu::EcuMap::kLiveBase + 2 * 44, 1500); // 3000 RPM
    start();
    for (int n = 0; n < 600 && form->ecu().LinkState != Link::Online; ++n)
        form->PollTimerTimer();
    ASSERT_EQ(form->ecu().LinkState, Link::Online);
    ASSERT_TRUE(form->action("Scope ...")->isEnabled());
    form->action("Scope ...")->trigger();
    TScopeForm* scope = form->scopeForm();
    ASSERT_TRUE(scope->isVisible());
    EXPECT_TRUE(form->ecu().ScopeSettingsLoaded);
    EXPECT_EQ(scope->source(0)->currentText(), "Current Engine Angle");
    EXPECT_EQ(scope->source(1)->currentText(), "Injector and Ignition Outputs");
    EXPECT_EQ(scope->source(2)->currentIndex(), 0) << "live address 0";
    EXPECT_EQ(scope->offset(0)->value(), -2);
    EXPECT_TRUE(scope->marker(0)->isVisibleTo(scope));
    EXPECT_FALSE(scope->scale(0)->isVisibleTo(scope)) << "the angle has no scale";
    EXPECT_FALSE(scope->marker(1)->isVisibleTo(scope)) << "bit sets have no offset";
    EXPECT_EQ(scope->bandLabel(false, 0)->text(), "Inj1");
    EXPECT_EQ(scope->bandLabel(false, 15)->text(), "Ign8");
    EXPECT_EQ(scope->timebase()->currentText(), "5 milliseconds / div");
    EXPECT_FALSE(scope->triggerLevel()->isVisibleTo(scope));
    EXPECT_EQ(scope->booleanTrigger()->currentText(), "Zero 1 Raw");
    EXPECT_FALSE(form->ecu().Modified) << "loading the controls changes nothing";

    scope->run()->setChecked(true);
    scope->RunClick(true);
    bool drawn = false;
    for (int n = 0; n < 200 && !drawn; ++n) {
        virtualEcu.Advance(10);
        form->PollTimerTimer();
        for (int y = 0; y < 576 && !drawn; y += 2)
            for (int x = 0; x < 480 && !drawn; x += 2)
                drawn = scope->screen().pixelColor(x, y) == QColor(255, 0, 0);
    }
    ASSERT_TRUE(drawn) << "the angle trace arrived";
    EXPECT_EQ(scope->status()->text(), "TRIGGERED");
    EXPECT_EQ(scope->captureAge()->text().left(8), "Capture ");
    shoot(scope, "scope.png");

    // Another source for channel 2: the labels stay those of the capture on screen.
    scope->source(1)->setCurrentIndex(9); // "Processed Trigger Inputs"
    emit scope->source(1)->activated(9);
    EXPECT_EQ(scope->bandLabel(false, 0)->text(), "Inj1") << "the capture's source";

    scope->trigMode()->setCurrentIndex(2); // Single: the next capture stops the run
    for (int n = 0; n < 200 && scope->run()->isChecked(); ++n) {
        virtualEcu.Advance(10);
        form->PollTimerTimer();
    }
    EXPECT_FALSE(scope->run()->isChecked());
    EXPECT_EQ(scope->status()->text(), "STOPPED");
    scope->ForceTriggerClick();
    EXPECT_EQ(virtualEcu.ModeBits(), 2);

    scope->triggerSource()->setCurrentIndex(0);
    emit scope->triggerSource()->activated(0);
    EXPECT_TRUE(scope->triggerLevel()->isVisibleTo(scope));
    scope->triggerLevel()->setValue(-12);
    EXPECT_EQ(form->ecu().ReadConstWord(scope::ScopeMap::kTriggerLevel), 600);
    EXPECT_EQ(scope->triggerLevelMarker()->text(), "12");
    EXPECT_EQ(form->ecu().ReadConstWord(scope::ScopeMap::kTriggerSource), 0xFFFF)
        << "no element chosen";
    scope->showCursor(0)->setChecked(true);
    scope->cursor(0)->setValue(24);
    EXPECT_EQ(scope->cursorLabel(0)->text(), "Cursor A = 5.000 ms");
    EXPECT_EQ(scope->cursorLabel(2)->text(), "Delta AB = -5.000 ms");
    scope->HelpClick();
    EXPECT_EQ(messages.texts().back().substr(0, 19), "OSCILLOSCOPE - HELP");
    scope->hide();
    EXPECT_FALSE(form->ecu().ScopeSettingsLoaded);
}

} // namespace
