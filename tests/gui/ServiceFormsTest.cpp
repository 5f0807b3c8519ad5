#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "VirtualEcuWindow.h"
#include "app/MainForm.h"
#include "diagnostics/SelfTestForms.h"
#include "emu/EcuBootLoader.h"
#include "emu/EcuSelfTests.h"
#include "emu/VirtualEcu.h"
#include "emu/VirtualEcuLink.h"
#include "files/AtomicFile.h"
#include "files/ImportForm.h"
#include "files/NewConfigForm.h"
#include "files/NewConfiguration.h"
#include "files/PropertiesForm.h"
#include "files/SettingsFile.h"
#include "link/FlashingForm.h"
#include "model/PinTable.h"
#include "setup/SetupWizardForm.h"
#include "setup/WiringForm.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
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

// The main window over a virtual ECU holding a small configuration, polled by hand.
struct ServiceFormsTest : zolmar::test::VirtualEcuWindow {
    void SetUp() override {
        VirtualEcuWindow::SetUp();
        start();
    }
};

TEST_F(ServiceFormsTest, WiringEditsGoStraightIntoThePinTable) {
    ASSERT_TRUE(pollUntil(Link::Online));
    tECU& ecu = form->ecu();
    PinTable::SetFactoryPin(ecu, 5, 42);
    ecu.Modified = false;
    trigger("Wiring ...");
    TWiringForm* wiring = form->wiringForm();
    ASSERT_TRUE(wiring->isVisible());
    EXPECT_EQ(wiring->windowTitle(), "ECU Wiring");
    EXPECT_EQ(wiring->SpinEdits[5]->value(), 42);
    EXPECT_TRUE(wiring->Edits[32]->text().isEmpty());
    QLineEdit* pin17 = wiring->findChild<QLineEdit*>(QStringLiteral("Edit32"));
    ASSERT_EQ(pin17, wiring->Edits[32]);
    pin17->setFocus();
    QTest::keyClicks(pin17, QStringLiteral("MAPSENSOR"));
    EXPECT_EQ(pin17->text(), "MAPSENS"); // the eighth character cannot be typed
    EXPECT_EQ(PinTable::PinName(ecu, 32), "MAPSENS");
    EXPECT_EQ(ecu.SyncAt(Layout::kPinTableBase + 8 * 32), Sync::ToWrite);
    QSpinBox* spin = wiring->findChild<QSpinBox*>(QStringLiteral("SpinEdit75"));
    spin->setValue(255);
    EXPECT_EQ(PinTable::FactoryPin(ecu, 75), 255);
    EXPECT_FALSE(ecu.Modified);
    // Entering a row marks its pin red on the connector, all others grey.
    QFocusEvent focus(QEvent::FocusIn);
    QApplication::sendEvent(spin, &focus);
    EXPECT_EQ(wiring->highlighted(), 75);
    pin17->clear();
    QTest::keyClicks(pin17, QStringLiteral("MAP"));
    wiring->hide();
    int analogue = 1; // the analogue inputs' element
    EXPECT_NE(ecu.OutputName(analogue, 0, false).find(": Ana 1 (MAP)"), std::string::npos)
        << ecu.OutputName(analogue, 0, false);
    // Changes reach the ECU with the next cycles.
    for (int n = 0; n < 20 && virtualEcu.ReadWord(Layout::kPinTableBase + 8 * 32) == 0; ++n)
        form->PollTimerTimer();
    EXPECT_EQ(virtualEcu.ReadWord(Layout::kPinTableBase + 8 * 32), 'M' | 'A' << 8);
}

TEST_F(ServiceFormsTest, WiringPictureMarksTheEnteredPin) {
    trigger("Wiring ...");
    TWiringForm* wiring = form->wiringForm();
    wiring->highlight(0);
    QImage one = wiring->picture();
    wiring->highlight(40);
    QImage other = wiring->picture();
    auto reds = [](const QImage& image) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += image.pixel(x, y) == qRgb(255, 0, 0);
        return n;
    };
    EXPECT_GT(reds(one), 50);
    EXPECT_EQ(reds(one), reds(other));
    EXPECT_NE(one, other);
    wiring->highlight(-1);
    EXPECT_EQ(reds(wiring->picture()), 0);
}

