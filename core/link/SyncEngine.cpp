#include "link/SyncEngine.h"

#include "diagnostics/Checklist.h"
#include "link/SyncRuns.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace zolmar {

using namespace Layout;

namespace {

using namespace SyncRuns;
const char* const kUnknownSerial = "?????";

bool inStates(int state, std::initializer_list<int> states) {
    return std::find(states.begin(), states.end(), state) != states.end();
}

bool onlineCapableState(int state) {
    return inStates(state,
                    {Link::ReadingAll, Link::StartReadAll, Link::Online, Link::WritingChanges,
                     Link::WritingAll, Link::StartWriteAll, Link::AskLoadOrWrite});
}

} // namespace

SyncEngine::SyncEngine(tECU& ecu, UsbXpress& usb, LinkObserver& observer)
    : ecu_(ecu), usb_(usb), observer_(observer), uncommitted_(kConfigEnd, 0) {}

// ---------------------------------------------------------------- life cycle

void SyncEngine::StartUp() {
    previousSerial_ = kUnknownSerial;
    ecu_.LinkState = Link::Startup;
    ecu_.PortOpen = true;
    ecu_.EcuPresent = false;
    ecu_.Simulating = false;
    ecu_.LoggingToPc = false;
    ecu_.GaugesWindowOpen = false;
    ecu_.ChecklistOpen = false;
    ecu_.AnaVoltsOpen = false;
    ecu_.LogicOrNamesChanged = false;
    ecu_.StructureChanged = false;
    ecu_.TableEditElement.clear();
    forgetUncommitted();
    connectionStatus_ = "Initialising";
    observer_.connectionStatusChanged(connectionStatus_);
    observer_.tickLockLogic();
    Connect();
}

void SyncEngine::Connect() {
    if (!driver_)
        driver_ = std::make_unique<TModbusDriver>(usb_);
    ecu_.PortOpen = driver_->FindAndOpen(error_);
    if (!ecu_.PortOpen)
        lastError_ = error_;
    changeDeviceProblem();
}

void SyncEngine::Disconnect() {
    if (driver_)
        driver_->Close();
}

void SyncEngine::changeDeviceProblem() {
    if (!driver_ || driver_->OpenProblem() == deviceProblem_)
        return;
    deviceProblem_ = driver_->OpenProblem();
    observer_.deviceProblem(deviceProblem_);
}

// ---------------------------------------------------------------- the cycle

void SyncEngine::PollCycle(const PollContext& context) {
    ++cycle_;
    if (context.logTransferActive)
        return;
    // While firmware is flashed the flashing window owns the device: no transaction
    // may reopen it at the configuration link's rate.
    if (!context.flashingWindowVisible) {
        syncStep(context);
    } else {
        commands_.ramTest = commands_.injectorTest = commands_.digitalInputTest =
            commands_.writeToEcu = commands_.retrieveLog = commands_.readFromEcu = false;
    }
    commands_.calibrateAnalog = commands_.ramTest && ecu_.CalcRate != 0;
    commands_.stopLogging = ecu_.LoggingToPc;
    observer_.commandsChanged(commands_);
    std::string status = ConnectionStatusText(context.flashingWindowVisible);
    if (status != connectionStatus_) {
        connectionStatus_ = status;
        observer_.connectionStatusChanged(connectionStatus_);
    }
}

