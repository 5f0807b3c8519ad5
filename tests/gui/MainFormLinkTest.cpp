#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "app/MainForm.h"
#include "app/SplashForm.h"
#include "emu/VirtualEcu.h"
#include "emu/VirtualEcuLink.h"
#include "files/NewConfiguration.h"
#include "files/SettingsFile.h"
#include "link/LearnHistoryForm.h"
#include "link/LoadSaveOfflineForm.h"
#include "link/ReconnectForm.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace zolmar;
using namespace zolmar::gui;
using zolmar::test::ScriptedDialogs;
using zolmar::test::TempDir;

namespace {

constexpr int kDemoPage = 7;

// The main window against the virtual ECU in the same process, its poll timer
// driven by hand.
struct MainFormLinkTest : ::testing::Test {
    RecordingMessages messages;
    MemoryPreferences prefs;
    ScriptedDialogs dialogs;
    TempDir dir;
    emu::VirtualEcu virtualEcu;
    emu::VirtualEcuLink link{virtualEcu};
    std::unique_ptr<TMainForm> form;
    int sum = -1;         // a Summer whose output a Display shows
    uint16_t sumLive = 0; // its output's live address

    void SetUp() override {
        prefs.values["AdvancedView"] = "Advanced";
        prefs.values["ShowStartHints"] = "DontShowHints";
        SilentMessages quiet;
        auto config = std::make_unique<tECU>(quiet);
        NewConfiguration::MakeBlank(*config);
        config->RenameSlot(kDemoPage, "Demo");
        int k = -1;
        int d = -1;
        ASSERT_TRUE(config->CreateElement(ElementType::Constant, 2, 2, "Boost", kDemoPage, &k));
        ASSERT_TRUE(config->CreateElement(ElementType::Summer, 20, 2, "Sum", kDemoPage, &sum));
        ASSERT_TRUE(config->CreateElement(ElementType::Display, 40, 2, "Shown", kDemoPage, &d));
        ASSERT_TRUE(config->LinkInput(sum, 0, k, 0));
        ASSERT_TRUE(config->LinkInput(d, 0, sum, 0));
        sumLive = config->ElementLiveOffset[sum];
        virtualEcu.LoadConfiguration(*config);
        virtualEcu.WriteWord(Layout::kLiveBase + sumLive, 125); // 2.50
        std::string error;
        ASSERT_TRUE(SettingsFile::save(*config, dir.path("demo.ecu"), error));
    }
    void start() {
        form = std::make_unique<TMainForm>(messages, prefs, dialogs, &link);
        form->pollTimer()->stop();
        form->setCurrentPage(kDemoPage);
    }
    void poll(int cycles = 1) {
        for (int n = 0; n < cycles; ++n)
            form->PollTimerTimer();
    }
    bool pollUntil(int state, int limit = 400) {
        for (int n = 0; n < limit && form->ecu().LinkState != state; ++n)
            poll();
        return form->ecu().LinkState == state;
    }
    bool enabled(const char* name) const {
        return form->action(QString::fromUtf8(name))->isEnabled();
    }
    QImage region(const QRect& r) const {
        qreal ratio = form->canvas()->image().devicePixelRatio();
        return form->canvas()->image().copy(QRect(r.topLeft() * ratio, r.size() * ratio));
    }
    int nonWhitePixels() const {
        const QImage& image = form->canvas()->image();
        int n = 0;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                n += image.pixel(x, y) != qRgb(255, 255, 255);
        return n;
    }
    // Pixels of the live-value red within the rectangle of the canvas.
    int redPixels(int x, int y, int w, int h) const {
        const QImage& image = form->canvas()->image();
        qreal ratio = image.devicePixelRatio();
        int n = 0;
        for (int py = y; py < y + h; ++py)
            for (int px = x; px < x + w; ++px) {
                QColor c = image.pixelColor(qRound(px * ratio), qRound(py * ratio));
                n += c.red() > 150 && c.green() < 90 && c.blue() < 90;
            }
        return n;
    }
};

TEST_F(MainFormLinkTest, StartUpReadsTheEcuAndGoesOnlineWithLiveValuesDrawn) {
    start();
    EXPECT_EQ(form->ecu().LinkState, Link::Startup);
    EXPECT_TRUE(form->configLocked());
    EXPECT_EQ(form->connectionStatus()->text(), "Initialising");
    ASSERT_TRUE(pollUntil(Link::ReadingAll));
    poll();
    // The splash window shows the progress of the full read.
    TSplashForm* splash = form->splash();
    EXPECT_TRUE(splash->progressShown());
    EXPECT_EQ(splash->height(), TSplashForm::kProgressHeight);
    EXPECT_EQ(splash->ReadWriteSplashLabel->text(), "Reading All Settings");
    EXPECT_EQ(splash->CancelButton->text(), "Cancel Read");
    EXPECT_EQ(splash->ProgressBar->maximum(), 172031);
    EXPECT_EQ(splash->BytesSoFar->text().toInt(), splash->ProgressBar->value() + 1);
    EXPECT_EQ(splash->Serial->text().toStdString(), form->ecu().EcuSerial);
    ASSERT_TRUE(pollUntil(Link::Online));
    EXPECT_FALSE(splash->isVisible());
    EXPECT_EQ(form->ecu().NumElements, 9);
    EXPECT_TRUE(form->configLocked());
    // The next cycles poll the page's live values and draw them in red.
    poll(3);
    EXPECT_EQ(form->ecu().ImageWord(Layout::kLiveBase + sumLive), 125);
    EXPECT_EQ(form->connectionStatus()->text(), "ECU Connected and Online");
    const QRect text(20 * 17 + 103 - 62, 2 * 17, 48, 17); // the Summer's output value
    EXPECT_GT(redPixels(text.x(), text.y(), text.width(), text.height()), 20);
    QImage shown = region(text);
    QImage backup = form->canvas()->backupImage();
    EXPECT_EQ(form->pageSelector()->currentIndex(), kDemoPage);
    EXPECT_EQ(form->pageSelector()->count(), 128);
    EXPECT_EQ(form->pageSelector()->currentText(), "   8: Demo");
    // A new value is drawn by the next cycles, without a full render.
    virtualEcu.WriteWord(Layout::kLiveBase + sumLive, static_cast<uint16_t>(-1000));
    poll(2);
    EXPECT_EQ(static_cast<int16_t>(form->ecu().ImageWord(Layout::kLiveBase + sumLive)), -1000);
    EXPECT_NE(region(text), shown);
    EXPECT_EQ(form->canvas()->backupImage(), backup);
    // "About" shows the splash with the connected ECU's version and serial number.
    form->action("About")->trigger();
    EXPECT_FALSE(splash->progressShown());
    EXPECT_EQ(splash->Package->text(), "3.012");
    EXPECT_EQ(splash->Serial->text().trimmed().toStdString(), virtualEcu.Serial());
}

TEST_F(MainFormLinkTest, CommandsFollowTheLinkStateOnButtonsAndMenus) {
    virtualEcu.Unplug();
    start();
    poll(3);
    EXPECT_EQ(form->ecu().LinkState, Link::Startup);
    for (const char* name : {"Read from ECU", "Write to ECU", "Go Online", "Optimise Configuration",
                             "Update Cosmetic Changes", "Save As ..."})
        EXPECT_FALSE(enabled(name)) << name;
    EXPECT_EQ(form->connectionStatus()->text(),
              QString::fromStdString(form->engine().ConnectionStatus()));

    virtualEcu.Replug();
    form->engine().Connect();
    ASSERT_TRUE(pollUntil(Link::Online));
    poll();
    EXPECT_TRUE(enabled("Read from ECU"));
    EXPECT_TRUE(enabled("Read configuration from ECU"));
    EXPECT_TRUE(enabled("Write to ECU"));
    EXPECT_TRUE(enabled("Write configuration to ECU"));
    EXPECT_TRUE(enabled("Save As ..."));
    EXPECT_TRUE(enabled("Optimise Configuration"));
    EXPECT_TRUE(enabled("OptimiseButton"));
    EXPECT_FALSE(enabled("Go Online"));
    EXPECT_FALSE(enabled("OnlineButton"));
    EXPECT_FALSE(enabled("UpdateCosmeticButton"));
    EXPECT_TRUE(enabled("Scope (F7)"));
    EXPECT_TRUE(enabled("Setup Wizard"));
    EXPECT_TRUE(enabled("Open Setup Wizard"));
    EXPECT_TRUE(enabled("Setup Checklist ..."));
    EXPECT_TRUE(enabled("ECU Ram Test"));

    // A cosmetic edit (a position) offers "Update Cosmetic" in the advanced view only.
    int record = form->ecu().ElementLogicOffset[sum];
    form->ecu().WriteLogicByte(record + 1, 22, true);
    poll();
    EXPECT_TRUE(enabled("Update Cosmetic Changes"));
    EXPECT_TRUE(enabled("UpdateCosmeticButton"));
    form->setAdvancedView(false);
    poll();
    EXPECT_FALSE(enabled("UpdateCosmeticButton"));
    EXPECT_FALSE(enabled("OptimiseButton"));
    form->setAdvancedView(true);

    // A structural edit takes the link offline; "Go Online" then asks what to do.
    form->ecu().StructureChanged = true;
    ASSERT_TRUE(pollUntil(Link::Offline));
    poll();
    EXPECT_TRUE(enabled("Go Online"));
    EXPECT_TRUE(enabled("OnlineButton"));
    EXPECT_FALSE(enabled("Read from ECU"));
    EXPECT_FALSE(enabled("ECU Ram Test"));
    form->action("OnlineButton")->trigger();
    EXPECT_EQ(form->ecu().LinkState, Link::AskLoadOrWrite);
    poll();
    TLoadSaveOfflineForm* ask = form->loadSaveOfflineForm();
    EXPECT_TRUE(ask->isVisible());
    ask->WriteButton->click();
    EXPECT_FALSE(ask->isVisible());
    ASSERT_TRUE(pollUntil(Link::Online));
    // The ECU took the moved element and committed it.
    EXPECT_EQ(virtualEcu.Committed()[Layout::kLogicBase + record + 1], 22);
    EXPECT_FALSE(form->ecu().StructureChanged);
}

TEST_F(MainFormLinkTest, CancellingTheFullReadLeavesTheConfigurationLocked) {
    start();
    ASSERT_TRUE(pollUntil(Link::ReadingAll));
    // Cancel once the diagram itself has arrived, before its names.
    int logicEnd = Layout::kLogicBase + virtualEcu.ReadWord(2);
    for (int n = 0; n < 50 && form->ecu().SyncAt(logicEnd - 1) != Sync::InStep; ++n)
        poll();
    ASSERT_EQ(form->ecu().LinkState, Link::ReadingAll);
    ASSERT_TRUE(form->splash()->progressShown());
    form->splash()->CancelButton->click();
    EXPECT_EQ(form->ecu().LinkState, Link::ReadCancelled);
    EXPECT_FALSE(form->splash()->isVisible());
    form->setConfigLocked(false);
    poll();
    EXPECT_TRUE(form->configLocked());
    EXPECT_FALSE(form->action("Add a new Constant")->isEnabled());
    EXPECT_TRUE(enabled("Read from ECU"));
    for (const char* name :
         {"Write to ECU", "Go Online", "Optimise Configuration", "Save As ...", "OnlineButton"})
        EXPECT_FALSE(enabled(name)) << name;
    // Nothing of the half-read configuration is drawn, whatever page is chosen.
    form->setCurrentPage(kDemoPage);
    form->setAdvancedView(true);
    EXPECT_EQ(nonWhitePixels(), 0);
    poll(5);
    EXPECT_EQ(form->ecu().LinkState, Link::ReadCancelled);
    // Unplugged, the window waits for an ECU again.
    virtualEcu.Unplug();
    ASSERT_TRUE(pollUntil(Link::Startup, 10));
    EXPECT_TRUE(form->configLocked());
}

TEST_F(MainFormLinkTest, AnEcuLostDuringTheReadIsAwaitedAndTheReadResumes) {
    start();
    ASSERT_TRUE(pollUntil(Link::ReadingAll));
    virtualEcu.Unplug();
    ASSERT_TRUE(pollUntil(Link::LostDuringRead, 10));
    poll();
    TreconnectForm* reconnect = form->reconnectForm();
    EXPECT_TRUE(reconnect->isVisible());
    EXPECT_EQ(reconnect->windowTitle(), "No ECU connected");
    virtualEcu.Replug();
    form->engine().Connect();
    ASSERT_TRUE(pollUntil(Link::Online));
    EXPECT_FALSE(reconnect->isVisible());

    // Lost again during a read and given up: back to waiting for an ECU.
    form->action("Read from ECU")->trigger();
    ASSERT_TRUE(pollUntil(Link::ReadingAll));
    virtualEcu.Unplug();
    ASSERT_TRUE(pollUntil(Link::LostDuringRead, 10));
    poll();
    reconnect->CancelButton->click();
    EXPECT_EQ(form->ecu().LinkState, Link::Startup);
    EXPECT_FALSE(reconnect->isVisible());
}

TEST_F(MainFormLinkTest, OpeningAFileWhileConnectedAsksWhetherToLoadOrWrite) {
    start();
    ASSERT_TRUE(pollUntil(Link::Online));
    dialogs.answers = {dir.path("demo.ecu")};
    form->action("Open ...")->trigger();
    EXPECT_EQ(form->ecu().LinkState, Link::NewConfiguration);
    poll(2);
    EXPECT_EQ(form->ecu().LinkState, Link::AskLoadOrWrite);
    EXPECT_TRUE(form->loadSaveOfflineForm()->isVisible());
    // Only the file's name changed: loading from the ECU brings everything back.
    form->ecu().RenameSlot(128 + sum, "Renamed");
    form->loadSaveOfflineForm()->LoadButton->click();
    EXPECT_EQ(form->ecu().LinkState, Link::StartReadAll);
    ASSERT_TRUE(pollUntil(Link::Online));
    EXPECT_EQ(form->ecu().ExactNameOf(128 + sum), "Sum");

    // Staying offline keeps the file's configuration.
    dialogs.answers = {dir.path("demo.ecu")};
    form->action("Open ...")->trigger();
    poll(2);
    form->loadSaveOfflineForm()->OfflineButton->click();
    EXPECT_EQ(form->ecu().LinkState, Link::Offline);
    EXPECT_FALSE(form->loadSaveOfflineForm()->isVisible());
}

TEST_F(MainFormLinkTest, TheSplashCanOpenAFileInsteadOfReading) {
    start();
    ASSERT_TRUE(pollUntil(Link::ReadingAll));
    poll();
    dialogs.answers = {dir.path("demo.ecu")};
    form->splash()->OpenSettingsFile->click();
    EXPECT_EQ(form->ecu().LinkState, Link::NewConfiguration);
    EXPECT_FALSE(form->splash()->isVisible());
    EXPECT_EQ(form->ecu().NumElements, 9);
}

TEST_F(MainFormLinkTest, LearntConstantsAreListedInTheLearnHistory) {
    start();
    ASSERT_TRUE(pollUntil(Link::Online));
    uint16_t address = static_cast<uint16_t>(Layout::kConstBase + 2);
    ASSERT_TRUE(virtualEcu.PostLearnReport(address, 75));
    poll(2);
    EXPECT_EQ(form->ecu().ImageWord(address), 75);
    form->action("View Learn History")->trigger();
    TLearnHistoryForm* history = form->learnHistoryForm();
    EXPECT_TRUE(history->isVisible());
    QString text = history->LearnHistoryMemo->toPlainText();
    EXPECT_TRUE(text.startsWith("Learnt 1.50 to Constant Address 2 ")) << text.toStdString();
    EXPECT_FALSE(text.contains(QLatin1Char('\r')));
    history->ClearButton->click();
    EXPECT_TRUE(history->LearnHistoryMemo->toPlainText().isEmpty());
    EXPECT_TRUE(form->engine().LearnHistory().empty());
}

} // namespace
