#include "CliRunner.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "app/MainForm.h"
#include "dialogs/TIASciEdit.h"
#include "files/NewConfigForm.h"
#include "files/NewConfiguration.h"
#include "files/ProgramFiles.h"
#include "files/SettingsFile.h"
#include "link/SyncEngine.h"
#include "setup/NamedSettings.h"
#include "setup/SetupWizardForm.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>

using namespace zolmar;
using namespace zolmar::gui;
using zolmar::test::ScriptedDialogs;
using zolmar::test::TempDir;
using C = WizardControl;

namespace {

// The main window on the default configuration, advanced view, polled by hand.
struct SetupWizardGuiTest : ::testing::Test {
    RecordingMessages messages;
    MemoryPreferences prefs;
    ScriptedDialogs dialogs;
    TempDir dir;
    std::unique_ptr<TMainForm> form;

    void SetUp() override {
        prefs.values["AdvancedView"] = "Advanced";
        prefs.values["ShowStartHints"] = "DontShowHints";
        form = std::make_unique<TMainForm>(messages, prefs, dialogs);
        form->setSplashAtStart(false);
        form->pollTimer()->stop();
        form->resize(1000, 800);
        form->show();
        ASSERT_TRUE(form->fileCommands().openFile(ZOLMAR_DEFAULT_CONFIG, true));
    }
    TSetupWizard* wizard() { return form->setupWizard(); }
    template <class W> W* control(C c) { return qobject_cast<W*>(wizard()->control(c)); }
    QComboBox* list(C c) { return control<QComboBox>(c); }
    QSpinBox* spin(C c) { return control<QSpinBox>(c); }
    // Opens the wizard and runs the steps while it is shown (it is modal).
    void whileOpen(const std::function<void()>& steps, const std::function<void()>& open = {}) {
        bool ran = false;
        QTimer::singleShot(0, form.get(), [&] {
            EXPECT_TRUE(wizard()->isVisible());
            steps();
            ran = true;
            if (wizard()->isVisible())
                wizard()->CancelButton->click();
        });
        if (open)
            open();
        else
            form->openSetupWizard();
        EXPECT_TRUE(ran);
        EXPECT_FALSE(wizard()->isVisible());
    }
    std::vector<uint8_t> fileBytes(const std::string& path) {
        std::vector<uint8_t> b;
        std::string error;
        EXPECT_TRUE(SettingsFile::read(path, b, error)) << error;
        return b;
    }
};

TEST_F(SetupWizardGuiTest, TheMenuOpensTheModalWizardOnTheConfiguration) {
    form->PollTimerTimer();
    ASSERT_TRUE(form->action("Setup Wizard")->isEnabled());
    ASSERT_TRUE(form->action("Open Setup Wizard")->isEnabled());
    whileOpen(
        [&] {
            TSetupWizard* w = wizard();
            EXPECT_TRUE(w->isModal());
            EXPECT_EQ(w->windowTitle(), "Startup ECU Configuration");
            ASSERT_EQ(w->Tabs->count(), 4);
            EXPECT_EQ(w->Tabs->tabText(2), "Ignition/Injection");
            EXPECT_FALSE(w->PrevButton->isVisible());
            w->NextButton->click();
            w->NextButton->click();
            w->NextButton->click();
            EXPECT_EQ(w->Tabs->currentIndex(), 3);
            EXPECT_FALSE(w->NextButton->isVisible());
            EXPECT_TRUE(w->PrevButton->isVisible());
            EXPECT_TRUE(w->FinishButton->isDefault());
            EXPECT_EQ(w->FinishButton->toolTip(),
                      "Confirms and Applies the settings from this Wizard to the ECU "
                      "configuration!");

            EXPECT_EQ(list(C::Manufacturer)->currentText(), "Custom");
            EXPECT_FALSE(list(C::EngineType)->isEnabled());
            EXPECT_EQ(list(C::FiringOrder)->currentText(), "1-3-4-2");
            EXPECT_EQ(list(C::IgnArrangement)->count(), 4);
            EXPECT_EQ(spin(C::EngineCap)->value(), 1600);
            EXPECT_EQ(w->CapacityHint->text(), QString::fromUtf8("(97.6 in\u00b3)"));
            EXPECT_EQ(w->ignitionWiring(1)->text(), "Igniter for Cylinder 1");
            EXPECT_FALSE(w->thresholdEdit(4)->isHidden());
            EXPECT_EQ(w->thresholdEdit(4)->text(), "95.00");
            EXPECT_EQ(w->thresholdUnit(4)->text(), QString::fromUtf8("\u00b0C"));
            EXPECT_TRUE(w->thresholdEdit(0)->isHidden());
            EXPECT_TRUE(w->OddFireLabel->isHidden());

            // A control's rule shows at once: a V6 needs injector outputs 5 and 6.
            list(injFunc(5))->setCurrentIndex(0);
            spin(C::NumCylinders)->setValue(6);
            EXPECT_EQ(list(injFunc(5))->currentText(), "Injector 5");
            EXPECT_EQ(list(C::FiringOrder)->currentText(), "1-5-3-6-2-4");
            EXPECT_EQ(spin(C::OddfireAngle)->value(), 120);
            spin(C::OddfireAngle)->setValue(90);
            EXPECT_FALSE(w->OddFireLabel->isHidden());
            list(C::PistonOrRotary)->setCurrentIndex(1);
            EXPECT_FALSE(spin(C::NumCylinders)->isEnabled());
            EXPECT_TRUE(spin(C::NumRotors)->isEnabled());
            EXPECT_EQ(w->injectorWiring(5)->text(), "Front Secondary Injector");
        },
        [&] { form->action("Open Setup Wizard")->trigger(); });
}

TEST_F(SetupWizardGuiTest, TheDialogWritesTheSameBytesAsZolmarCli) {
    const std::string viaCli = dir.path("cli.ecu");
    auto r = test::runCli(
        test::wizardArgs(ZOLMAR_DEFAULT_CONFIG, viaCli,
                         {"Manufacturer=Toyota / Lexus", "Engine=7MGTE", "NumCylinders=6",
                          "FiringOrder=1-6-5-4-3-2", "IgnArrangement=Wasted Spark", "Aux8Func=20",
                          "AuxEdit8=6500", "TrigOffset=-15", "DBWtickbox=1"}));
    ASSERT_EQ(r.code, 0) << r.err;

    whileOpen([&] {
        TSetupWizard* w = wizard();
        list(C::Manufacturer)->setCurrentIndex(13);
        EXPECT_TRUE(list(C::EngineType)->isEnabled());
        list(C::EngineType)->setCurrentIndex(9);
        EXPECT_EQ(w->ImportantInfoLabel->text(), "NOTE: Can't use standard 'Addressing' Igniter!");
        spin(C::NumCylinders)->setValue(6);
        list(C::FiringOrder)->setCurrentIndex(1);
        list(C::IgnArrangement)->setCurrentIndex(1);
        EXPECT_EQ(w->ignitionWiring(2)->text(), "Igniter for Cylinders 6 and 3");
        list(auxFunc(8))->setCurrentIndex(20);
        ASSERT_FALSE(w->thresholdEdit(7)->isHidden());
        EXPECT_EQ(w->thresholdUnit(7)->text(), "RPM");
        w->thresholdEdit(7)->clear();
        QTest::keyClicks(w->thresholdEdit(7), QStringLiteral("6500"));
        QTest::keyClick(w->thresholdEdit(7), Qt::Key_Return);
        // More than the field can store is refused, and the answer shown again.
        w->thresholdEdit(7)->clear();
        QTest::keyClicks(w->thresholdEdit(7), QStringLiteral("70000"));
        QTest::keyClick(w->thresholdEdit(7), Qt::Key_Return);
        EXPECT_EQ(w->thresholdEdit(7)->text(), "6500");
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, "Out of Bounds");
        messages.shown.clear();
        spin(C::TrigOffset)->setValue(-15);
        control<QCheckBox>(C::DBWtickbox)->setChecked(true);
        EXPECT_FALSE(list(C::IdleController)->isEnabled());
        EXPECT_EQ(list(auxFunc(6))->currentIndex(), 11);
        w->FinishButton->click();
    });
    EXPECT_TRUE(messages.shown.empty());
    std::string error;
    ASSERT_TRUE(SettingsFile::save(form->ecu(), dir.path("dialog.ecu"), error));
    EXPECT_TRUE(fileBytes(dir.path("dialog.ecu")) == fileBytes(viaCli));
    EXPECT_NE(fileBytes(viaCli), fileBytes(ZOLMAR_DEFAULT_CONFIG));
}