TEST_F(ServiceFormsTest, NewBlankConfigurationAfterAskingToSave) {
    ASSERT_TRUE(pollUntil(Link::Online));
    form->ecu().Modified = true;
    trigger("New ...");
    TNewConfigForm* dialog = form->newConfigForm();
    ASSERT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowTitle(), "New Configuration Option");
    messages.answers.push_back(Messages::Answer::No);
    form->setConfigLocked(false);
    dialog->BlankButton->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(messages.texts().back(), FileCommands::kAskToSave);
    tECU& ecu = form->ecu();
    EXPECT_EQ(ecu.NumElements, 6);
    EXPECT_EQ(ecu.ConstEnd(), 429);
    EXPECT_EQ(ecu.NameOf(6), "General");
    EXPECT_EQ(ecu.LinkState, Link::Offline);
    EXPECT_TRUE(form->configLocked());
    for (int n = 0; n < PinTable::kNumRecords; ++n) {
        EXPECT_EQ(PinTable::PinName(ecu, n), "");
        EXPECT_EQ(PinTable::FactoryPin(ecu, n), 0);
    }
    trigger("Properties ...");
    EXPECT_EQ(form->propertiesForm()->ConstUsage->text(), "429  / 31740 bytes");
    EXPECT_EQ(form->propertiesForm()->NumElements->text(), "6  (Max approx 3400)");
}

TEST_F(ServiceFormsTest, NewCompleteConfigurationNeedsTheDefaultFile) {
    ASSERT_TRUE(pollUntil(Link::Online));
    int before = form->ecu().NumElements;
    trigger("New ...");
    // The test runs where no default configuration lies: the command stops with a reason.
    // Where one lies, the setup wizard it opens is left at once.
    QTimer::singleShot(0, form.get(), [this] {
        if (form->setupWizard()->isVisible())
            form->setupWizard()->CancelButton->click();
    });
    form->newConfigForm()->CompleteButton->click();
    if (form->ecu().NumElements == before) {
        ASSERT_FALSE(messages.shown.empty());
        EXPECT_EQ(messages.shown.back().kind, Messages::Kind::Error);
        EXPECT_NE(messages.shown.back().text.find("q7700xDefaultConfig.ecu"), std::string::npos);
        EXPECT_EQ(form->ecu().LinkState, Link::Online);
    } else {
        EXPECT_EQ(form->ecu().LinkState, Link::NewConfiguration);
    }
}

TEST_F(ServiceFormsTest, PropertiesOkStoresTheFieldsCutToTheirSlots) {
    ASSERT_TRUE(pollUntil(Link::Online));
    trigger("Properties ...");
    TPropertiesForm* p = form->propertiesForm();
    ASSERT_TRUE(p->isVisible());
    EXPECT_EQ(p->windowTitle(), "ECU and Configuration Properties");
    EXPECT_EQ(p->ECUSerial->text().toStdString(), form->ecu().EcuSerial);
    EXPECT_FALSE(p->PackageVersion->text().isEmpty());
    QTest::keyClicks(p->Edits[1], QStringLiteral("0123456789012345678901234"));
    EXPECT_EQ(p->Edits[1]->text().size(), 20);
    QTest::keyClicks(p->Edits[2], QStringLiteral("tuner@example.com"));
    EXPECT_EQ(p->mailAddress(), "mailto:tuner@example.com");
    form->ecu().Modified = false;
    p->OKButton->click();
    EXPECT_FALSE(p->isVisible());
    EXPECT_TRUE(form->ecu().Modified);
    EXPECT_EQ(ConfigurationProperties::Read(form->ecu(), 1), "0123456789");
    trigger("Properties ...");
    EXPECT_EQ(p->Edits[1]->text(), "0123456789");
    p->NumElementsButton->click();
    EXPECT_EQ(messages.shown.back().kind, Messages::Kind::Plain);
    const std::string& counts = messages.shown.back().text;
    EXPECT_EQ(counts.substr(counts.size() - 17), "\n\r7       Total  ");
}

