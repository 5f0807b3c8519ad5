#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "app/MainForm.h"
#include "files/NewConfiguration.h"
#include "files/SettingsFile.h"
#include "setup/InputsForm.h"

#include <QAction>
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

} // namespace
