// The main window's link safety: questions before the ECU's configuration replaces the
// user's, closing with edits not yet sent, the start hint after the start-up read,
// self-tests that keep the window answering, and safe firmware flashing.
#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "VirtualEcuWindow.h"
#include "app/EcuJobRunner.h"
#include "app/MainForm.h"
#include "app/SplashForm.h"
#include "emu/EcuBootLoader.h"
#include "emu/EcuSelfTests.h"
#include "emu/PtyServer.h"
#include "emu/VirtualEcu.h"
#include "emu/VirtualEcuLink.h"
#include "files/AtomicFile.h"
#include "files/NewConfiguration.h"
#include "link/FirmwarePackage.h"
#include "link/FlashingForm.h"
#include "link/LoadSaveOfflineForm.h"
#include "link/SerialUsbXpress.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QtTest/QTest>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using namespace zolmar;
using namespace zolmar::gui;
using zolmar::test::ScriptedDialogs;
using zolmar::test::TempDir;

namespace {

struct LinkSafetyTest : zolmar::test::VirtualEcuWindow {
    void SetUp() override {
        VirtualEcuWindow::SetUp();
        virtualEcu.SetSerial("FIRST-ECU");
    }
    bool shown(const std::string& start) const {
        for (const auto& m : messages.shown)
            if (m.text.rfind(start, 0) == 0)
                return true;
        return false;
    }
    // An edit of a constant that is sent with the next cycles while online.
    void editConstants(int bytes) {
        for (int k = 0; k < bytes; ++k)
            form->ecu().WriteConstByte(64 * k, static_cast<uint8_t>(k + 1));
    }
};

// "Read from ECU" and "Load All Settings From ECU" replace the configuration: a modified
// one is offered for saving first, and a cancelled save abandons the command.
TEST_F(LinkSafetyTest, ReadingFromTheEcuAsksToSaveAModifiedConfigurationFirst) {
    start();
    ASSERT_TRUE(pollUntil(Link::Online));
    form->ecu().StructureChanged = true;
    form->ecu().Modified = true;
    ASSERT_TRUE(pollUntil(Link::Offline));
    form->ecu().StructureChanged = false;
    form->engine().ReadFromEcu(); // leave Offline so that "Read from ECU" is offered
    ASSERT_TRUE(pollUntil(Link::Online));
    form->ecu().Modified = true;

    messages.answers = {Messages::Answer::Yes}; // save, then cancel the save dialog
    dialogs.answers = {""};
    form->action("Read from ECU")->trigger();
    EXPECT_EQ(messages.shown.back().text, FileCommands::kAskToSave);
    EXPECT_EQ(form->ecu().LinkState, Link::Online) << "the read was abandoned";
    EXPECT_TRUE(form->ecu().Modified);

    messages.answers = {Messages::Answer::No};
    form->action("Read from ECU")->trigger();
    EXPECT_EQ(form->ecu().LinkState, Link::StartReadAll);
    ASSERT_TRUE(pollUntil(Link::Online));

    // The question of "Go Online": loading asks too; saving first lets it go on.
    form->ecu().Modified = true;
    form->engine().GoOnline();
    poll();
    messages.answers = {Messages::Answer::Yes};
    dialogs.answers = {dir.path("saved.ecu")};
    form->loadSaveOfflineForm()->LoadButton->click();
    EXPECT_EQ(form->ecu().LinkState, Link::StartReadAll);
    EXPECT_TRUE(std::filesystem::exists(dir.path("saved.ecu")));
    EXPECT_FALSE(form->ecu().Modified);
}

// Another ECU answers after a loss: its full read waits for the answer to the save
// question; keeping the PC's configuration leaves the link offline, the edits kept.
TEST_F(LinkSafetyTest, AnotherEcuAfterALossWaitsForTheSaveQuestion) {
    start();
    ASSERT_TRUE(pollUntil(Link::Online));
    poll();
    EXPECT_TRUE(form->action("ECU Ram Test")->isEnabled());
    virtualEcu.Unplug();
    ASSERT_TRUE(pollUntil(Link::LostWhileOnline, 10));
    poll();
    // While no ECU answers, nothing that needs one is offered.
    for (const char* name :
         {"ECU Ram Test", "ECU Injector Test", "ECU Digital Input capacitor test",
          "Calibrate Analog", "Write to ECU", "Read from ECU", "Retrieve Log from ECU"})
        EXPECT_FALSE(form->action(QString::fromUtf8(name))->isEnabled()) << name;
    editConstants(10);
    form->ecu().Modified = true;
    virtualEcu.SetSerial("OTHER-ECU");
    virtualEcu.Replug();
    form->engine().Connect();
    messages.answers = {Messages::Answer::Yes};
    dialogs.answers = {""}; // the save is cancelled: keep the PC's configuration
    poll();
    EXPECT_TRUE(shown(FileCommands::kAskToSave));
    EXPECT_EQ(form->ecu().LinkState, Link::Offline);
    EXPECT_TRUE(form->ecu().Modified);
    EXPECT_EQ(form->ecu().ImageByte(0x400 + 64), 2);
    EXPECT_EQ(form->ecu().SyncAt(0x400 + 64), Sync::ToWrite) << "the edits wait on the PC";
    EXPECT_EQ(virtualEcu.CommitCount(), 0);
}

// Closing while edits are still on their way: the window says how many bytes for which
// ECU, and waits for it when asked, closing once they are in.
TEST_F(LinkSafetyTest, ClosingWithEditsNotYetSentOffersToWaitForTheEcu) {
    start();
    ASSERT_TRUE(pollUntil(Link::Online));
    form->show();
    virtualEcu.Unplug();
    ASSERT_TRUE(pollUntil(Link::LostWhileOnline, 10));
    editConstants(3);
    messages.answers = {Messages::Answer::Yes}; // wait
    EXPECT_FALSE(form->close());
    ASSERT_FALSE(messages.shown.empty());
    const std::string& question = messages.shown.back().text;
    EXPECT_EQ(question.rfind("3 bytes of changes have not reached the ECU (serial FIRST-ECU) yet, "
                             "which is not answering",
                             0),
              0u)
        << question;
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->statusBar()->currentMessage().isEmpty());