void SyncEngine::syncStep(const PollContext& context) {
    currentPage_ = context.currentPage;
    advancedView_ = context.advancedView;
    ecu_.OnlineCapable = onlineCapableState(ecu_.LinkState) && !ecu_.Simulating;
    answered_ = false;
    another_ = false;

    if (driver_) {
        transfer_[0] = 0;
        answered_ = readStatus();
        changeDeviceProblem();
        if (answered_) {
            // Before anything is written: another ECU never receives what was meant
            // for the previous one.
            if (another_)
                anotherEcuAnswered();
            // The same ECU back after a declared loss may have lost power, and with it
            // the incremental writes it had not committed.
            if (lostSinceWrite_ && anyUncommitted_ && !another_) {
                for (long a = 0; a < kConfigEnd; ++a)
                    if (uncommitted_[static_cast<size_t>(a)] && ecu_.SyncState[a] == Sync::InStep)
                        ecu_.SyncState[a] = Sync::ToWrite;
            }
            lostSinceWrite_ = false;
            // What another ECU learnt is not this configuration's.
            if (!another_ && ecu_.LinkState >= Link::ReadingAll &&
                ecu_.LinkState <= Link::WritingChanges)
                applyLearnReports(context);
            setLabels();
        }
        count();
        if (ecu_.LinkState == Link::Online && r_ == 0 && !ecu_.Simulating) {
            // The dial window asks for gauge values only while the simple view is on.
            MarkLiveValuesToPoll(context.currentPage, context.advancedView,
                                 context.dialGaugesVisible && !context.advancedView);
            r_ = static_cast<long>(std::count(
                ecu_.SyncState + kLiveBase, ecu_.SyncState + kLiveBase + kLiveSize, Sync::ToRead));
        }
        // An ECU that did not answer its status gets nothing else this cycle: a silent
        // ECU costs one read time-out per cycle, never a pass of time-outs.
        if (answered_ && !another_ && writePass()) {
            readLoggedWords();
            readPass();
        }
    }
    runStateMachine();
    StateCommands(ecu_.LinkState, context.advancedView, ecu_.EcuPresent, ecu_.LogicOrNamesChanged,
                  commands_);
    // Commands that talk to the ECU need one that answers, in the state reached now.
    const int state = ecu_.LinkState;
    const bool online = onlineCapableState(state) && present();
    commands_.readFromEcu =
        (online && inStates(state, {Link::ReadingAll, Link::StartReadAll, Link::Online})) ||
        (state == Link::ReadCancelled && present());
    commands_.ramTest = commands_.injectorTest = commands_.digitalInputTest = commands_.writeToEcu =
        commands_.retrieveLog = online;
    previousSerial_ = ecu_.EcuSerial;
}

void SyncEngine::decodeSerial(std::string& serial) const {
    serial.resize(32);
    for (int w = 0; w < 16; ++w) {
        for (int half = 0; half < 2; ++half) {
            auto b = static_cast<uint8_t>(half == 0 ? transfer_[w] >> 8 : transfer_[w] & 0xFF);
            serial[static_cast<size_t>(2 * w + half)] =
                (b == 0x00 || b == 0xFF) ? ' ' : static_cast<char>(b);
        }
    }
}

bool SyncEngine::readStatusBlock() {
    if (driver_->ReadRegisters(kStatusBase, 32, transfer_, error_))
        return true;
    lastError_ = error_;
    transfer_[0] = 0;
    return false;
}

bool SyncEngine::readStatus() {
    if (!readStatusBlock()) {
        statusFailed();
        return false;
    }
    std::string serial;
    decodeSerial(serial);
    const bool known = previousSerial_ != kUnknownSerial && !ecu_.EcuSerial.empty();
    if (known && serial != ecu_.EcuSerial) {
        // Another serial is believed only when a second read says the same: a damaged
        // or misplaced reply must not pass for another ECU.
        std::string again;
        if (!readStatusBlock()) {
            statusFailed();
            return false;
        }
        decodeSerial(again);
        if (again != serial && again != ecu_.EcuSerial) {
            statusFailed();
            return false;
        }
        serial = again;
        another_ = serial != ecu_.EcuSerial;
        if (another_)
            observer_.anotherEcu(serial);
    }
    ecu_.EcuSerial = serial;
    ecu_.StatusFailures = 0;
    ecu_.PortOpen = true;
    ecu_.EcuPresent = true;
    return true;
}

void SyncEngine::statusFailed() {
    if (ecu_.StatusFailures < 2) {
        ++ecu_.StatusFailures;
        return;
    }
    if (ecu_.EcuPresent && anyUncommitted_)
        lostSinceWrite_ = true;
    ecu_.EcuPresent = false;
    emptyLabels();
}

// A failed transaction while writing changes counts like a failed status read.
void SyncEngine::transactionFailed() {
    lastError_ = error_;
    if (ecu_.LinkState == Link::WritingChanges)
        statusFailed();
}

void SyncEngine::anotherEcuAnswered() {
    // None of the previous ECU's uncommitted edits go to this one.
    forgetUncommitted();
    switch (ecu_.LinkState) {
    case Link::ReadingAll:
    case Link::LostDuringRead:
        observer_.hideReconnect();
        readRetry_ = false;
        ecu_.LinkState = Link::StartReadAll;
        break;
    case Link::Online:
    case Link::LostWhileOnline:
    case Link::WritingChanges:
        // Its configuration replaces the PC's, unless the user keeps the PC's.
        ecu_.LinkState = observer_.replaceConfiguration() ? Link::StartReadAll : Link::Offline;
        break;
    case Link::WritingAll:
    case Link::StartWriteAll:
    case Link::LostDuringWrite:
        // The user chose to write to the previous ECU: ask again for this one.
        observer_.hideProgress();
        observer_.hideReconnect();
        ecu_.LinkState = Link::AskLoadOrWrite;
        break;
    default:
        break;
    }
}