TEST_F(ServiceFormsTest, ImportWithBothSourcesCurrentKeepsTheConfiguration) {
    ASSERT_TRUE(pollUntil(Link::Online));
    TImportForm* import = form->importForm();
    auto before = SettingsFile::fromImage(form->ecu());
    // The dialog is modal: drive it once it shows.
    bool done = false;
    QTimer::singleShot(0, [&] {
        EXPECT_FALSE(import->GoButton->isEnabled());
        EXPECT_TRUE(import->Explanation->toPlainText().startsWith(
            "You need to select a file for the Element Configuration source.\n \n"));
        import->ConfigSource->setCurrentIndex(0);
        emit import->ConfigSource->activated(0);
        import->ValuesSource->setCurrentIndex(0);
        emit import->ValuesSource->activated(0);
        EXPECT_FALSE(import->ValuesBrowse->isEnabled());
        EXPECT_TRUE(import->GoButton->isEnabled());
        EXPECT_TRUE(import->Explanation->toPlainText().contains(
            "Configuration Source (the current settings) ..."));
        import->GoButton->click();
        done = !import->isVisible();
        if (!done)
            import->reject(); // never leave the modal dialog waiting
    });
    trigger("Import/Merge Configuration");
    ASSERT_TRUE(done);
    // The logic area after the finish byte is nobody's: the merge leaves it 0xFF where
    // the full read left zeros. Everything else is unchanged.
    auto after = SettingsFile::fromImage(form->ecu());
    ASSERT_EQ(after.size(), before.size());
    const size_t unused = static_cast<size_t>(form->ecu().LogicEnd()) + 1;
    for (size_t k = unused; k < static_cast<size_t>(Layout::kLogicRecordLimit); ++k)
        after[k] = before[k] = 0;
    EXPECT_EQ(after, before);
    EXPECT_TRUE(form->ecu().Modified);
    EXPECT_EQ(form->ecu().LinkState, Link::NewConfiguration);
}

TEST_F(ServiceFormsTest, ImportTakesTheValuesOfAChosenFile) {
    ASSERT_TRUE(pollUntil(Link::Online));
    tECU& ecu = form->ecu();
    int boost = ecu.FindElementByName("Boost", false);
    ASSERT_GE(boost, 0);
    // The values file: the same diagram with another boost constant and pin name.
    {
        SilentMessages quiet;
        auto values = std::make_unique<tECU>(quiet);
        NewConfiguration::MakeBlank(*values);
        int k = -1;
        ASSERT_TRUE(values->CreateElement(ElementType::Constant, 5, 5, "Boost", 3, &k));
        values->WriteConstWord(values->ElementConstOffset[k], 300);
        PinTable::SetPinName(*values, 37, "TPS");
        std::string error;
        ASSERT_TRUE(SettingsFile::save(*values, dir.path("values.ecu"), error)) << error;
    }
    dialogs.answers.push_back(dir.path("values.ecu"));
    TImportForm* import = form->importForm();
    bool done = false;
    QTimer::singleShot(0, [&] {
        import->ConfigSource->setCurrentIndex(0);
        emit import->ConfigSource->activated(0);
        EXPECT_FALSE(import->GoButton->isEnabled());
        EXPECT_TRUE(import->ValuesBrowse->isEnabled());
        import->ValuesBrowse->click();
        EXPECT_EQ(dialogs.titles.back(), "Select File for Values Source");
        EXPECT_TRUE(import->Explanation->toPlainText().contains(
            QStringLiteral("Values Source (\"%1\") ...")
                .arg(QString::fromStdString(dir.path("values.ecu")))));
        EXPECT_TRUE(import->GoButton->isEnabled());
        import->GoButton->click();
        done = !import->isVisible();
        if (!done)
            import->reject(); // never leave the modal dialog waiting
    });
    trigger("Import/Merge Configuration");
    ASSERT_TRUE(done);
    EXPECT_EQ(ecu.ReadConstWord(ecu.ElementConstOffset[boost]), 300);
    EXPECT_EQ(ecu.ColumnOf(boost), 2); // the place is the diagram's
    EXPECT_EQ(PinTable::PinName(ecu, 37), "TPS");
}

