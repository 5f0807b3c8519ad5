#include "link/SyncEngine.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace zolmar {

using namespace Layout;

namespace {

constexpr long kConfigEnd = 0x2A000; // end of the synchronised configuration
constexpr long kRegionStarts[] = {0x08000, 0x13000, 0x1E000, 0x20000};
constexpr int kMaxWriteRun = 40;
constexpr int kMaxReadRun = 200;
constexpr int kRunsPerPass = 4;
constexpr int kNameSlotsInRegion1 = kNameRegion1Positions / kNameLength; // 1705
constexpr int kElementsInRegion1 = kNameSlotsInRegion1 - kNumPages;      // 1577

bool startsRegion(long q) {
    return std::find(std::begin(kRegionStarts), std::end(kRegionStarts), q) !=
           std::end(kRegionStarts);
}

// Writes never cross an ECU storage block: 64 bytes in the constants, 256 in the logic
// and name areas.
bool stopsWriteRun(long q) {
    if (startsRegion(q))
        return true;
    if (q < 0x08000)
        return q % 64 == 0;
    if (q < 0x1E000 || (q >= 0x20000 && q < 0x2A000))
        return q % 256 == 0;
    return false;
}

// Reads never cross into another region or the other register bank.
bool stopsReadRun(long q) {
    return startsRegion(q) || q == 0x2A000;
}

// The run of bytes in the state from p (at most maxLength, ending before a stop byte or
// the limit), widened to whole words: its start and its number of words.
int alignedRun(const uint8_t* sync, long p, long limit, long maxLength, uint8_t state,
               bool (*stops)(long), long& start) {
    long length = 1;
    for (long q = p + 1; q < limit && length < maxLength && sync[q] == state && !stops(q); ++q)
        ++length;
    start = p;
    if (start % 2 != 0) {
        --start;
        ++length;
    }
    if (length % 2 != 0)
        ++length;
    return static_cast<int>(length / 2);
}

long findState(const uint8_t* sync, long begin, long end, uint8_t state) {
    const void* hit = std::memchr(sync + begin, state, static_cast<size_t>(end - begin));
    return hit == nullptr ? -1 : static_cast<const uint8_t*>(hit) - sync;
}

bool inStates(int state, std::initializer_list<int> states) {
    return std::find(states.begin(), states.end(), state) != states.end();
}

const char* const kChecklistElements[] = {
    "MAP Sensor Raw",   "Coolant Temperature Raw", "Air Temperature Raw", "TPS Clipped",
    "Closed Loop Idle", "All Elec Loads Disabled", "Closed-Loop Fuel",
};

} // namespace

SyncEngine::SyncEngine(tECU& ecu, UsbXpress& usb, LinkObserver& observer)
    : ecu_(ecu), usb_(usb), observer_(observer), uncommitted_(kConfigEnd, 0) {}

// ---------------------------------------------------------------- life cycle

void SyncEngine::StartUp() {
    previousSerial_ = "?????";
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
}

void SyncEngine::Disconnect() {
    if (driver_)
        driver_->Close();
}

// ---------------------------------------------------------------- the cycle