void SyncEngine::applyLearnReports(const PollContext& context) {
    bool any = false;
    for (int k = 0; k < 7; ++k) {
        const uint16_t address = transfer_[16 + 2 * k];
        const uint16_t value = transfer_[17 + 2 * k];
        if (address == 0)
            continue;
        any = true;
        const int c = address - kConstBase;
        if (c >= kConstSize) {
            addHistory("Attempted to learn to a constant address " +
                       std::to_string(c - kConstSize) + " bytes beyond the end of constant data! ");
            continue;
        }
        if (c < 0) {
            addHistory("Attempted to learn to a constant address " + std::to_string(-c) +
                       " bytes before the start of constant data! ");
            continue;
        }
        // The ECU holds the value already: store it without marking it to write.
        ecu_.SetImageWord(address, value, false);
        std::string line = "Learnt " +
                           LearnValueText(static_cast<int16_t>(ecu_.ImageWord(address))) +
                           " to Constant Address " + std::to_string(c) + " ";
        const int end = ecu_.ConstEnd();
        if (c >= end) {
            line += "(Which is " + std::to_string(c - end) +
                    " bytes beyond the end for this configuration!) ";
        } else {
            for (int i = 0; i < ecu_.NumElements; ++i) {
                if (ecu_.ElementConstOffset[i] <= c && c < ecu_.ElementConstOffset[i + 1]) {
                    line +=
                        "(Which is part of the table called " + ecu_.NameOf(i + kNumPages) + ") ";
                    break;
                }
            }
        }
        addHistory(line);
    }
    if (any && context.tableEditorVisible)
        observer_.refreshTableEditor();
}

void SyncEngine::addHistory(const std::string& line) {
    std::string full = line + "\n\r";
    learnHistory_ += full;
    observer_.learnHistoryLine(full);
}

void SyncEngine::ClearLearnHistory() {
    if (learnHistory_.empty())
        return;
    learnHistory_.clear();
    observer_.learnHistoryCleared();
}

void SyncEngine::setLabels() {
    const uint16_t rates = transfer_[30];
    const uint16_t version = transfer_[31];
    ecu_.FirmwareRate = static_cast<uint8_t>(rates >> 8);
    ecu_.CalcRate = static_cast<uint8_t>(rates & 0xFF);
    ecu_.PackageMajor = static_cast<uint8_t>((version >> 8) & 0x3F);
    ecu_.PackageMinor = static_cast<uint8_t>(version & 0xFF);
    ecu_.EcuModeBits = static_cast<uint8_t>(version >> 14);
    EcuLabels labels{ecu_.EcuSerial, PackageText(ecu_.PackageMajor, ecu_.PackageMinor),
                     RateText(ecu_.FirmwareRate), RateText(ecu_.CalcRate)};
    if (labels.serial != labels_.serial || labels.packageVersion != labels_.packageVersion ||
        labels.firmwareRate != labels_.firmwareRate || labels.calcRate != labels_.calcRate) {
        labels_ = labels;
        observer_.labelsChanged(labels_);
    }
}

void SyncEngine::emptyLabels() {
    if (labels_.serial.empty() && labels_.packageVersion.empty() && labels_.firmwareRate.empty() &&
        labels_.calcRate.empty())
        return;
    labels_ = EcuLabels{};
    observer_.labelsChanged(labels_);
}

std::string SyncEngine::RateText(uint8_t rate) {
    if (rate == 255)
        return "> 2540 Hz";
    return std::to_string(rate * 10) + " Hz";
}

std::string SyncEngine::PackageText(uint8_t major, uint8_t minor) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%03u", static_cast<unsigned>(major),
                  static_cast<unsigned>(minor));
    return text;
}

std::string SyncEngine::LearnValueText(int16_t raw) {
    char text[32];
    std::snprintf(text, sizeof text, raw >= 0 ? "%.2f" : "%.1f", raw / 50.0);
    return text;
}

void SyncEngine::count() {
    long r = 0;
    long w = 0;
    for (long i = 0; i < kImageSize; ++i) {
        const uint8_t s = ecu_.SyncState[i];
        r += s == Sync::ToRead;
        w += s == Sync::ToWrite;
    }
    r_ = r;
    w_ = w;
    wl_ = static_cast<long>(std::count(ecu_.SyncState + kLogicBase,
                                       ecu_.SyncState + kLogicBase + kLogicSize, Sync::ToWrite));
}

void SyncEngine::markRange(long begin, long end, uint8_t state) {
    SyncRuns::markRange(ecu_.SyncState, kImageSize, begin, end, state);
}

