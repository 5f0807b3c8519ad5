#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "app/MainForm.h"
#include "files/NewConfiguration.h"
#include "files/SettingsFile.h"
#include "setup/DedicatedForms.h"
#include "setup/InputsForm.h"

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
#include <gtest/gtest.h>

using namespace zolmar;
using namespace zolmar::gui;
using zolmar::test::ScriptedDialogs;
using zolmar::test::TempDir;

namespace {

// The main window on a blank configuration (the six dedicated elements), advanced view.
struct SetupFormsTest : ::testing::Test {
    RecordingMessages messages;
    MemoryPreferences prefs;
    ScriptedDialogs dialogs;
    TempDir dir;
    std::unique_ptr<TMainForm> form;

    void SetUp() override {
        prefs.values["AdvancedView"] = "Advanced";
        prefs.values["ShowStartHints"] = "DontShowHints";
        {
            SilentMessages quiet;
            auto blank = std::make_unique<tECU>(quiet);
            NewConfiguration::MakeBlank(*blank);
            std::string error;
            ASSERT_TRUE(SettingsFile::save(*blank, dir.path("blank.ecu"), error));
        }
        form = std::make_unique<TMainForm>(messages, prefs, dialogs);
        form->setSplashAtStart(false);
        form->pollTimer()->stop();
        form->resize(1000, 800);
        form->show();
        ASSERT_TRUE(form->fileCommands().openFile(dir.path("blank.ecu"), true));
        ASSERT_EQ(ecu().TypeOf(0), ElementType::Inputs);
    }
    tECU& ecu() { return form->ecu(); }
    uint8_t constByte(int offset) {
        return ecu().ReadConstByte(ecu().ElementConstOffset[0] + offset);
    }
};

TEST_F(SetupFormsTest, MenuOpensInputsWhoseControlsWriteThroughTheModel) {
    form->setCurrentPage(3);
    QAction* item = form->action("Inputs and Triggering");
    ASSERT_TRUE(item->isEnabled());
    item->trigger();
    TInputsForm* f = form->inputsForm();
    ASSERT_TRUE(f->isVisible());
    EXPECT_FALSE(f->isModal());
    EXPECT_EQ(form->currentPage(), 1); // the advanced view shows the element's page
    EXPECT_TRUE(f->CosPropsButton->isVisible());

    const long pullUps = Layout::kConstBase + ecu().ElementConstOffset[0] + 16;
    ecu().SetSync(pullUps, Sync::InStep);
    f->PullUp[2]->click();
    EXPECT_EQ(constByte(16), 0x04);
    EXPECT_EQ(ecu().SyncAt(pullUps), Sync::ToWrite);
    EXPECT_FALSE(f->PullDown[2]->isChecked());
    f->PullDown[2]->click();
    EXPECT_EQ(constByte(16), 0x00);
    EXPECT_FALSE(f->PullUp[2]->isChecked());

    // A special trigger mode locks the edges and the pairs its mask does not free.
    f->SpecialTrigMode->setCurrentIndex(19);
    emit f->SpecialTrigMode->activated(19);
    EXPECT_EQ(constByte(23) & 0x3F, 19);
    EXPECT_FALSE(f->FallingEdge[0]->isEnabled());
    EXPECT_FALSE(f->TrigDig[2]->isEnabled());
    EXPECT_TRUE(f->TrigDig[2]->isChecked());
    EXPECT_FALSE(f->TrigDig[0]->isChecked());
    EXPECT_TRUE(f->TrigRel[0]->isChecked());
    EXPECT_FALSE(f->AngIncrement->isEnabled());

    // OK refuses a knock step beyond the range and stays open.
    f->KnockStep->setText("720");
    f->OKButton->click();
    EXPECT_TRUE(f->isVisible());
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown.back().text, "Number out of range. Allowable range is -655 to +655");
    f->KnockStep->setText("655");
    f->OKButton->click();
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(ecu().ReadConstWord(ecu().ElementConstOffset[0] + 42), 59620);
}

TEST_F(SetupFormsTest, ClickingTheInputsElementOpensItsDialog) {
    form->setConfigLocked(false);
    form->setCurrentPage(ecu().PageOf(0));
    QPoint at(17 * ecu().ColumnOf(0) + 8, 17 * ecu().RowOf(0) + 8);
    QTest::mouseClick(form->canvas(), Qt::LeftButton, {}, at);
    TInputsForm* f = form->inputsForm();
    ASSERT_TRUE(f->isVisible());
    EXPECT_EQ(f->inputs().element(), 0);
    EXPECT_EQ(f->NameLabel->text().isEmpty(), false);
}