TEST_F(ServiceFormsTest, SelfTestsAndVoltagesOverTheLink) {
    ASSERT_TRUE(pollUntil(Link::Online));
    ASSERT_TRUE(form->action("ECU Ram Test")->isEnabled());
    trigger("ECU Ram Test");
    EXPECT_EQ(messages.texts().back(), "RAM test passed");
    selfTests.ramFaults = {{0x2468, 0xA5, 0x5A}};
    messages.answers.push_back(Messages::Answer::Yes);
    trigger("ECU Ram Test");
    ASSERT_TRUE(form->ramTestForm()->isVisible());
    EXPECT_EQ(form->ramTestForm()->Results->toPlainText(), "Address: $02468 Wrote: $A5 Read: $5A");

    trigger("ECU Injector Test");
    TInjectorTestForm* injectors = form->injectorTestForm();
    ASSERT_TRUE(injectors->isVisible());
    EXPECT_EQ(injectors->captures()[23][40], emu::EcuSelfTests::TraceSample(23, 40));
    QImage all = injectors->plot();
    for (QCheckBox* box : injectors->Injectors)
        box->setChecked(false);
    QImage none = injectors->plot();
    EXPECT_NE(all, none);
    EXPECT_EQ(none.pixel(100, 100), qRgb(0, 0, 0)); // only the grid is left
    injectors->CloseButton->click();
    EXPECT_FALSE(injectors->isVisible());

    trigger("Analogue Voltages");
    TAnaVoltsForm* volts = form->anaVoltsForm();
    EXPECT_TRUE(form->ecu().AnaVoltsOpen);
    EXPECT_EQ(volts->Rail3V3->text(), "-.---- V");
    virtualEcu.Advance(2);
    for (int n = 0; n < 3; ++n)
        form->PollTimerTimer();
    EXPECT_EQ(volts->Rail3V3->text(), "3.30 V");
    EXPECT_EQ(volts->Rail5V->text(), "5.00 V");
    EXPECT_EQ(volts->InjectorVolts[11]->text(), "13.90 V");
    volts->hide();
    EXPECT_FALSE(form->ecu().AnaVoltsOpen);

    // Offline the window's Test button exchanges nothing.
    form->ecu().StructureChanged = true;
    ASSERT_TRUE(pollUntil(Link::Offline));
    form->PollTimerTimer(); // availability follows the state of the cycle's start
    EXPECT_FALSE(form->action("ECU Injector Test")->isEnabled());
    for (auto& capture : injectors->captures())
        capture.fill(7);
    injectors->TestButton->click();
    EXPECT_EQ(injectors->captures()[0][0], 7);
}

TEST_F(ServiceFormsTest, FlashingWindowOwnsTheDeviceWhileOpen) {
    ASSERT_TRUE(pollUntil(Link::Online));
    TFlashingForm* flashing = form->flashingForm();
    std::vector<FirmwarePackage::Segment> segments(2);
    for (size_t s = 0; s < segments.size(); ++s) {
        segments[s].address = 0x4000 + 0x80 * static_cast<uint32_t>(s);
        segments[s].data.fill(static_cast<uint8_t>(0x30 + s));
    }
    auto bytes = FirmwarePackage::Build(segments);
    std::string error;
    ASSERT_TRUE(writeFileAtomically(dir.path("fw.zfw"), bytes.data(), bytes.size(), error));
    dialogs.answers.push_back(dir.path("fw.zfw"));
    flashing->flasher().pause = [this](uint32_t ms) { clock.advance(ms); };
    bootLoader.SetSerial("ZX-1");
    bool done = false;
    QTimer::singleShot(0, [&] {
        form->PollTimerTimer();
        EXPECT_EQ(form->connectionStatus()->text(), "Updating Package/Firmware");
        for (int n = 0; n < 5 && !bootLoader.Running(); ++n)
            flashing->PingTimerTimer();
        flashing->PingTimerTimer();
        EXPECT_EQ(flashing->StatusLabel->text(), "q7700x OK. Serial # is ZX-1");
        EXPECT_FALSE(flashing->ProgramButton->isEnabled());
        flashing->OpenClick();
        EXPECT_TRUE(flashing->ProgramButton->isEnabled());
        // Program says what it will do and asks; then it verifies on its own.
        messages.answers.push_back(Messages::Answer::Yes);
        flashing->ProgramButton->click();
        ASSERT_FALSE(messages.shown.empty());
        EXPECT_NE(messages.shown.back().text.find("Program will write 2 segments"),
                  std::string::npos)
            << messages.shown.back().text;
        EXPECT_TRUE(flashing->LogPad->toPlainText().contains(
            QStringLiteral("Finished writing the following file: \"%1\"")
                .arg(QString::fromStdString(dir.path("fw.zfw")))));
        EXPECT_TRUE(flashing->LogPad->toPlainText().endsWith("Verify finished (0 errors)"));
        flashing->VerifyButton->click();
        EXPECT_EQ(flashing->LogPad->toPlainText(), "Verify finished (0 errors)");
        flashing->DoneButton->click();
        done = true;
    });
    trigger("Upgrade Package/Firmware");
    ASSERT_TRUE(done);
    EXPECT_FALSE(bootLoader.Running());
    EXPECT_EQ(bootLoader.FlashByte(0x40FF), 0x31);
    // The configuration link has the device again.
    EXPECT_EQ(link.baudRate, 250000u);
    for (int n = 0; n < 20; ++n)
        form->PollTimerTimer();
    EXPECT_EQ(form->connectionStatus()->text(), "ECU Connected and Online");
}

} // namespace