// ---------------------------------------------------------------- passes

bool SyncEngine::writePass() {
    uint8_t* sync = ecu_.SyncState;
    for (int repetition = 0; repetition < kRunsPerPass; ++repetition) {
        const int state = ecu_.LinkState;
        if ((state != Link::WritingChanges && state != Link::WritingAll) || !ecu_.OnlineCapable)
            return true;
        if (state == Link::WritingAll && check_.Checking())
            return true; // the read-back runs in the read pass
        const Run run = nextWriteRun(sync, Sync::ToWrite);
        if (run.words == 0)
            return true;
        const long start = run.start;
        const int n = run.words;
        for (int i = 0; i < n; ++i)
            transfer_[i] = ecu_.ImageWord(start + 2 * i);
        const auto address = static_cast<uint32_t>(start);
        bool ok = n == 1 ? driver_->WriteRegister(address, transfer_[0], error_)
                         : driver_->WriteRegisters(address, n, transfer_, error_);
        if (!ok) {
            // The rest waits for the next cycle: one time-out per cycle at most.
            transactionFailed();
            return false;
        }
        ecu_.StatusFailures = 0;
        markRange(start, start + 2 * n, Sync::InStep);
        if (state == Link::WritingChanges) {
            std::fill_n(uncommitted_.begin() + start, 2 * n, uint8_t{1});
            anyUncommitted_ = true;
        } else {
            check_.Moved(start, 2 * n);
            bytesMoved_ += 2 * n;
        }
    }
    return true;
}

void SyncEngine::readPass() {
    uint8_t* sync = ecu_.SyncState;
    for (int repetition = 0; repetition < kRunsPerPass; ++repetition) {
        const int state = ecu_.LinkState;
        if (!ecu_.OnlineCapable)
            return;
        // The check of a full transfer reads back what it moved.
        if ((state == Link::ReadingAll || state == Link::WritingAll) && check_.Checking()) {
            const long left = check_.Left();
            TransferCheck::Result result = check_.Step(
                *driver_, ecu_, state == Link::ReadingAll ? Sync::ToRead : Sync::ToWrite, transfer_,
                error_);
            bytesMoved_ += left - check_.Left();
            if (result == TransferCheck::Result::Failed) {
                lastError_ = error_;
                return;
            }
            if (result == TransferCheck::Result::Finished)
                return;
            continue;
        }
        if ((state != Link::ReadingAll && state != Link::Online) || r_ <= 0)
            return;
        const Run run = nextReadRun(sync, Sync::ToRead);
        if (run.words == 0)
            return;
        const long start = run.start;
        const int n = run.words;
        if (!driver_->ReadRegisters(static_cast<uint32_t>(start), n, transfer_, error_)) {
            lastError_ = error_;
            return;
        }
        for (int i = 0; i < n; ++i)
            ecu_.SetImageWord(start + 2 * i, transfer_[i], false);
        markRange(start, start + 2 * n, Sync::InStep);
        noteLiveRead(start, n);
        if (state != Link::ReadingAll)
            continue;
        check_.Moved(start, 2 * n);
        bytesMoved_ += 2 * n;
        if (start >= 0x13000) {
            // The names the configuration does not use need not be fetched.
            ecu_.RebuildIndex(false, false);
            dropUnusedNames(sync, start, ecu_.NumElements);
        }
    }
}

void SyncEngine::noteLiveRead(long start, int words) {
    for (int i = 0; i < words; ++i) {
        const long word = (start - kLiveBase) / 2 + i;
        if (start >= kLiveBase && word >= 0 && word < kLiveWords)
            liveReadCycle_[static_cast<size_t>(word)] = cycle_;
    }
}

bool SyncEngine::LiveWordReadThisCycle(long liveAddress) const {
    if (liveAddress < 0 || liveAddress + 1 >= kLiveSize)
        return false;
    return cycle_ != 0 && liveReadCycle_[static_cast<size_t>(liveAddress / 2)] == cycle_;
}