TEST_F(SetupWizardGuiTest, CancelWhileOnlineReturnsTheLinkToAConfigurationJustOpened) {
    form->ecu().LinkState = Link::Online;
    const std::vector<uint8_t> before = SettingsFile::fromImage(form->ecu());
    whileOpen([&] {
        spin(C::EngineCap)->setValue(3000);
        wizard()->CancelButton->click();
    });
    EXPECT_EQ(form->ecu().LinkState, Link::NewConfiguration);
    EXPECT_TRUE(SettingsFile::fromImage(form->ecu()) == before);
}

TEST_F(SetupWizardGuiTest, AnotherConfigurationLoadedWhileOpenIsShownAndReceivesOnlyItsOwnAnswers) {
    // A copy of the default configuration with a 1.5 litre engine.
    {
        SilentMessages quiet;
        auto other = std::make_unique<tECU>(quiet);
        std::string error;
        ASSERT_TRUE(SettingsFile::load(*other, ZOLMAR_DEFAULT_CONFIG, error));
        auto found = NamedSettings::find(*other, "Engine Capacity (Litres)",
                                         NamedSettings::Kind::Word, true);
        other->WriteConstWord(found.constAddr, 75);
        ASSERT_TRUE(SettingsFile::save(*other, dir.path("other.ecu"), error));
    }
    std::vector<uint8_t> loaded;
    whileOpen([&] {
        spin(C::MaxRPM)->setValue(9000);
        ASSERT_TRUE(form->fileCommands().openFile(dir.path("other.ecu"), false));
        EXPECT_TRUE(wizard()->isVisible());
        EXPECT_EQ(spin(C::EngineCap)->value(), 1500);
        EXPECT_EQ(spin(C::MaxRPM)->value(), 7000);
        loaded = SettingsFile::fromImage(form->ecu());
        wizard()->FinishButton->click();
    });
    uint16_t rpm = 0;
    ASSERT_TRUE(NamedSettings::readWord(form->ecu(), "Hard Rev-Limit (/100)", rpm));
    EXPECT_EQ(rpm, 3600);
    uint16_t capacity = 0;
    ASSERT_TRUE(NamedSettings::readWord(form->ecu(), "Engine Capacity (Litres)", capacity));
    EXPECT_EQ(capacity, 75);
    // Finish is one step: undone, the loaded file's answers are back.
    EXPECT_EQ(form->action("Undo")->text(), "Undo Setup Wizard Finish");
    const std::vector<uint8_t> finished = SettingsFile::fromImage(form->ecu());
    ASSERT_FALSE(finished == loaded);
    form->action("Undo")->trigger();
    EXPECT_TRUE(SettingsFile::fromImage(form->ecu()) == loaded);
    form->action("Redo")->trigger();
    EXPECT_TRUE(SettingsFile::fromImage(form->ecu()) == finished);
}

