#include "link/FlashingForm.h"

#include "app/QtPorts.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace zolmar::gui {

namespace {

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines)
        text += line + "\n";
    return text;
}

} // namespace

TFlashingForm::TFlashingForm(UsbXpress& usb, FileDialogs& dialogs, Messages& messages,
                             QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), messages_(messages), flasher_(usb, *this) {
    setObjectName(QStringLiteral("TFlashingForm"));
    setWindowTitle(QStringLiteral("Package/Firmware Flashing Utility"));
    setModal(true);
    auto* column = new QVBoxLayout(this);
    auto* bar = new QMenuBar(this);
    QMenu* file = bar->addMenu(QStringLiteral("File"));
    OpenAction = file->addAction(QStringLiteral("Open ..."));
    column->setMenuBar(bar);

    StatusLabel = new QLabel(this);
    StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
    VersionLabel = new QLabel(this);
    VersionLabel->setObjectName(QStringLiteral("VersionLabel"));
    column->addWidget(StatusLabel);
    column->addWidget(VersionLabel);
    LogPad = new QPlainTextEdit(this);
    LogPad->setObjectName(QStringLiteral("LogPad"));
    LogPad->setReadOnly(true);
    LogPad->setMinimumSize(480, 300);
    column->addWidget(LogPad, 1);
    Progress = new QProgressBar(this);
    Progress->setObjectName(QStringLiteral("Progress"));
    column->addWidget(Progress);
    auto* buttons = new QHBoxLayout();
    ProgramButton = new QPushButton(QStringLiteral("Program"), this);
    ProgramButton->setObjectName(QStringLiteral("ProgramButton"));
    VerifyButton = new QPushButton(QStringLiteral("Verify"), this);
    VerifyButton->setObjectName(QStringLiteral("VerifyButton"));
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setToolTip(QStringLiteral("Stop programming or verifying at the next segment"));
    DoneButton = new QPushButton(QStringLiteral("Done"), this);
    DoneButton->setObjectName(QStringLiteral("DoneButton"));
    ProgramButton->setEnabled(false);
    VerifyButton->setEnabled(false);
    CancelButton->setEnabled(false);
    buttons->addWidget(ProgramButton);
    buttons->addWidget(VerifyButton);
    buttons->addWidget(CancelButton);
    buttons->addStretch(1);
    buttons->addWidget(DoneButton);
    column->addLayout(buttons);

    PingTimer = new QTimer(this);
    PingTimer->setObjectName(QStringLiteral("PingTimer"));
    connect(PingTimer, &QTimer::timeout, this, &TFlashingForm::PingTimerTimer);
    connect(OpenAction, &QAction::triggered, this, &TFlashingForm::OpenClick);
    connect(ProgramButton, &QPushButton::clicked, this, &TFlashingForm::ProgramClick);
    connect(VerifyButton, &QPushButton::clicked, this, &TFlashingForm::VerifyClick);
    connect(CancelButton, &QPushButton::clicked, this, &TFlashingForm::CancelClick);
    connect(DoneButton, &QPushButton::clicked, this, &QDialog::accept);
    flasher_.stopRequested = [this] { return stopRequested_; };
}

TFlashingForm::~TFlashingForm() = default;

void TFlashingForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    emit linkWanted(true);
    flasher_.Close();
    released_ = false;
    runOnHide_ = true;
    PingTimer->start(2);
}

void TFlashingForm::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    PingTimer->stop();
    if (busy_) {
        // Hidden under a running Program: stop it; the device is given back after it.
        stopRequested_ = true;
        closeWhenStopped_ = true;
        return;
    }
    release(runOnHide_);
}

void TFlashingForm::release(bool run) {
    if (released_)
        return;
    released_ = true;
    flasher_.Done(run);
    emit linkWanted(false);
}

void TFlashingForm::done(int result) {
    // Done, Escape and the window's close button all come here.
    if (busy_) {
        if (messages_.askYesNo(Messages::Kind::Warning, kStopQuestion)) {
            stopRequested_ = true;
            closeWhenStopped_ = true;
        }
        return;
    }
    runOnHide_ = true;
    if (flasher_.FirmwareIncomplete() && flasher_.Handle() != 0)
        runOnHide_ = messages_.askYesNo(Messages::Kind::Warning, kRunQuestion);
    QDialog::done(result);
}