void SyncEngine::readLoggedWords() {
    if (!ecu_.LoggingToPc || ecu_.LinkState != Link::Online || ecu_.Simulating ||
        !ecu_.OnlineCapable)
        return;
    std::vector<int> words;
    for (int i = 0; i < ecu_.NumElements; ++i) {
        if (ecu_.TypeOf(i) != ElementType::Gauge || ecu_.PageOf(i) != 0 ||
            (ecu_.InputWord(i, 0) & 1) == 0)
            continue;
        const long address = ecu_.ElementLiveOffset[i];
        if (address >= 0 && address + 1 < kLiveSize)
            words.push_back(static_cast<int>(address / 2));
    }
    std::sort(words.begin(), words.end());
    words.erase(std::unique(words.begin(), words.end()), words.end());
    // Neighbouring words share a transaction; a run never exceeds one read.
    constexpr int kRunWords = kMaxReadRun / 2;
    for (size_t k = 0; k < words.size();) {
        const int first = words[k];
        size_t end = k + 1;
        while (end < words.size() && words[end] - first < kRunWords)
            ++end;
        const int n = words[end - 1] - first + 1;
        const long start = kLiveBase + 2L * first;
        if (!driver_->ReadRegisters(static_cast<uint32_t>(start), n, transfer_, error_)) {
            lastError_ = error_;
            return; // the rest stay unread this cycle and are logged as "----"
        }
        for (int i = 0; i < n; ++i)
            ecu_.SetImageWord(start + 2 * i, transfer_[i], false);
        markRange(start, start + 2 * n, Sync::InStep);
        noteLiveRead(start, n);
        k = end;
    }
}

// ---------------------------------------------------------------- state machine

void SyncEngine::runStateMachine() {
    switch (ecu_.LinkState) {
    case Link::Startup:
        ecu_.ScopeSettingsLoaded = false;
        if (present())
            ecu_.LinkState = Link::StartReadAll;
        else
            observer_.tickLockLogic();
        break;
    case Link::ReadingAll:
        ecu_.ScopeSettingsLoaded = false;
        if (ecu_.EcuPresent)
            showProgress(check_.Checking() ? kVerifying : "Reading All Settings", "Cancel Read",
                         check_.Checking() ? check_.Left() : r_);
        if (r_ == 0 && !check_.Checking())
            checkTransfer(false);
        else if (check_.Checking() && check_.Left() == 0)
            checkTransfer(false);
        else if (!ecu_.EcuPresent)
            ecu_.LinkState = Link::LostDuringRead;
        break;
    case Link::StartReadAll:
        ecu_.ScopeSettingsLoaded = false;
        if (answered_ && readRetry_)
            restartRead();
        else if (answered_)
            startReadAll();
        break;
    case Link::LostDuringRead:
        observer_.showReconnect();
        if (present()) {
            observer_.hideReconnect();
            ecu_.LinkState = Link::ReadingAll;
        }
        break;
    case Link::Online:
        if (!ecu_.ScopeSettingsLoaded)
            observer_.scopeLoadSettings();
        if (!ecu_.EcuPresent)
            ecu_.LinkState = Link::LostWhileOnline;
        else if (ecu_.StructureChanged)
            ecu_.LinkState = Link::Offline;
        else if (w_ - wl_ > 0 || (commitPending_ && present() && ecu_.StatusFailures == 0))
            ecu_.LinkState = Link::WritingChanges;
        break;
    case Link::LostWhileOnline:
        observer_.redrawLiveOverlay();
        if (present())
            ecu_.LinkState = Link::Online;
        break;
    case Link::WritingChanges:
        if (!ecu_.EcuPresent) {
            // Lost like online: the edits stay marked until the same ECU is back.
            ecu_.LinkState = Link::LostWhileOnline;
        } else if (w_ == 0 && answered_) {
            // The commit value is status word 0 of this cycle.
            commitPending_ =
                !driver_->WriteRegister(TModbusDriver::kCommandWord, transfer_[0], error_);
            if (commitPending_) {
                transactionFailed();
            } else {
                ecu_.StatusFailures = 0;
                forgetUncommitted();
                observer_.changesCommitted();
            }
            ecu_.LinkState = ecu_.EcuPresent ? Link::Online : Link::LostWhileOnline;
        }
        break;
    case Link::Offline:
        break;
    case Link::WritingAll:
        if (ecu_.EcuPresent)
            showProgress(check_.Checking() ? kVerifying : "Writing All Settings", "Cancel Write",
                         check_.Checking() ? check_.Left() : w_);
        if (!ecu_.EcuPresent)
            ecu_.LinkState = Link::LostDuringWrite;
        else if ((w_ == 0 && !check_.Checking()) || (check_.Checking() && check_.Left() == 0))
            checkTransfer(true);
        break;
    case Link::StartWriteAll:
        startWriteAll();
        break;
    case Link::LostDuringWrite:
        observer_.showReconnect();
        if (present()) {
            // The same ECU: the write goes on where it stopped; bytes it lost with its
            // power are found by the read-back and written again.
            observer_.hideReconnect();
            ecu_.LinkState = Link::WritingAll;
        }
        break;
    case Link::AskLoadOrWrite:
        observer_.showLoadOrWrite();
        break;
    case Link::NewConfiguration:
        if (present())
            ecu_.LinkState = Link::AskLoadOrWrite;
        break;
    case Link::ReadCancelled:
        observer_.tickLockLogic();
        if (!ecu_.EcuPresent)
            ecu_.LinkState = Link::Startup;
        break;
    default:
        break;
    }
}