    virtualEcu.Replug();
    form->engine().Connect();
    for (int n = 0; n < 40 && form->isVisible(); ++n) {
        poll();
        QCoreApplication::processEvents();
    }
    EXPECT_FALSE(form->isVisible()) << "closed once the ECU had the edits";
    EXPECT_EQ(virtualEcu.Committed()[0x400 + 64], 2);
}

TEST_F(LinkSafetyTest, ClosingWithoutWaitingGoesOnToTheSaveQuestion) {
    start();
    ASSERT_TRUE(pollUntil(Link::Online));
    form->show();
    virtualEcu.Unplug();
    ASSERT_TRUE(pollUntil(Link::LostWhileOnline, 10));
    editConstants(1);
    form->ecu().Modified = true;
    messages.answers = {Messages::Answer::No, Messages::Answer::No};
    EXPECT_TRUE(form->close());
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].text, FileCommands::kAskToSave);
}

// The start hint is a modal question: it waits until the start-up read has ended, so it
// never hides under the progress window nor blocks its buttons.
TEST_F(LinkSafetyTest, TheStartHintWaitsForTheStartUpRead) {
    prefs.values["ShowStartHints"] = "DoShowHints";
    start();
    form->setSplashAtStart(false);
    form->show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(messages.shown.empty()) << "the first cycle decides";
    poll(3);
    QCoreApplication::processEvents();
    ASSERT_EQ(form->ecu().LinkState, Link::ReadingAll);
    EXPECT_TRUE(form->splash()->progressShown());
    EXPECT_TRUE(messages.shown.empty());
    form->splash()->CancelButton->click();
    poll();
    QCoreApplication::processEvents();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("Show Hints at startup?"), std::string::npos);
}

