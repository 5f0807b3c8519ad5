// The main window's part in the ECU link: the commands that replace the configuration
// from the ECU (after the question to save), the self-tests as ECU jobs, the link's
// questions and messages, the start hint after the start-up read, and closing while
// edits are still on their way to the ECU.
#include "app/MainForm.h"

#include "app/EcuJobRunner.h"
#include "app/SplashForm.h"
#include "app/StartHints.h"
#include "diagnostics/SelfTestForms.h"
#include "diagnostics/SelfTests.h"

#include <QStatusBar>
#include <QTimer>

namespace zolmar::gui {

namespace {

std::string trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

} // namespace

EcuJobRunner& TMainForm::jobRunner() {
    if (!jobs_)
        jobs_ = std::make_unique<EcuJobRunner>(this);
    return *jobs_;
}

bool TMainForm::pollHeld() const {
    // Nor while a command is being recorded as a step (it may ask a question).
    return inPoll_ || (jobs_ && jobs_->active()) || undo_->Recording();
}

void TMainForm::linkPollCycle() {
    ++linkCycles_;
    if (startHintPending_)
        QTimer::singleShot(0, this, [this] { startHintsWhenReady(); });
    if (closeWhenSent_ && engine_.UnsentBytes() == 0) {
        closeWhenSent_ = false;
        statusBar()->clearMessage();
        QTimer::singleShot(0, this, [this] { close(); });
    }
}

// The hint is a modal question: shown over the progress window it would hide under it
// and block its buttons. It waits until the start-up read has ended or been cancelled.
void TMainForm::startHintsWhenReady() {
    if (!startHintPending_ || pollHeld())
        return;
    const int state = ecu_->LinkState;
    const bool reading =
        state == Link::StartReadAll || state == Link::ReadingAll || state == Link::LostDuringRead;
    // With a device open, the first cycle tells whether an ECU answers.
    const bool undecided = state == Link::Startup && ecu_->PortOpen && linkCycles_ == 0;
    if (reading || undecided || SplashForm->progressShown())
        return;
    startHintPending_ = false;
    StartHints::show(prefs_, messages_);
    if (splashAtStart_ && !SplashForm->progressShown())
        showSplashWindow();
}

// ---------------------------------------------------------------- replacing the configuration

void TMainForm::ReadFromEcuClick() {
    if (commands_.askToSave(FileCommands::OnNo::ClearModified))
        engine_.ReadFromEcu();
}

void TMainForm::LoadAllFromEcuClick() {
    if (commands_.askToSave(FileCommands::OnNo::ClearModified))
        engine_.LoadAllFromEcu();
}

bool TMainForm::replaceConfiguration() {
    // Asked within the poll cycle, which waits: Yes saves first, a cancelled or failed
    // save keeps the PC's configuration (the link then goes offline).
    return commands_.askToSave(FileCommands::OnNo::ClearModified);
}

void TMainForm::transferFailed(const std::string& message) {
    QTimer::singleShot(0, this, [this, message] { messages_.error(message); });
}

void TMainForm::deviceProblem(const std::string& text) {
    if (!text.empty())
        QTimer::singleShot(0, this, [this, text] { messages_.error(text); });
}

bool TMainForm::mayCloseWithUnsentEdits() {
    const long unsent = engine_.UnsentBytes();
    if (unsent == 0)
        return true;
    std::string text = std::to_string(unsent) +
                       " bytes of changes have not reached the ECU (serial " +
                       trimmed(engine_.KnownSerial()) + ") yet" +
                       (ecu_->EcuPresent ? "" : ", which is not answering") +
                       ": they are sent and committed as soon as it answers.\n\nWait for the ECU "
                       "to take them before closing? (No closes without sending them.)";
    if (!messages_.askYesNo(Messages::Kind::Warning, text))
        return true;
    closeWhenSent_ = true;
    statusBar()->showMessage(
        QStringLiteral("Closing as soon as the ECU has taken the changes (close again to stop "
                       "waiting)."));
    return false;
}

// ---------------------------------------------------------------- self-tests

void TMainForm::RamTestClick() {
    TModbusDriver* driver = engine_.Driver();
    if (!driver || !engine_.Commands().ramTest || pollHeld() || pollContext().logTransferActive)
        return;
    SelfTests::Runner(*ecu_, *driver, messages_, jobRunner())
        .RamTest([this](const std::vector<std::string>& lines) { RamTestForm->showLines(lines); });
}

void TMainForm::InjectorTestClick() {
    // The window's "Test" stays usable, but the test runs only while the menu item may.
    TModbusDriver* driver = engine_.Driver();
    if (driver && engine_.Commands().injectorTest && !pollHeld() &&
        !pollContext().logTransferActive)
        SelfTests::Runner(*ecu_, *driver, messages_, jobRunner())
            .InjectorTest(InjectorTestForm->captures());
    InjectorTestForm->redraw();
}

void TMainForm::DigitalInputTestClick() {
    TModbusDriver* driver = engine_.Driver();
    if (driver && engine_.Commands().digitalInputTest && !pollHeld() &&
        !pollContext().logTransferActive)
        SelfTests::Runner(*ecu_, *driver, messages_, jobRunner()).DigitalInputTest();
}

void TMainForm::CalibrateAnalogClick() {
    TModbusDriver* driver = engine_.Driver();
    if (driver && engine_.Commands().calibrateAnalog && !pollHeld() &&
        !pollContext().logTransferActive)
        SelfTests::Runner(*ecu_, *driver, messages_, jobRunner()).CalibrateAnalog();
}

} // namespace zolmar::gui