// A full transfer has moved everything (or finished a round of its check): check it,
// move again what differs, and finish or give up.
void SyncEngine::checkTransfer(bool writing) {
    if (!check_.Checking()) {
        if (check_.Begin() > 0)
            return; // the read-back starts with the next cycle's pass
    } else if (check_.Differing() > 0) {
        check_.EndRound();
        if (++round_ > kTransferRounds)
            transferCheckFailed(writing);
        return; // the differing bytes are moved again, then checked again
    }
    if (!writing) {
        ecu_.RebuildIndex(false, false);
        // Names were left out by a diagram read before its check: fetch those that
        // the checked diagram uses but were never read.
        long missing = 0;
        forNameSlotsInUse(ecu_.NumElements, [this, &missing](long begin, long end) {
            missing += check_.MarkUnmoved(ecu_, begin, end, Sync::ToRead);
        });
        if (missing > 0) {
            check_.EndRound();
            return;
        }
        // A read that agrees with itself can still have been chosen by damaged usage
        // words, or be inconsistent in itself: read it all again.
        const bool header = ecu_.ImageWord(0) == header_[0] && ecu_.ImageWord(2) == header_[1];
        if (!header || !ecu_.UsageWordsAgree()) {
            if (++round_ > kTransferRounds) {
                transferCheckFailed(false);
            } else {
                readRetry_ = true;
                restartRead();
            }
            return;
        }
        finishRead();
        return;
    }
    if (!answered_)
        return; // the commit waits for a cycle in which the ECU answers
    observer_.hideProgress();
    if (driver_->WriteRegister(TModbusDriver::kCommandWord, 0, error_)) {
        bytesMoved_ += 2;
        ecu_.StructureChanged = false;
        ecu_.LogicOrNamesChanged = false;
        ecu_.LinkState = Link::Online;
        observer_.fullWriteCommitted();
    } else {
        lastError_ = error_;
    }
}

void SyncEngine::transferCheckFailed(bool writing) {
    observer_.hideProgress();
    check_.Reset();
    readRetry_ = false;
    markRange(0, kConfigEnd, Sync::InStep);
    std::string message;
    if (writing) {
        // Nothing was committed: the ECU keeps running what it had.
        ecu_.LinkState = Link::Offline;
        message = "The settings written to the ECU did not read back the same after " +
                  std::to_string(kTransferRounds) +
                  " attempts, so they were not committed: the ECU keeps running its previous "
                  "settings. Check the connection and write again.";
    } else {
        // Never shown as in step: locked, as after a cancelled read.
        ecu_.LinkState = Link::ReadCancelled;
        message = "The settings read from the ECU did not pass their checks after " +
                  std::to_string(kTransferRounds) +
                  " attempts (the reads disagreed, or the usage words do not match the "
                  "configuration), so they were not taken. Check the connection and read "
                  "again.";
    }
    observer_.transferFailed(message);
}

void SyncEngine::forgetUncommitted() {
    commitPending_ = false;
    if (anyUncommitted_)
        std::fill(uncommitted_.begin(), uncommitted_.end(), uint8_t{0});
    anyUncommitted_ = false;
    lostSinceWrite_ = false;
}

void SyncEngine::startReadAll() {
    ClearLearnHistory();
    forgetUncommitted();
    readRetry_ = false;
    round_ = 1;
    bytesMoved_ = 0;
    restartRead();
}

void SyncEngine::restartRead() {
    check_.Reset();
    markRange(0, kConfigEnd, Sync::InStep);
    uint16_t header[2] = {};
    if (!driver_ || !driver_->ReadRegisters(0, 2, header, error_)) {
        if (driver_)
            lastError_ = error_;
        ecu_.LinkState = Link::StartReadAll;
        return;
    }
    header_[0] = header[0];
    header_[1] = header[1];
    markFullRead(ecu_.SyncState, header[0], header[1], Sync::ToRead);
    // From here on the image turns into the ECU's configuration: nothing held for the
    // previous one may resolve in the half-read one.
    ecu_.ConfigurationReplaced();
    ecu_.LinkState = Link::ReadingAll;
}