TEST_F(LinkSafetyTest, WithoutAnEcuTheStartHintComesAtOnce) {
    prefs.values["ShowStartHints"] = "DoShowHints";
    virtualEcu.Unplug();
    start();
    form->setSplashAtStart(false);
    form->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(messages.shown.size(), 1u);
}

// A self-test runs away from the window's thread: while the ECU takes its time the
// window's events go on, and no poll cycle runs; the result comes as before.
TEST_F(LinkSafetyTest, ASelfTestKeepsTheWindowAnswering) {
    start();
    ASSERT_TRUE(pollUntil(Link::Online));
    poll();
    bool inJob = false;
    virtualEcu.AddHandler({0x2B000, 0x2B002,
                           [&inJob](uint32_t, uint16_t& value) {
                               inJob = true;
                               // The ECU runs its RAM test.
                               std::this_thread::sleep_for(std::chrono::milliseconds(400));
                               value = 0;
                               return true;
                           },
                           nullptr});
    int ticks = 0;
    int pollsHeld = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!inJob)
            return;
        ++ticks;
        const size_t before = link.requests.size();
        form->PollTimerTimer(); // held while the job runs
        pollsHeld += link.requests.size() == before;
    });
    link.recordFrames = true;
    probe.start(20);
    form->action("ECU Ram Test")->trigger();
    probe.stop();
    EXPECT_GT(ticks, 3) << "the window's timers ran meanwhile";
    EXPECT_EQ(pollsHeld, ticks);
    EXPECT_TRUE(shown("RAM test passed"));
    EXPECT_FALSE(form->jobRunner().active());
}

// The injector test's captures can be cancelled between two captures.
TEST_F(LinkSafetyTest, TheInjectorTestCanBeCancelled) {
    start();
    ASSERT_TRUE(pollUntil(Link::Online));
    poll();
    virtualEcu.AddHandler({0x2B002, 0x2B090,
                           [this](uint32_t address, uint16_t& value) {
                               std::this_thread::sleep_for(std::chrono::milliseconds(2));
                               value = virtualEcu.ReadWord(address);
                               return true;
                           },
                           nullptr});
    QTimer::singleShot(EcuJobRunner::kShowAfterMs + 200, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "EcuJobDialog" && w->isVisible())
                if (auto* cancel = w->findChild<QPushButton*>("CancelButton"))
                    cancel->click();
    });
    link.recordFrames = true;
    form->action("ECU Injector Test")->trigger();
    int commands = 0;
    for (const auto& r : link.requests)
        commands += r[1] == 0x06 && r[2] == 0xFF && r[3] == 0xFF && r[4] == 0x10;
    EXPECT_GT(commands, 0);
    EXPECT_LT(commands, 24) << "stopped before the last capture";
}

// A device that is there but busy: the window says so once, naming it.
TEST(LinkSafetyDevice, ABusyDeviceIsNamedInAMessage) {
    RecordingMessages messages;
    MemoryPreferences prefs;
    prefs.values["ShowStartHints"] = "DontShowHints";
    ScriptedDialogs dialogs;
    emu::VirtualEcu ecu;
    emu::PtyServer server(ecu);
    std::string error;
    ASSERT_TRUE(server.Open(error)) << error;
    SerialUsbXpress holder({{server.Path()}, false});
    TModbusDriver first(holder);
    ASSERT_TRUE(first.FindAndOpen(error)) << error;
    SerialUsbXpress usb({{server.Path()}, false});
    TMainForm form(messages, prefs, dialogs, &usb);
    form.pollTimer()->stop();
    for (int n = 0; n < 5; ++n)
        form.PollTimerTimer();
    QCoreApplication::processEvents();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, Messages::Kind::Error);
    EXPECT_EQ(messages.shown[0].text.rfind(server.Path() + " is busy", 0), 0u);
    EXPECT_EQ(form.connectionStatus()->text(), "No Port Open");
}