void SyncEngine::PollCycle(const PollContext& context) {
    if (context.logTransferActive)
        return;
    // While firmware is flashed the flashing window owns the device: no transaction
    // may reopen it at the configuration link's rate.
    if (!context.flashingWindowVisible)
        syncStep(context);
    commands_.calibrateAnalog = ecu_.OnlineCapable && ecu_.CalcRate != 0;
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
    const int state = ecu_.LinkState;
    ecu_.OnlineCapable =
        inStates(state, {Link::ReadingAll, Link::StartReadAll, Link::Online, Link::WritingChanges,
                         Link::WritingAll, Link::StartWriteAll, Link::AskLoadOrWrite}) &&
        !ecu_.Simulating;
    commands_.readFromEcu =
        (ecu_.OnlineCapable &&
         inStates(state, {Link::ReadingAll, Link::StartReadAll, Link::Online})) ||
        state == Link::ReadCancelled;
    commands_.ramTest = commands_.injectorTest = commands_.digitalInputTest =
        commands_.calibrateAnalog = commands_.writeToEcu = commands_.retrieveLog =
            ecu_.OnlineCapable;

    if (driver_) {
        transfer_[0] = 0;
        if (readStatus()) {
            // Another ECU answering after a loss must not receive the rest of this one's
            // edits: go offline before the write pass; the user then chooses to load
            // from it or to write everything to it.
            if (state == Link::WritingChanges && ecu_.EcuSerial != previousSerial_) {
                forgetUncommitted();
                ecu_.LinkState = Link::Offline;
            }
            if (silentSinceWrite_ && anyUncommitted_ && ecu_.EcuSerial == previousSerial_) {
                for (long a = 0; a < kConfigEnd; ++a)
                    if (uncommitted_[static_cast<size_t>(a)] && ecu_.SyncState[a] == Sync::InStep)
                        ecu_.SyncState[a] = Sync::ToWrite;
            }
            silentSinceWrite_ = false;
            // Not after that switch: what another ECU learnt is not this configuration's.
            if (ecu_.LinkState >= Link::ReadingAll && ecu_.LinkState <= Link::WritingChanges)
                applyLearnReports(context);
            setLabels();
        } else if (anyUncommitted_) {
            silentSinceWrite_ = true;
        }
        count();
        if (ecu_.LinkState == Link::Online && r_ == 0 && !ecu_.Simulating) {
            // The dial window asks for gauge values only while the simple view is on.
            MarkLiveValuesToPoll(context.currentPage, context.advancedView,
                                 context.dialGaugesVisible && !context.advancedView);
            r_ = static_cast<long>(std::count(
                ecu_.SyncState + kLiveBase, ecu_.SyncState + kLiveBase + kLiveSize, Sync::ToRead));
        }
        writePass();
        readPass();
    }
    runStateMachine();
    StateCommands(ecu_.LinkState, context.advancedView, ecu_.EcuPresent, ecu_.LogicOrNamesChanged,
                  commands_);
    previousSerial_ = ecu_.EcuSerial;
}

bool SyncEngine::readStatus() {
    if (driver_->ReadRegisters(kStatusBase, 32, transfer_, error_)) {
        ecu_.EcuSerial.resize(32);
        for (int w = 0; w < 16; ++w) {
            for (int half = 0; half < 2; ++half) {
                auto b = static_cast<uint8_t>(half == 0 ? transfer_[w] >> 8 : transfer_[w] & 0xFF);
                ecu_.EcuSerial[static_cast<size_t>(2 * w + half)] =
                    (b == 0x00 || b == 0xFF) ? ' ' : static_cast<char>(b);
            }
        }
        ecu_.StatusFailures = 0;
        ecu_.PortOpen = true;
        ecu_.EcuPresent = true;
        return true;
    }
    lastError_ = error_;
    transfer_[0] = 0;
    if (ecu_.StatusFailures < 2) {
        ++ecu_.StatusFailures;
    } else {
        ecu_.EcuPresent = false;
        emptyLabels();
    }
    return false;
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
    begin = std::clamp(begin, 0L, static_cast<long>(kImageSize));
    end = std::clamp(end, begin, static_cast<long>(kImageSize));
    std::memset(ecu_.SyncState + begin, state, static_cast<size_t>(end - begin));
}

// ---------------------------------------------------------------- passes

void SyncEngine::writePass() {
    uint8_t* sync = ecu_.SyncState;
    for (int repetition = 0; repetition < kRunsPerPass; ++repetition) {
        const int state = ecu_.LinkState;
        if ((state != Link::WritingChanges && state != Link::WritingAll) || w_ <= 0 ||
            !ecu_.OnlineCapable)
            return;
        long p = findState(sync, 0x08000, 0x13000, Sync::ToWrite);
        if (p < 0)
            p = findState(sync, 0x00000, 0x08000, Sync::ToWrite);
        if (p < 0)
            p = findState(sync, 0x13000, kConfigEnd, Sync::ToWrite);
        if (p < 0)
            return;
        long start = p;
        const int n =
            alignedRun(sync, p, kConfigEnd, kMaxWriteRun, Sync::ToWrite, stopsWriteRun, start);
        for (int i = 0; i < n; ++i)
            transfer_[i] = ecu_.ImageWord(start + 2 * i);
        const auto address = static_cast<uint32_t>(start);
        bool ok = n == 1 ? driver_->WriteRegister(address, transfer_[0], error_)
                         : driver_->WriteRegisters(address, n, transfer_, error_);
        if (ok) {
            markRange(start, start + 2 * n, Sync::InStep);
            if (state == Link::WritingChanges) {
                std::fill_n(uncommitted_.begin() + start, 2 * n, uint8_t{1});
                anyUncommitted_ = true;
            }
        } else {
            lastError_ = error_;
        }
    }
}