void SyncEngine::startWriteAll() {
    ecu_.CheckUsageWords();
    forgetUncommitted();
    check_.Reset();
    round_ = 1;
    bytesMoved_ = 0;
    markRange(0, kConfigEnd, Sync::InStep);
    markFullWrite(ecu_.SyncState, ecu_.ConstEnd(), ecu_.LogicEnd(), ecu_.NumElements,
                  Sync::ToWrite);
    ecu_.LinkState = Link::WritingAll;
}

void SyncEngine::finishRead() {
    check_.Reset();
    readRetry_ = false;
    ecu_.RebuildIndex(true, true);
    ecu_.ConfigurationReplaced();
    observer_.fullReadFinished();
    ecu_.CheckUsageWords();
    ecu_.LogicOrNamesChanged = false;
    ecu_.StructureChanged = false;
    ecu_.LinkState = Link::Online;
    observer_.hideProgress();
}

long SyncEngine::UnsentBytes() const {
    if (!inStates(ecu_.LinkState, {Link::Online, Link::LostWhileOnline, Link::WritingChanges}))
        return 0;
    long bytes = 0;
    for (long a = 0; a < kConfigEnd; ++a)
        bytes += ecu_.SyncState[a] == Sync::ToWrite ||
                 (anyUncommitted_ && uncommitted_[static_cast<size_t>(a)]);
    return bytes;
}

void SyncEngine::showProgress(const char* activity, const char* cancelCaption, long remaining) {
    const int state = ecu_.LinkState;
    const bool known = ecu_.OnlineCapable && ecu_.PortOpen &&
                       !inStates(state, {Link::Startup, Link::LostDuringRead, Link::LostWhileOnline,
                                         Link::LostDuringWrite});
    progress_.activity = activity;
    progress_.cancelCaption = cancelCaption;
    progress_.clientHeight = (state == Link::ReadingAll || state == Link::WritingAll) ? 338 : 293;
    progress_.package = known ? PackageText(ecu_.PackageMajor, ecu_.PackageMinor) : " ";
    progress_.serial = known ? ecu_.EcuSerial : " ";
    progress_.position = static_cast<int>(std::max(0L, 0x29FFFL - remaining));
    progress_.bytesSoFar = std::to_string(progress_.position + 1);
    observer_.showProgress(progress_);
}

// ---------------------------------------------------------------- availability

void SyncEngine::StateCommands(int linkState, bool advancedView, bool ecuPresent,
                               bool logicOrNamesChanged, CommandAvailability& c) {
    const bool av = advancedView;
    c.saveAs = c.goOnline = c.optimise = c.wizardAndScope = c.searchElement = c.updateCosmetic =
        false;
    switch (linkState) {
    case Link::Online:
        c.saveAs = c.wizardAndScope = c.searchElement = true;
        c.optimise = av;
        c.updateCosmetic = av && logicOrNamesChanged;
        break;
    case Link::LostWhileOnline:
    case Link::LostDuringWrite:
    case Link::NewConfiguration:
        c.saveAs = c.wizardAndScope = c.searchElement = true;
        c.optimise = av;
        break;
    case Link::WritingChanges:
        c.saveAs = true;
        c.updateCosmetic = av && logicOrNamesChanged;
        break;
    case Link::Offline:
        c.saveAs = c.wizardAndScope = c.searchElement = true;
        c.goOnline = ecuPresent;
        c.optimise = av;
        break;
    case Link::WritingAll:
    case Link::StartWriteAll:
        c.saveAs = true;
        break;
    default: // 0, 1, 2, 3, 11, 13: nothing
        break;
    }
}

std::string SyncEngine::ConnectionStatusText(bool flashingWindowVisible) const {
    if (flashingWindowVisible)
        return "Updating Package/Firmware";
    if (ecu_.Simulating)
        return ecu_.LoggingToPc ? "Simulating and Logging" : "Simulating";
    if (!ecu_.PortOpen)
        return "No Port Open";
    if (!ecu_.EcuPresent)
        return "No ECU Detected";
    if (!ecu_.OnlineCapable)
        return "ECU Connected (Offline)";
    if (ecu_.LinkState == Link::WritingChanges)
        return "Writing Settings";
    if (!ecu_.LoggingToPc)
        return "ECU Connected and Online";
    return "ECU Connected (Logging)";
}

// ---------------------------------------------------------------- commands

void SyncEngine::GoOnline() {
    ecu_.Simulating = false;
    observer_.hideSimulator();
    ecu_.LinkState = Link::AskLoadOrWrite;
    observer_.redrawLiveOverlay();
    ecu_.ScopeSettingsLoaded = false;
    observer_.scopeLoadSettings();
}

void SyncEngine::ReadFromEcu() {
    ecu_.LinkState = Link::StartReadAll;
}