// ---------------------------------------------------------------- flashing

struct FlashingTest : LinkSafetyTest {
    TFlashingForm* flashing = nullptr;
    void SetUp() override {
        LinkSafetyTest::SetUp();
        start();
        ASSERT_TRUE(pollUntil(Link::Online));
        flashing = form->flashingForm();
        flashing->flasher().pause = [this](uint32_t ms) { clock.advance(ms); };
    }
    std::string writePackage(const std::string& name, int segments, bool version = true) {
        std::vector<FirmwarePackage::Segment> list;
        for (int s = 0; s < segments; ++s) {
            FirmwarePackage::Segment seg{};
            seg.address = 0x2000 + 0x80 * static_cast<uint32_t>(s);
            seg.data.fill(static_cast<uint8_t>(0x10 + s));
            list.push_back(seg);
        }
        if (version) {
            FirmwarePackage::Segment v{};
            const std::string text = "q7700x firmware 3.20";
            std::copy(text.begin(), text.end(), v.data.begin());
            list.insert(list.begin(), v);
        }
        auto bytes = FirmwarePackage::Build(list);
        std::string error;
        EXPECT_TRUE(writeFileAtomically(dir.path(name), bytes.data(), bytes.size(), error));
        return dir.path(name);
    }
    // Opens the window and runs steps inside it, as its modal loop does.
    void inWindow(const std::function<void()>& steps) {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            for (int n = 0; n < 6 && !bootLoader.Running(); ++n)
                flashing->PingTimerTimer();
            flashing->PingTimerTimer();
            steps();
            ran = true;
            if (flashing->isVisible())
                flashing->reject();
        });
        form->action("Upgrade Package/Firmware")->trigger();
        EXPECT_TRUE(ran);
    }
};

TEST_F(FlashingTest, AFileThatCannotBeAPackageIsRefusedBeforeAnythingIsErased) {
    std::vector<uint8_t> settings(163840);
    for (size_t k = 0; k < settings.size(); ++k)
        settings[k] = static_cast<uint8_t>(k * 37 + k / 131);
    std::string error;
    ASSERT_TRUE(
        writeFileAtomically(dir.path("settings.zfw"), settings.data(), settings.size(), error));
    inWindow([&] {
        dialogs.answers = {dir.path("settings.zfw")};
        flashing->OpenClick();
        EXPECT_FALSE(flashing->ProgramButton->isEnabled());
        EXPECT_FALSE(flashing->VerifyButton->isEnabled());
        ASSERT_FALSE(messages.shown.empty());
        EXPECT_EQ(messages.shown.back().kind, Messages::Kind::Error);
        EXPECT_EQ(messages.shown.back().text.rfind("This file cannot be a firmware package", 0),
                  0u);
    });
    EXPECT_TRUE(bootLoader.erases.empty());
    EXPECT_TRUE(bootLoader.writes.empty());
}

// Closing the window while Program runs asks first, then stops at the next segment: no
// run command, the boot loader keeps waiting, the log says the firmware must be
// written again, and the configuration link gets the device back.
TEST_F(FlashingTest, ClosingDuringProgramStopsWithoutStartingTheHalfWrittenFirmware) {
    const std::string path = writePackage("big.zfw", 120);
    QString log;
    inWindow([&] {
        dialogs.answers = {path};
        flashing->OpenClick();
        ASSERT_TRUE(flashing->ProgramButton->isEnabled());
        messages.answers = {Messages::Answer::Yes, Messages::Answer::Yes}; // program; stop
        QTimer::singleShot(0, [&] {
            EXPECT_TRUE(flashing->busy());
            EXPECT_TRUE(flashing->CancelButton->isEnabled());
            EXPECT_FALSE(flashing->DoneButton->isEnabled());
            flashing->close();
        });
        flashing->ProgramButton->click();
        log = flashing->LogPad->toPlainText();
    });
    EXPECT_TRUE(shown(TFlashingForm::kStopQuestion));
    EXPECT_TRUE(log.endsWith(QString::fromUtf8(FirmwareFlasher::kStoppedLine)))
        << log.toStdString();
    EXPECT_FALSE(log.contains("Finished writing"));
    EXPECT_FALSE(flashing->isVisible());
    EXPECT_TRUE(bootLoader.Running()) << "no run command";
    EXPECT_LT(bootLoader.writes.size(), 121u);
    // The configuration link has the device back (and finds only a boot loader).
    EXPECT_EQ(link.baudRate, 250000u);
    poll(4);
    EXPECT_EQ(form->connectionStatus()->text(), "No ECU Detected");
}

