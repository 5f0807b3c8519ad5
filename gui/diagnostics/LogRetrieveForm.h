#pragma once

#include "diagnostics/OnboardLog.h"
#include "model/ECU.h"
#include "ports/EcuJobs.h"
#include "ports/FileDialogs.h"
#include "ports/Messages.h"

#include <QWidget>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace zolmar {
class TModbusDriver;
}

namespace zolmar::gui {

// "Read Internal Datalog from ECU": reads the onboard log over the link and saves it
// as a CSV file. The poll cycle stands still while the window is visible or busy.
class TLogRetrieveProgBarForm : public QWidget {
    Q_OBJECT

public:
    TLogRetrieveProgBarForm(tECU& ecu, Messages& messages, FileDialogs& dialogs,
                            QWidget* parent = nullptr);

    // The driver of the link, looked up on every tick (it may not exist yet).
    std::function<TModbusDriver*()> driver;
    // Opens the saved file with the desktop; tests replace it.
    std::function<void(const std::string& path)> openFile;
    // Runs each tick's exchanges away from the window's thread, so that an ECU that
    // stops answering never holds the window for a time-out (none: in place).
    EcuJobs* jobs = nullptr;

    // Fills the amounts for the configured period and shows the window.
    void open();
    bool busy() const { return retrieval_.Busy(); }
    // The poll cycle is suspended while this is true.
    bool transferActive() const { return isVisible() || retrieval_.Busy(); }
    const std::string& fileName() const { return fileName_; }
    const diagnostics::LogRetrieval& retrieval() const { return retrieval_; }

    void SaveToClick();
    void GoClick();
    // One tick of LogPollTimer.
    void LogPollTimerTimer();

    QComboBox* amountToRead() const { return AmountToRead; }
    QLabel* bytesSoFar() const { return BytesSoFar; }
    QLabel* totalBytes() const { return TotalBytesLabel; }
    QProgressBar* progressBar() const { return ProgressBar; }
    QPushButton* goButton() const { return GoButton; }
    QCheckBox* autoOpen() const { return AutoOpenFile; }
    QTimer* pollTimer() const { return LogPollTimer; }

signals:
    // "Retrieving Log" or "Comms Error" for the main window's status label.
    void statusText(const QString& text);
    // The transfer has ended (done or abandoned): the status label is the link's again.
    void statusReleased();

private:
    void amountChanged(int choice);
    void finish();

    tECU& ecu_;
    Messages& messages_;
    FileDialogs& dialogs_;
    diagnostics::LogRetrieval retrieval_;
    std::string fileName_;
    bool statusShown_ = false; // a transfer status is on the main window's label
    void releaseStatus();
    QLabel* BytesSoFar = nullptr;
    QLabel* TotalBytesLabel = nullptr;
    QComboBox* AmountToRead = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QPushButton* SaveButton = nullptr;
    QPushButton* GoButton = nullptr;
    QPushButton* CloseButton = nullptr;
    QCheckBox* AutoOpenFile = nullptr;
    QTimer* LogPollTimer = nullptr;
};

} // namespace zolmar::gui