void SyncEngine::WriteToEcu() {
    ecu_.LinkState = Link::StartWriteAll;
}

void SyncEngine::LoadAllFromEcu() {
    ecu_.LinkState = Link::StartReadAll;
    observer_.hideLoadOrWrite();
}

void SyncEngine::WriteAllToEcu() {
    ecu_.LinkState = Link::StartWriteAll;
    observer_.hideLoadOrWrite();
}

void SyncEngine::StayOffline() {
    ecu_.LinkState = Link::Offline;
    observer_.hideLoadOrWrite();
}

void SyncEngine::CancelProgress() {
    if (ecu_.LinkState == Link::ReadingAll)
        ecu_.LinkState = Link::ReadCancelled;
    else if (ecu_.LinkState == Link::WritingAll)
        ecu_.LinkState = Link::Offline;
    observer_.hideProgress();
}

void SyncEngine::OpenFileFromProgress() {
    if (ecu_.LinkState == Link::ReadingAll)
        ecu_.LinkState = Link::ReadCancelled;
}

void SyncEngine::CancelReconnect() {
    if (ecu_.LinkState == Link::LostDuringRead)
        ecu_.LinkState = Link::Startup;
    else if (ecu_.LinkState == Link::LostDuringWrite)
        ecu_.LinkState = Link::Offline;
    observer_.hideReconnect();
}

void SyncEngine::ConfigurationOpened() {
    ecu_.LinkState = Link::NewConfiguration;
}

void SyncEngine::NewBlankConfiguration() {
    ecu_.LinkState = Link::Offline;
}

// ---------------------------------------------------------------- live values

void SyncEngine::markLiveWord(long liveAddress) {
    if (liveAddress < 0 || liveAddress + 1 >= kLiveSize)
        return; // a wrapped or negative address names no live word
    ecu_.SyncState[kLiveBase + liveAddress] = Sync::ToRead;
    ecu_.SyncState[kLiveBase + liveAddress + 1] = Sync::ToRead;
}

void SyncEngine::MarkLiveValuesToPoll(int currentPage, bool advancedView, bool dialGauges) {
    const int n = ecu_.NumElements;
    if (advancedView) {
        std::memset(outputWord_, 0, sizeof outputWord_);
        for (int j = 0; j < n; ++j) {
            const int type = ecu_.TypeOf(j);
            if (type == ElementType::Gauge)
                continue;
            const int outputs = ecu_.OutputCount(type);
            for (int k = 0; k < outputs; ++k) {
                const int word = ecu_.ElementLiveOffset[j] / 2 + k;
                if (word < kLiveWords)
                    outputWord_[word] = 1;
            }
        }
        for (int i = 0; i < n; ++i) {
            if (ecu_.PageOf(i) != currentPage)
                continue;
            const int type = ecu_.TypeOf(i);
            const int outputs = ecu_.OutputCount(type);
            for (int k = 0; k < outputs; ++k) {
                const long address = ecu_.ElementLiveOffset[i] + 2L * k;
                if (address / 2 < kLiveWords &&
                    (ecu_.LiveWordLinked[address / 2] || ecu_.ShowAllOutputs))
                    markLiveWord(address);
            }
            const int inputs = tECU::InputCount(type);
            for (int k = 0; k < inputs; ++k) {
                const uint16_t w = ecu_.InputWord(i, k);
                if ((w & 1) == 0)
                    continue;
                const long address = w & 0xFFFE;
                if (address / 2 < kLiveWords && outputWord_[address / 2])
                    markLiveWord(address);
            }
        }
    }
    if (ecu_.GaugesWindowOpen || ecu_.LoggingToPc || currentPage == 0 || dialGauges) {
        for (int i = 0; i < n; ++i) {
            if (ecu_.TypeOf(i) == ElementType::Gauge && ecu_.PageOf(i) == 0)
                markLiveWord(ecu_.ElementLiveOffset[i]);
        }
    }
    const int edited = ecu_.TableEditElement.index(ecu_);
    if (edited >= 0 && edited < n) {
        for (int offset : {4, 6}) {
            const uint16_t w = ecu_.ReadLogicWord(ecu_.ElementLogicOffset[edited] + offset);
            if (w & 1)
                markLiveWord(static_cast<int16_t>(w & 0xFFFE));
        }
    }
    if (ecu_.AnaVoltsOpen) {
        for (long a = 0x0A0; a <= 0x0F6; a += 2)
            markLiveWord(a);
    }
    if (ecu_.ChecklistOpen) {
        for (long address : diagnostics::Checklist::LiveAddresses(ecu_))
            markLiveWord(address);
    }
}

} // namespace zolmar