TEST_F(SetupWizardGuiTest, NewCompleteOpensTheWizardItselfAndFinishWarnsOfMissingNames) {
    // New Complete reads the default configuration from the folder it was started in.
    TempDir start;
    std::filesystem::copy_file(ZOLMAR_DEFAULT_CONFIG, start.path("q7700xDefaultConfig.ecu"));
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(start.dir());
    ProgramFiles::RememberStartDirectory();
    form->action("Setup Wizard")->setEnabled(false);
    whileOpen([&] { wizard()->FinishButton->click(); },
              [&] {
                  form->action("New ...")->trigger();
                  form->newConfigForm()->CompleteButton->click();
              });
    std::filesystem::current_path(previous);
    ProgramFiles::RememberStartDirectory();
    EXPECT_EQ(form->ecu().LinkState, Link::NewConfiguration);
    EXPECT_TRUE(messages.shown.empty());

    // A blank configuration has none of the named settings: Finish lists them.
    form->newConfigForm()->BlankButton->click();
    whileOpen([&] { wizard()->FinishButton->click(); });
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown.back().kind, Messages::Kind::Warning);
    EXPECT_EQ(messages.shown.back().text.rfind(
                  "The following elements were NOT updated with values from this wizard:\n\r\"", 0),
              0u);
}

} // namespace