void TFlashingForm::PingTimerTimer() {
    if (busy_ || !isVisible())
        return;
    PingTimer->setInterval(static_cast<int>(flasher_.PingTick()));
}

void TFlashingForm::OpenClick() {
    auto chosen =
        dialogs_.askOpenFile("Select file to load", "q7700x firmware (*.zfw)|*.zfw|Files (*)|*");
    if (chosen)
        LoadPackage(*chosen);
}

bool TFlashingForm::LoadPackage(const std::string& path) {
    loaded_ = flasher_.Load(path);
    bool usable = false;
    if (loaded_) {
        const FirmwarePackage::Plan plan = flasher_.Package().Check();
        for (const auto& line : plan.refusals)
            logLine(line);
        usable = plan.refusals.empty();
        if (usable) {
            for (const auto& line : plan.Summary(path))
                logLine(line);
            for (const auto& line : plan.doubts)
                logLine("Warning: " + line);
        } else {
            messages_.error("This file cannot be a firmware package for the q7700x:\n\n" +
                            joined(plan.refusals) + "\nNothing will be programmed from it.");
        }
    }
    ProgramButton->setEnabled(usable);
    VerifyButton->setEnabled(usable);
    return usable;
}

void TFlashingForm::ProgramClick() {
    if (busy_ || !loaded_)
        return;
    const FirmwarePackage::Plan plan = flasher_.Package().Check();
    if (!plan.refusals.empty()) {
        messages_.error("This file cannot be a firmware package for the q7700x:\n\n" +
                        joined(plan.refusals) + "\nNothing was programmed.");
        return;
    }
    std::string question = joined(plan.Summary(flasher_.PackageName()));
    if (!plan.doubts.empty())
        question += "\nWarning:\n" + joined(plan.doubts);
    question += "\nProgram erases the ECU's present firmware first, then verifies what it "
                "wrote. Do not disconnect or switch off the ECU until the verify has "
                "finished.\n\nGo on?";
    if (!messages_.askYesNo(
            plan.doubts.empty() ? Messages::Kind::Confirmation : Messages::Kind::Warning, question))
        return;
    run(true);
}

void TFlashingForm::VerifyClick() {
    if (!busy_ && loaded_)
        run(false);
}

void TFlashingForm::CancelClick() {
    if (busy_ && messages_.askYesNo(Messages::Kind::Warning, kStopQuestion))
        stopRequested_ = true;
}

void TFlashingForm::run(bool program) {
    busy_ = true;
    stopRequested_ = false;
    setRunning(true);
    int errors = 0;
    if (program)
        flasher_.ProgramAndVerify(errors);
    else
        flasher_.Verify(errors);
    busy_ = false;
    setRunning(false);
    // Never a line that reads like success after a failed program or verify.
    if (flasher_.FirmwareIncomplete() && !flasher_.Stopped())
        logLine(FirmwareFlasher::kIncompleteLine);
    if (closeWhenStopped_) {
        // Stopped on the way out: the boot loader keeps waiting for a new program.
        closeWhenStopped_ = false;
        runOnHide_ = false;
        if (isVisible())
            QDialog::done(QDialog::Rejected);
        else
            release(false);
    }
}

void TFlashingForm::setRunning(bool running) {
    ProgramButton->setEnabled(!running && loaded_);
    VerifyButton->setEnabled(!running && loaded_);
    OpenAction->setEnabled(!running);
    DoneButton->setEnabled(!running);
    CancelButton->setEnabled(running);
}

void TFlashingForm::statusChanged(const std::string& text) {
    StatusLabel->setText(fromImageText(text));
}

void TFlashingForm::versionChanged(const std::string& text) {
    VersionLabel->setText(fromImageText(text));
}

void TFlashingForm::logCleared() {
    LogPad->clear();
}

void TFlashingForm::logLine(const std::string& line) {
    LogPad->appendPlainText(fromImageText(line));
    // The run blocks; between exchanges the window answers, Cancel and closing included
    // (everything else is disabled while it runs).
    QApplication::processEvents();
}

void TFlashingForm::progressChanged(int position, int maximum) {
    Progress->setMaximum(std::max(maximum, 1));
    Progress->setValue(position);
}

} // namespace zolmar::gui
