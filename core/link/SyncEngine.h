#pragma once

#include "link/ModbusDriver.h"
#include "link/TransferCheck.h"
#include "model/ECU.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zolmar {

// The states of tECU::LinkState.
namespace Link {
inline constexpr int Startup = 0;
inline constexpr int ReadingAll = 1;
inline constexpr int StartReadAll = 2;
inline constexpr int LostDuringRead = 3;
inline constexpr int Online = 4;
inline constexpr int LostWhileOnline = 5;
inline constexpr int WritingChanges = 6;
inline constexpr int Offline = 7;
inline constexpr int WritingAll = 8;
inline constexpr int StartWriteAll = 9;
inline constexpr int LostDuringWrite = 10;
inline constexpr int AskLoadOrWrite = 11;
inline constexpr int NewConfiguration = 12;
inline constexpr int ReadCancelled = 13;
} // namespace Link

// What the main window's views tell the poll cycle about themselves.
struct PollContext {
    int currentPage = 0;
    bool advancedView = true;
    bool dialGaugesVisible = false;     // the dial-gauge window is visible
    bool logTransferActive = false;     // onboard-log window visible or transferring
    bool tableEditorVisible = false;    // refreshed after learn reports
    bool flashingWindowVisible = false; // firmware flashing owns the link
};

// Which commands the main window enables; each button and its menu twin share a flag.
struct CommandAvailability {
    bool readFromEcu = false;
    bool writeToEcu = false;
    bool ramTest = false;
    bool injectorTest = false;
    bool digitalInputTest = false;
    bool calibrateAnalog = false;
    bool retrieveLog = false; // both "Retrieve Log from ECU" commands
    bool stopLogging = false; // StopLogButton and "Stop Logging to Laptop/PC"
    bool saveAs = false;
    bool goOnline = false;       // OnlineButton, Online2
    bool optimise = false;       // OptimiseButton, OptimiseConfiguration1
    bool wizardAndScope = false; // setup wizard and scope, buttons and menu items
    bool searchElement = false;
    bool updateCosmetic = false; // UpdateCosmeticButton, UpdateCosmeticChanges1
};

// The progress window of a full read or write.
struct ProgressView {
    std::string activity;      // ReadWriteSplashLabel
    std::string cancelCaption; // CancelButton
    int clientHeight = 293;    // 338 shows the bar and the button
    std::string package;       // Package label
    std::string serial;        // Serial label
    int position = 0;          // ProgressBar, maximum 172031
    std::string bytesSoFar;    // BytesSoFar
};

// The properties window's ECU labels.
struct EcuLabels {
    std::string serial;         // ECUSerial
    std::string packageVersion; // PackageVersion
    std::string firmwareRate;   // FWRateLabel
    std::string calcRate;       // EleRateLabel
};

// What the GUI must show or do for the synchronisation engine. Every call is made on
// the poll cycle's thread; the defaults do nothing.
class LinkObserver {
public:
    virtual ~LinkObserver() = default;
    virtual void commandsChanged(const CommandAvailability&) {}
    virtual void connectionStatusChanged(const std::string&) {}
    virtual void labelsChanged(const EcuLabels&) {}
    virtual void showProgress(const ProgressView&) {}
    virtual void hideProgress() {}
    virtual void showReconnect() {} // TreconnectForm
    virtual void hideReconnect() {}
    virtual void showLoadOrWrite() {} // TLoadSaveOfflineForm
    virtual void hideLoadOrWrite() {}
    virtual void hideSimulator() {}
    virtual void tickLockLogic() {}                      // "Lock Logic Configuration"
    virtual void learnHistoryLine(const std::string&) {} // ends with "\n\r"
    virtual void learnHistoryCleared() {}
    virtual void refreshTableEditor() {}
    virtual void redrawLiveOverlay() {}
    virtual void scopeLoadSettings() {}
    // Restore the caption, clear every page's RoutesValid and render the page.
    virtual void fullReadFinished() {}
    virtual void fullWriteCommitted() {}
    // Incremental edits were committed by the ECU.
    virtual void changesCommitted() {}
    // Another ECU (another serial number) answers where the previous one did.
    virtual void anotherEcu(const std::string& /*serial*/) {}
    // Another ECU answered while the PC's configuration was in step with the previous
    // one: its configuration is about to replace the PC's. Return false to keep the
    // PC's configuration (the link then goes offline, the edits kept). Called within
    // the cycle, which waits for the answer.
    virtual bool replaceConfiguration() { return true; }
    // A full read or write failed its check three times and was given up.
    virtual void transferFailed(const std::string& /*message*/) {}
    // The ECU's device exists but cannot be opened (text names the device, the reason
    // and the fix); empty when that has been put right.
    virtual void deviceProblem(const std::string& /*text*/) {}
};

// Keeps the configuration image and the ECU in step: one call per 50 ms poll cycle
// reads the status block, applies learn reports, writes changed bytes, reads wanted
// bytes and advances LinkState. User commands only set state between cycles.
class SyncEngine {
public:
    SyncEngine(tECU& ecu, UsbXpress& usb, LinkObserver& observer);

    // Start-up: reset the link state, then Connect.
    void StartUp();
    // Creates the driver if needed and looks for the ECU; PortOpen := found.
    void Connect();
    void Disconnect();
    TModbusDriver* Driver() { return driver_.get(); }

    // One poll cycle: the synchronisation step, then command availability and the
    // ConnectionStatus text. The views do their own cycle work after it.
    void PollCycle(const PollContext& context);

