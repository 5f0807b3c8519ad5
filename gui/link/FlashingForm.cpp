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

TFlashingForm::TFlashingForm(UsbXpress& usb, FileDialogs& dialogs, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), flasher_(usb, *this) {
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
    DoneButton = new QPushButton(QStringLiteral("Done"), this);
    DoneButton->setObjectName(QStringLiteral("DoneButton"));
    ProgramButton->setEnabled(false);
    VerifyButton->setEnabled(false);
    buttons->addWidget(ProgramButton);
    buttons->addWidget(VerifyButton);
    buttons->addStretch(1);
    buttons->addWidget(DoneButton);
    column->addLayout(buttons);

    PingTimer = new QTimer(this);
    PingTimer->setObjectName(QStringLiteral("PingTimer"));
    connect(PingTimer, &QTimer::timeout, this, &TFlashingForm::PingTimerTimer);
    connect(OpenAction, &QAction::triggered, this, &TFlashingForm::OpenClick);
    connect(ProgramButton, &QPushButton::clicked, this, &TFlashingForm::ProgramClick);
    connect(VerifyButton, &QPushButton::clicked, this, &TFlashingForm::VerifyClick);
    connect(DoneButton, &QPushButton::clicked, this, &QDialog::accept);
}

TFlashingForm::~TFlashingForm() = default;

void TFlashingForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    emit linkWanted(true);
    flasher_.Close();
    PingTimer->start(2);
}

void TFlashingForm::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    PingTimer->stop();
    flasher_.Done();
    emit linkWanted(false);
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
    bool loaded = flasher_.Load(path);
    ProgramButton->setEnabled(loaded);
    VerifyButton->setEnabled(loaded);
    return loaded;
}

void TFlashingForm::ProgramClick() {
    busy_ = true;
    flasher_.Program();
    busy_ = false;
}

void TFlashingForm::VerifyClick() {
    busy_ = true;
    int errors = 0;
    flasher_.Verify(errors);
    busy_ = false;
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
    // The run blocks; the window stays responsive between exchanges.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TFlashingForm::progressChanged(int position, int maximum) {
    Progress->setMaximum(std::max(maximum, 1));
    Progress->setValue(position);
}

} // namespace zolmar::gui