void SyncEngine::readPass() {
    uint8_t* sync = ecu_.SyncState;
    for (int repetition = 0; repetition < kRunsPerPass; ++repetition) {
        const int state = ecu_.LinkState;
        if ((state != Link::ReadingAll && state != Link::Online) || r_ <= 0 || !ecu_.OnlineCapable)
            return;
        long p = findState(sync, 0, kImageSize, Sync::ToRead);
        if (p < 0)
            return;
        long start = p;
        const int n =
            alignedRun(sync, p, kImageSize, kMaxReadRun, Sync::ToRead, stopsReadRun, start);
        if (!driver_->ReadRegisters(static_cast<uint32_t>(start), n, transfer_, error_)) {
            lastError_ = error_;
            continue;
        }
        for (int i = 0; i < n; ++i)
            ecu_.SetImageWord(start + 2 * i, transfer_[i], false);
        markRange(start, start + 2 * n, Sync::InStep);
        if (state == Link::ReadingAll && start >= 0x13000) {
            // The names the configuration does not use need not be fetched.
            ecu_.RebuildIndex(false, false);
            const long elements = ecu_.NumElements;
            if (elements <= kElementsInRegion1) {
                markRange(0x13000, 0x1E000, Sync::InStep);
                if (start - 0x20000 > (elements + kNumPages) * kNameLength)
                    markRange(start, kConfigEnd, Sync::InStep);
            } else if (start - 0x13000 > (elements - kElementsInRegion1) * kNameLength) {
                markRange(start, 0x1E000, Sync::InStep);
            }
        }
    }
}

// ---------------------------------------------------------------- state machine

