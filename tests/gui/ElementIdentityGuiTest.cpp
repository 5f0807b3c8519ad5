// One window's state after another window's structural change or a load: the table
// editor, the PC log, the dials and the dialogs act on the elements the user chose or
// on nothing, never on an element that took another's number.
#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "app/MainForm.h"
#include "diagnostics/PcLog.h"
#include "editor/PageOperations.h"
#include "files/ConfigurationProperties.h"
#include "files/NewConfiguration.h"
#include "files/PropertiesForm.h"
#include "files/SettingsFile.h"
#include "gauges/RealGaugesForm.h"
#include "model/Tables.h"
#include "setup/InputsForm.h"
#include "tables/TEditTable.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace zolmar;
using namespace zolmar::gui;
using namespace zolmar::Layout;
using zolmar::test::ScriptedDialogs;
using zolmar::test::TempDir;

namespace {

constexpr int kPage = 7;

struct ElementIdentityGuiTest : ::testing::Test {
    RecordingMessages messages;
    MemoryPreferences prefs;
    ScriptedDialogs dialogs;
    TempDir dir;
    std::unique_ptr<TMainForm> form;

    // Two tables on page 8, two gauges on the gauge page (on dials 1 and 2).
    static void build(tECU& ecu, const std::string& firstGauge, int firstValue,
                      const std::string& secondGauge, int secondValue) {
        NewConfiguration::MakeBlank(ecu);
        int tb = -1, fuel = -1, g1 = -1, g2 = -1;
        ecu.CreateElement(ElementType::Table2D, 1, 1, "TB", kPage, &tb);
        Tables::LayOut(ecu, tb, {0, 500, 250}, nullptr);
        ecu.CreateElement(ElementType::Table2D, 1, 10, "Fuel2", kPage, &fuel);
        Tables::LayOut(ecu, fuel, {0, 500, 250}, nullptr);
        ecu.CreateElement(ElementType::Gauge, 1, 1, firstGauge, 0, &g1);
        ecu.CreateElement(ElementType::Gauge, 1, 5, secondGauge, 0, &g2);
        ecu.SetLiteral(g1, 0, firstValue);
        ecu.SetLiteral(g2, 0, secondValue);
        ecu.WriteConstByte(ecu.ElementConstOffset[g1] + 8, 2 | (1 << 3));
        ecu.WriteConstByte(ecu.ElementConstOffset[g2] + 8, 2 | (2 << 3));
    }
    std::string save(const std::string& file, const std::string& first, int firstValue,
                     const std::string& second, int secondValue) {
        SilentMessages quiet;
        auto ecu = std::make_unique<tECU>(quiet);
        build(*ecu, first, firstValue, second, secondValue);
        std::string error;
        EXPECT_TRUE(SettingsFile::save(*ecu, dir.path(file), error)) << error;
        return dir.path(file);
    }
    void SetUp() override {
        prefs.values["AdvancedView"] = "Advanced";
        prefs.values["ShowStartHints"] = "DontShowHints";
        form = std::make_unique<TMainForm>(messages, prefs, dialogs);
        form->setSplashAtStart(false);
        form->pollTimer()->stop();
        ASSERT_TRUE(form->fileCommands().openFile(save("a.ecu", "RPM/100", 30, "MAP", 100), true));
        form->setConfigLocked(false);
        form->setCurrentPage(kPage);
    }
    tECU& ecu() { return form->ecu(); }
    int named(const std::string& name) { return ecu().FindElementByName(name, false); }
    std::vector<uint8_t> constantsOf(const std::string& name) {
        int e = named(name);
        int c = ecu().ElementConstOffset[e];
        int size = ecu().ConstSize(ecu().TypeOf(e), c);
        return {ecu().Image + kConstBase + c, ecu().Image + kConstBase + c + size};
    }
    std::vector<uint8_t> image() { return {ecu().Image, ecu().Image + kImageSize}; }
};

TEST_F(ElementIdentityGuiTest, TheTableEditorClosesWhenItsTableGoesByAnyRoute) {
    for (int route = 0; route < 3; ++route) {
        ASSERT_TRUE(form->fileCommands().openFile(dir.path("a.ecu"), true));
        form->setConfigLocked(false);
        form->setCurrentPage(kPage);
        ASSERT_TRUE(form->openTableEditor(named("TB")));
        TEditTable* editor = form->tableEditor();
        ASSERT_TRUE(editor->isVisible());
        const auto fuel = constantsOf("Fuel2");
        if (route == 0) {
            form->editor().setSelection({named("TB")});
            form->editor().deleteElements();
        } else if (route == 1) {
            form->editor().setSelection({named("TB")});
            form->editor().cut();
        } else {
            messages.answers.push_back(Messages::Answer::Yes);
            form->editor().deletePage();
        }
        EXPECT_FALSE(editor->isVisible()) << route;
        // Keys that still reach the grid write nowhere.
        QTest::keyClicks(editor->grid(), "42");
        QTest::keyClick(editor->grid(), Qt::Key_Return);
        if (route < 2)
            EXPECT_EQ(constantsOf("Fuel2"), fuel) << route;
        else
            EXPECT_EQ(named("Fuel2"), -1);
    }
}

TEST_F(ElementIdentityGuiTest, TheTableEditorFollowsItsTableThroughAnOptimisation) {
    ASSERT_TRUE(form->openTableEditor(named("Fuel2")));
    form->OptimiseClick();
    ASSERT_TRUE(form->tableEditor()->isVisible());
    EXPECT_EQ(form->tableEditor()->windowTitle(), "Fuel2 (2D map)");
    EXPECT_EQ(form->tableEditor()->editor().Element(), named("Fuel2"));
}

TEST_F(ElementIdentityGuiTest, ThePcLogKeepsEachColumnOnItsGauge) {
    dialogs.answers.push_back(dir.path("log.csv"));
    form->StartLogClick();
    ASSERT_TRUE(form->pcLog().Active());
    form->SimulatorClick();
    ASSERT_TRUE(ecu().Simulating);
    form->PollTimerTimer();
    ecu().DeleteElement(named("RPM/100"));
    form->PollTimerTimer();
    form->StopLogClick();
    std::ifstream in(dir.path("log.csv"), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);)
        lines.push_back(line);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "\"Time (s)\",\"RPM/100\",\"MAP\",\r");
    EXPECT_NE(lines[1].find(",30.00,100.00,"), std::string::npos) << lines[1];
    // The deleted gauge's column stays, empty; MAP's value stays under MAP.
    EXPECT_NE(lines.back().find(",,100.00,"), std::string::npos) << lines.back();
}

