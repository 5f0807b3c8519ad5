#pragma once

#include "link/FirmwareFlasher.h"
#include "ports/FileDialogs.h"

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
class TFlashingForm : public QDialog, private FlashView {
    Q_OBJECT

public:
    TFlashingForm(UsbXpress& usb, FileDialogs& dialogs, QWidget* parent = nullptr);
    ~TFlashingForm() override;

    FirmwareFlasher& flasher() { return flasher_; }
    void OpenClick();
    // Loads a package as "Open ..." does, for a package opened from the desktop.
    bool LoadPackage(const std::string& path);
    void ProgramClick();
    void VerifyClick();
    void PingTimerTimer();

    QLabel* StatusLabel = nullptr;
    QLabel* VersionLabel = nullptr;
    QPlainTextEdit* LogPad = nullptr;
    QProgressBar* Progress = nullptr;
    QPushButton* ProgramButton = nullptr;
    QPushButton* VerifyButton = nullptr;
    QPushButton* DoneButton = nullptr;
    QTimer* PingTimer = nullptr;
    QAction* OpenAction = nullptr;

signals:
    // Shown: the configuration link must let go of the device. Hidden: take it back.
    void linkWanted(bool flashing);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void statusChanged(const std::string& text) override;
    void versionChanged(const std::string& text) override;
    void logCleared() override;
    void logLine(const std::string& line) override;
    void progressChanged(int position, int maximum) override;

    FileDialogs& dialogs_;
    FirmwareFlasher flasher_;
    bool busy_ = false;
};

} // namespace zolmar::gui
