#pragma once

#include "link/FirmwareFlasher.h"
#include "ports/FileDialogs.h"
#include "ports/Messages.h"

#include <QDialog>

class QLabel;
class QMenuBar;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace zolmar::gui {

// "Package/Firmware Flashing Utility": brings the ECU into its boot loader and
// programs or verifies a firmware package. The protocol is core's FirmwareFlasher.
// A package is checked before anything is erased; a running Program or Verify can be
// stopped (Cancel, or closing asks first), and incomplete firmware is started only
// when the user says so.
class TFlashingForm : public QDialog, private FlashView {
    Q_OBJECT

public:
    TFlashingForm(UsbXpress& usb, FileDialogs& dialogs, Messages& messages,
                  QWidget* parent = nullptr);
    ~TFlashingForm() override;

    FirmwareFlasher& flasher() { return flasher_; }
    void OpenClick();
    // Loads a package as "Open ..." does, for a package opened from the desktop, and
    // checks it: false when it cannot be programmed.
    bool LoadPackage(const std::string& path);
    void ProgramClick();
    void VerifyClick();
    void CancelClick();
    void PingTimerTimer();
    // Program or Verify is running.
    bool busy() const { return busy_; }

    QLabel* StatusLabel = nullptr;
    QLabel* VersionLabel = nullptr;
    QPlainTextEdit* LogPad = nullptr;
    QProgressBar* Progress = nullptr;
    QPushButton* ProgramButton = nullptr;
    QPushButton* VerifyButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* DoneButton = nullptr;
    QTimer* PingTimer = nullptr;
    QAction* OpenAction = nullptr;

    static constexpr const char* kStopQuestion =
        "Programming is still running. Stop it now?\n\nThe ECU's firmware is then incomplete: "
        "the ECU stays in its boot loader and needs its firmware written again before it can "
        "run an engine.";
    static constexpr const char* kRunQuestion =
        "The firmware in the ECU is incomplete or does not match the package (the last "
        "Program or Verify did not succeed).\n\nStart it anyway? Yes starts this firmware; No "
        "leaves the ECU in its boot loader, to be programmed again.";

signals:
    // Shown: the configuration link must let go of the device. Hidden: take it back.
    void linkWanted(bool flashing);

protected:
    void done(int result) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void statusChanged(const std::string& text) override;
    void versionChanged(const std::string& text) override;
    void logCleared() override;
    void logLine(const std::string& line) override;
    void progressChanged(int position, int maximum) override;
    // Runs Program and Verify, or Verify alone, with only Cancel and closing open.
    void run(bool program);
    void setRunning(bool running);
    // Gives the device back: the application starts only when run is true.
    void release(bool run);

    FileDialogs& dialogs_;
    Messages& messages_;
    FirmwareFlasher flasher_;
    bool loaded_ = false;
    bool busy_ = false;
    bool stopRequested_ = false;
    bool closeWhenStopped_ = false;
    bool runOnHide_ = true;
    bool released_ = true;
};

} // namespace zolmar::gui