TEST_F(ElementIdentityGuiTest, TheDialsShowTheGaugesOfTheConfigurationNowOpen) {
    form->setAdvancedView(false);
    TRealGaugesForm* dials = form->realGaugesForm();
    dials->setUp();
    ASSERT_EQ(dials->dials().SlotAt(0).name.substr(0, 7), "RPM/100");
    // In the other file Boost is on dial 1, and RPM/100 on dial 2 at another index.
    ASSERT_TRUE(form->fileCommands().openFile(save("b.ecu", "Boost", 7, "RPM/100", 55), true));
    form->PollTimerTimer();
    EXPECT_EQ(dials->dials().SlotAt(0).name.substr(0, 5), "Boost");
    EXPECT_EQ(dials->dials().SlotAt(1).name.substr(0, 7), "RPM/100");
    ecu().Simulating = true; // values drawn as if live
    EXPECT_EQ(dials->dials().Refresh(ecu(), 1).actual, 55 * 50);
    ecu().Simulating = false;
}

TEST_F(ElementIdentityGuiTest, OpenDialogsNeverWriteOneConfigurationIntoAnother) {
    // The Inputs dialog and the Properties window open on file A ...
    form->inputsForm()->Open(0);
    form->propertiesForm()->fill();
    form->propertiesForm()->show();
    form->propertiesForm()->Edits[0]->setText(QStringLiteral("Tuner of A"));
    // ... then file B is opened over it.
    const std::string b = save("b.ecu", "Boost", 7, "Lambda", 1);
    ASSERT_TRUE(form->fileCommands().openFile(b, true));
    const auto loaded = image();
    EXPECT_FALSE(form->inputsForm()->isVisible());
    // OK on what is left of them writes nothing of A into B.
    form->inputsForm()->AngIncrement->setText(QStringLiteral("15.00"));
    form->inputsForm()->OKButtonClick();
    form->propertiesForm()->OKButtonClick();
    EXPECT_EQ(image(), loaded);
    EXPECT_EQ(form->propertiesForm()->Edits[0]->text().toStdString(),
              ConfigurationProperties::Read(ecu(), 0));

    // New and Import/Merge replace it as well.
    form->inputsForm()->Open(0);
    form->NewBlankClick();
    const auto blank = image();
    form->inputsForm()->OKButtonClick();
    EXPECT_EQ(image(), blank);
}

} // namespace