// Cancel does the same, and the window stays open for another attempt.
TEST_F(FlashingTest, CancelStopsProgrammingAndAFailedRunIsNotStartedWithoutAsking) {
    const std::string path = writePackage("p.zfw", 60);
    inWindow([&] {
        dialogs.answers = {path};
        flashing->OpenClick();
        messages.answers = {Messages::Answer::Yes, Messages::Answer::Yes};
        QTimer::singleShot(0, [&] { flashing->CancelButton->click(); });
        flashing->ProgramButton->click();
        EXPECT_TRUE(flashing->isVisible());
        EXPECT_TRUE(flashing->flasher().FirmwareIncomplete());
        EXPECT_TRUE(flashing->ProgramButton->isEnabled());
        // Done now asks before it starts incomplete firmware: No keeps the boot loader.
        messages.answers = {Messages::Answer::No};
        flashing->DoneButton->click();
        EXPECT_TRUE(shown(TFlashingForm::kRunQuestion));
    });
    EXPECT_TRUE(bootLoader.Running());
}

// A program that fails never reads like success, and its firmware is not started
// without asking.
TEST_F(FlashingTest, AFailedProgramSaysTheFirmwareIsIncomplete) {
    const std::string path = writePackage("p.zfw", 4);
    bootLoader.failWrites = 11;
    inWindow([&] {
        dialogs.answers = {path};
        flashing->OpenClick();
        messages.answers = {Messages::Answer::Yes};
        flashing->ProgramButton->click();
        const QString log = flashing->LogPad->toPlainText();
        EXPECT_TRUE(log.contains("Failed too many times"));
        EXPECT_FALSE(log.contains("Verify finished"));
        EXPECT_TRUE(log.endsWith(QString::fromUtf8(FirmwareFlasher::kIncompleteLine)));
        messages.answers = {Messages::Answer::No};
        flashing->DoneButton->click();
        EXPECT_TRUE(shown(TFlashingForm::kRunQuestion));
    });
    EXPECT_TRUE(bootLoader.Running());
}

// A valid package programs, verifies on its own byte for byte, and starts on Done.
TEST_F(FlashingTest, AValidPackageIsProgrammedVerifiedAndStarted) {
    const std::string path = writePackage("ok.zfw", 8);
    inWindow([&] {
        dialogs.answers = {path};
        flashing->OpenClick();
        messages.answers = {Messages::Answer::Yes};
        flashing->ProgramButton->click();
        EXPECT_EQ(messages.shown.back().kind, Messages::Kind::Confirmation);
        EXPECT_NE(messages.shown.back().text.find("firmware version: \"q7700x firmware 3.20\""),
                  std::string::npos);
        EXPECT_TRUE(flashing->LogPad->toPlainText().endsWith("Verify finished (0 errors)"));
        EXPECT_FALSE(flashing->flasher().FirmwareIncomplete());
        flashing->DoneButton->click();
    });
    EXPECT_FALSE(bootLoader.Running());
    for (uint32_t a = 0x2000; a < 0x2000 + 8 * 0x80; ++a)
        ASSERT_EQ(bootLoader.FlashByte(a), 0x10 + (a - 0x2000) / 0x80);
    poll(4);
    EXPECT_EQ(form->connectionStatus()->text(), "ECU Connected and Online");
}

} // namespace