TEST_F(SetupFormsTest, ClickingTheAnalogueElementOpensItsDialog) {
    form->setConfigLocked(false);
    form->setCurrentPage(ecu().PageOf(1));
    QPoint at(17 * ecu().ColumnOf(1) + 8, 17 * ecu().RowOf(1) + 8);
    QTest::mouseClick(form->canvas(), Qt::LeftButton, {}, at);
    TAnalogueForm* f = form->analogueForm();
    ASSERT_TRUE(f->isVisible());
    bool was = f->TemperatureBias->isChecked();
    f->TemperatureBias->click();
    EXPECT_EQ((ecu().ReadConstByte(256) & 1) != 0, !was);
    EXPECT_FALSE(form->inputsForm()->isVisible());
}

TEST_F(SetupFormsTest, LearningNeedsLiveValues) {
    form->action("Inputs and Triggering")->trigger();
    TInputsForm* f = form->inputsForm();
    f->VssPeriod[0]->setValue(77);
    EXPECT_EQ(ecu().ReadConstWord(30), 77);
    f->LearnButton->click();
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown.back().kind, Messages::Kind::Information);
    EXPECT_EQ(f->VssPeriod[0]->value(), 77);
    EXPECT_EQ(ecu().ReadConstWord(30), 77);
}

TEST_F(SetupFormsTest, PeriodAngleCalculatorShowsTheOffset) {
    form->action("Period Angle Offset Calculator")->trigger();
    TPeriodAngleForm* calc = form->periodAngleForm();
    ASSERT_TRUE(calc->isVisible());
    EXPECT_EQ(calc->ResultLabel->text(), "Resulting Period Angle Offset (from -360 to +360)  =  0");
    calc->EngineAngle->setValue(361);
    EXPECT_EQ(calc->ResultLabel->text(),
              "Resulting Period Angle Offset (from -360 to +360)  =  -359");
    calc->EngineAngle->setValue(900); // clamped to the cycle
    EXPECT_EQ(calc->ResultLabel->text(), "Resulting Period Angle Offset (from -360 to +360)  =  0");
}

TEST_F(SetupFormsTest, IgnitionMenuShowsItsPageAndWritesOneOutputAtATime) {
    ecu().WriteConstByte(ecu().ElementConstOffset[4] + 7, 0x08); // output 8 inverted
    form->action("Ignition")->trigger();
    TIgnitionForm* f = form->ignitionForm();
    ASSERT_TRUE(f->isVisible());
    EXPECT_EQ(form->currentPage(), 5);
    EXPECT_EQ(f->OutputNumber->value(), 1);
    EXPECT_TRUE(f->OrWithNext->isEnabled());
    f->OutputNumber->setValue(8);
    EXPECT_TRUE(f->Invert->isChecked());
    EXPECT_FALSE(f->OrWithNext->isEnabled());
    ecu().ConstantsChanged = false;
    f->Pattern->setCurrentIndex(1);
    emit f->Pattern->activated(1);
    EXPECT_EQ(ecu().ReadConstByte(ecu().ElementConstOffset[4] + 7), 0x09);
    EXPECT_TRUE(ecu().ConstantsChanged);
}

TEST_F(SetupFormsTest, InjectorsAndSpareOutputs) {
    ecu().WriteConstByte(265 + 5, 0x80); // output 3: bit 7 means nothing
    form->action("Injectors")->trigger();
    TInjectorsForm* f = form->injectorsForm();
    ASSERT_TRUE(f->isVisible());
    f->OutputNumber->setValue(3);
    EXPECT_FALSE(f->UseAsAux->isChecked());
    EXPECT_FALSE(f->UseAsAux->isEnabled());
    f->PeakTime[0]->setValue(1020);
    EXPECT_EQ(ecu().ReadConstByte(337), 0x00);

    // Without an Aux on Inj element the spare-outputs command only tells so.
    form->action("Aux Outputs on Spare Injector Outputs")->trigger();
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown.back().text, "Your configuration doesn't have an 'Aux Outputs on "
                                          "Spare Injector Outputs' Element block!");
    EXPECT_FALSE(form->auxOutputsForm()->isVisible());

    form->action("Aux Outputs")->trigger();
    TAuxOutputsForm* aux = form->auxOutputsForm();
    ASSERT_TRUE(aux->isVisible());
    EXPECT_EQ(aux->windowTitle(), "Aux Outputs");
    EXPECT_TRUE(aux->DriveHigh->isVisible());
    EXPECT_FALSE(aux->UseAsAux->isVisible());
    aux->OutputNumber->setCurrentIndex(1);
    aux->CopyOf->setCurrentIndex(4);
    emit aux->CopyOf->activated(4);
    EXPECT_EQ(ecu().ReadConstByte(258), 0x0B);
}

TEST_F(SetupFormsTest, GeneralFunctionsIsModal) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* f = qobject_cast<TGeneralForm*>(QApplication::activeModalWidget());
        ASSERT_NE(f, nullptr);
        seen = true;
        f->ForceLogging->click();
        f->OKButton->click();
    });
    form->action("General")->trigger();
    EXPECT_TRUE(seen);
    EXPECT_EQ(form->currentPage(), 6);
    EXPECT_EQ(ecu().ReadConstByte(301) & 0x20, 0x20);
}

} // namespace