void SyncEngine::runStateMachine() {
    std::string ignored;
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
            showProgress("Reading All Settings", "Cancel Read", r_);
        if (r_ == 0)
            finishRead();
        else if (!ecu_.EcuPresent)
            ecu_.LinkState = Link::LostDuringRead;
        break;
    case Link::StartReadAll:
        ecu_.ScopeSettingsLoaded = false;
        startReadAll();
        break;
    case Link::LostDuringRead:
        observer_.showReconnect();
        if (present()) {
            observer_.hideReconnect();
            ecu_.LinkState =
                ecu_.EcuSerial != previousSerial_ ? Link::StartReadAll : Link::ReadingAll;
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
        if (present()) {
            bool other = ecu_.EcuSerial != previousSerial_;
            if (other)
                forgetUncommitted();
            ecu_.LinkState = other ? Link::StartReadAll : Link::Online;
        }
        break;
    case Link::WritingChanges:
        if (w_ == 0) {
            // The commit value is status word 0 of this cycle (0 when that read failed).
            commitPending_ = !driver_ || !driver_->WriteRegister(TModbusDriver::kCommandWord,
                                                                 transfer_[0], ignored);
            if (!commitPending_)
                forgetUncommitted();
            ecu_.LinkState = Link::Online;
        }
        break;
    case Link::Offline:
        break;
    case Link::WritingAll:
        if (ecu_.EcuPresent)
            showProgress("Writing All Settings", "Cancel Write", w_);
        if (w_ == 0) {
            observer_.hideProgress();
            if (driver_ && driver_->WriteRegister(TModbusDriver::kCommandWord, 0, error_)) {
                ecu_.StructureChanged = false;
                ecu_.LogicOrNamesChanged = false;
                ecu_.LinkState = Link::Online;
                observer_.fullWriteCommitted();
            } else {
                lastError_ = error_;
                if (!ecu_.EcuPresent)
                    ecu_.LinkState = Link::LostDuringWrite;
            }
        } else if (!ecu_.EcuPresent) {
            ecu_.LinkState = Link::LostDuringWrite;
        }
        break;
    case Link::StartWriteAll:
        startWriteAll();
        break;
    case Link::LostDuringWrite:
        observer_.showReconnect();
        if (present()) {
            observer_.hideReconnect();
            ecu_.LinkState = Link::StartWriteAll;
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

void SyncEngine::forgetUncommitted() {
    commitPending_ = false;
    if (anyUncommitted_)
        std::fill(uncommitted_.begin(), uncommitted_.end(), uint8_t{0});
    anyUncommitted_ = false;
    silentSinceWrite_ = false;
}

void SyncEngine::startReadAll() {
    ClearLearnHistory();
    forgetUncommitted();
    markRange(0, kConfigEnd, Sync::InStep);
    uint16_t header[2] = {};
    if (!driver_ || !driver_->ReadRegisters(0, 2, header, error_)) {
        if (driver_)
            lastError_ = error_;
        return;
    }
    const uint16_t word0 = header[0];
    const uint16_t word1 = header[1];
    markRange(0, word0 & 0x7FFF, Sync::ToRead);
    // The logic usage comes from the ECU: whatever it says, only the logic area is
    // configuration; the live area behind it never is.
    const long logicBytes = word1 | ((static_cast<long>(word0) << 1) & 0x10000);
    markRange(kLogicBase, kLogicBase + std::min<long>(logicBytes, kLogicSize), Sync::ToRead);
    markRange(0x13000, 0x1E000, Sync::ToRead);
    markRange(0x20000, kConfigEnd, Sync::ToRead);
    // From here on the image turns into the ECU's configuration: nothing held for the
    // previous one may resolve in the half-read one.
    ecu_.ConfigurationReplaced();
    ecu_.LinkState = Link::ReadingAll;
}

void SyncEngine::startWriteAll() {
    ecu_.CheckUsageWords();
    forgetUncommitted();
    markRange(0, kConfigEnd, Sync::InStep);
    markRange(0, ecu_.ConstEnd() + 1024L, Sync::ToWrite);
    markRange(kLogicBase, kLogicBase + ecu_.LogicEnd() + 1L, Sync::ToWrite);
    // Name slots 0 .. NumElements + 127; past the first name region they go on at 0x13000.
    const long nameBytes = (static_cast<long>(ecu_.NumElements) + kNumPages) * kNameLength;
    if (nameBytes <= kNameRegion1Positions) {
        markRange(kNameRegion1, kNameRegion1 + nameBytes, Sync::ToWrite);
    } else {
        markRange(kNameRegion1, kConfigEnd, Sync::ToWrite);
        markRange(kNameRegion2, kNameRegion2 + nameBytes - kNameRegion1Positions, Sync::ToWrite);
    }
    ecu_.LinkState = Link::WritingAll;
}

void SyncEngine::finishRead() {
    ecu_.RebuildIndex(true, true);
    ecu_.ConfigurationReplaced();
    observer_.fullReadFinished();
    ecu_.CheckUsageWords();
    ecu_.LogicOrNamesChanged = false;
    ecu_.StructureChanged = false;
    ecu_.LinkState = Link::Online;
    observer_.hideProgress();
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

int SyncEngine::lastElementNamed(const char* name) const {
    const size_t length = std::strlen(name);
    int found = -1;
    for (int i = 0; i < ecu_.NumElements; ++i) {
        const int base = (kNumPages + i) * kNameLength;
        size_t k = 0;
        while (k < static_cast<size_t>(kNameLength)) {
            uint8_t b = ecu_.ReadNameByte(base + static_cast<int>(k));
            if (b == 0 || k >= length || b != static_cast<uint8_t>(name[k]))
                break;
            ++k;
        }
        bool ended = k == static_cast<size_t>(kNameLength) ||
                     ecu_.ReadNameByte(base + static_cast<int>(k)) == 0;
        if (k == length && ended)
            found = i;
    }
    return found;
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
        markLiveWord(0x0F4);
        markLiveWord(0x058);
        for (const char* name : kChecklistElements) {
            const int e = lastElementNamed(name);
            if (e >= 0)
                markLiveWord(ecu_.ElementLiveOffset[e]);
        }
    }
}

} // namespace zolmar