    // Commands of the main window and its dialogs.
    void GoOnline();       // "Go Online", "Update Cosmetic"
    void ReadFromEcu();    // "Read from ECU"
    void WriteToEcu();     // "Write to ECU"
    void LoadAllFromEcu(); // TLoadSaveOfflineForm buttons
    void WriteAllToEcu();
    void StayOffline();
    void CancelProgress();       // TSplashForm.CancelButton
    void OpenFileFromProgress(); // TSplashForm.OpenSettingsFile, before the Open command
    void CancelReconnect();      // TreconnectForm.CancelButton
    void ConfigurationOpened();  // a settings file opened, or the setup wizard left
    void NewBlankConfiguration();
    void ClearLearnHistory();

    // Marks the live words the open views show as to be read (state 2).
    void MarkLiveValuesToPoll(int currentPage, bool advancedView, bool dialGauges);
    // True when the live word at this byte offset of the live area was read from the
    // ECU in the poll cycle that ran last: a value shown under that cycle's time is
    // that cycle's value, not one left over from an earlier read.
    bool LiveWordReadThisCycle(long liveAddress) const;
    // Poll cycles run so far (including those the log transfer held).
    uint32_t Cycles() const { return cycle_; }
    std::string ConnectionStatusText(bool flashingWindowVisible) const;

    const CommandAvailability& Commands() const { return commands_; }
    const std::string& ConnectionStatus() const { return connectionStatus_; }
    const std::string& LearnHistory() const { return learnHistory_; }
    const std::string& PreviousSerial() const { return previousSerial_; }
    const EcuLabels& Labels() const { return labels_; }
    const ProgressView& Progress() const { return progress_; }
    // The error text of the last failed transaction (empty when none failed yet).
    const std::string& LastError() const { return lastError_; }
    // Counts of the last cycle: bytes to read, to write, to write in the logic area.
    long R() const { return r_; }
    long W() const { return w_; }
    long WL() const { return wl_; }
    // Bytes a full read or write has moved so far, its check included; only grows
    // while the transfer goes on (a new transfer starts it again at 0).
    long BytesMoved() const { return bytesMoved_; }
    // Edits made for the ECU that it has not yet received or committed, while the
    // link means to send them (online, writing changes, or that ECU lost).
    long UnsentBytes() const;
    // The serial number of the ECU the PC's configuration is in step with.
    const std::string& KnownSerial() const { return previousSerial_; }
    // The bounded number of checks of a full read or write.
    static constexpr int kTransferRounds = 3;
    static constexpr const char* kVerifying = "Verifying All Settings";

    // The editor commands of a link state (the first six columns of availability).
    static void StateCommands(int linkState, bool advancedView, bool ecuPresent,
                              bool logicOrNamesChanged, CommandAvailability& commands);
    static std::string PackageText(uint8_t major, uint8_t minor);
    static std::string RateText(uint8_t rate);
    // The learnt value as the history shows it: value / 50, two decimals, one when negative.
    static std::string LearnValueText(int16_t raw);

private:
    void syncStep(const PollContext& context);
    bool readStatus();
    bool readStatusBlock();
    void decodeSerial(std::string& serial) const;
    void statusFailed();
    void anotherEcuAnswered();
    void transactionFailed();
    void checkTransfer(bool writing);
    void transferCheckFailed(bool writing);
    void restartRead();
    void changeDeviceProblem();
    void applyLearnReports(const PollContext& context);
    void count();
    bool writePass(); // false when a write failed
    void readPass();
    // While logging to the PC: the gauge page's linked gauges, read every cycle ahead
    // of everything else, so each log line holds values of its own cycle.
    void readLoggedWords();
    void noteLiveRead(long start, int words);
    void runStateMachine();
    void startReadAll();
    void startWriteAll();
    void finishRead();
    void showProgress(const char* activity, const char* cancelCaption, long remaining);
    void emptyLabels();
    void setLabels();
    void addHistory(const std::string& line);
    void markLiveWord(long liveAddress);
    void markRange(long begin, long end, uint8_t state);
    bool present() const { return ecu_.EcuPresent && !ecu_.Simulating; }

    tECU& ecu_;
    UsbXpress& usb_;
    LinkObserver& observer_;
    std::unique_ptr<TModbusDriver> driver_;
    uint16_t transfer_[128] = {};
    std::string previousSerial_ = "?????";
    std::string connectionStatus_ = "Initialising";
    std::string learnHistory_;
    std::string lastError_;
    std::string error_;
    CommandAvailability commands_;
    EcuLabels labels_;
    ProgressView progress_;
    long r_ = 0;
    long w_ = 0;
    long wl_ = 0;
    int currentPage_ = 0;
    bool advancedView_ = true;
    // A commit after incremental writes that failed: sent again once the ECU answers,
    // so that edits the ECU holds do not stay uncommitted.
    bool commitPending_ = false;
    // Bytes written by incremental writes since the last commit. An ECU declared lost
    // may have lost power and with it these bytes; when the same ECU answers again
    // they are marked to be written once more (writing them twice is harmless).
    std::vector<uint8_t> uncommitted_;
    bool anyUncommitted_ = false;
    bool lostSinceWrite_ = false;
    void forgetUncommitted();
    // This cycle: the status block was read; another ECU has answered.
    bool answered_ = false;
    bool another_ = false;
    // The check of the running full read or write, and its round (1 ..).
    TransferCheck check_;
    int round_ = 1;
    long bytesMoved_ = 0;
    uint16_t header_[2] = {}; // the usage words that chose what a full read fetches
    bool readRetry_ = false;  // a full read is being read again from its start
    std::string deviceProblem_;
    uint8_t outputWord_[Layout::kLiveWords] = {}; // live words that are outputs of non-Gauges
    uint32_t cycle_ = 0;
    std::vector<uint32_t> liveReadCycle_ = std::vector<uint32_t>(Layout::kLiveWords, 0);
};

} // namespace zolmar
