#include "link/FirmwareFlasher.h"

#include "link/ModbusDriver.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace zolmar {

namespace {

std::string hex(uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
    return text;
}

bool inMainFlash(uint32_t address) {
    return address < 0x10000;
}

bool inPldFlash(uint32_t address) {
    return address >= 0x80000 && address < 0x100000;
}

} // namespace

FirmwareFlasher::~FirmwareFlasher() {
    Close();
}

bool FirmwareFlasher::OpenLink() {
    Close();
    uint32_t count = 0;
    handle_ = TModbusDriver::OpenEcu(usb_, kBaud, count, openProblem_);
    if (handle_ == 0) {
        view_.statusChanged(openProblem_.empty() ? "Could not find ECU on USB chain (" +
                                                       std::to_string(count) + " devices)"
                                                 : openProblem_);
        return false;
    }
    usb_.SetTimeouts(kPingTimeout, UsbXpress::kInfinite);
    view_.statusChanged("USB connection open");
    return true;
}

void FirmwareFlasher::Close() {
    if (handle_ != 0)
        usb_.Close(handle_);
    handle_ = 0;
}

bool FirmwareFlasher::exchange(const uint8_t* command, int length, uint32_t timeoutMs,
                               std::vector<uint8_t>& reply, int expected) {
    reply.clear();
    // A stopped run never reopens the device it is giving back.
    if (stopRequested && stopRequested())
        return false;
    if (handle_ == 0 && !OpenLink())
        return false;
    usb_.FlushBuffers(handle_, true, true);
    uint32_t written = 0;
    if (usb_.Write(handle_, command, static_cast<uint32_t>(length), written) ==
        UsbXpress::WriteError) {
        OpenLink();
        return false;
    }
    usb_.SetTimeouts(timeoutMs, UsbXpress::kInfinite);
    reply.resize(static_cast<size_t>(expected));
    uint32_t read = 0;
    usb_.Read(handle_, reply.data(), static_cast<uint32_t>(expected), read);
    reply.resize(read);
    return static_cast<int>(read) == expected;
}

bool FirmwareFlasher::ChecksumValid(const uint8_t* reply, int n) {
    uint8_t sum = 0;
    for (int k = 0; k <= n; ++k)
        sum = static_cast<uint8_t>(sum + reply[k]);
    return sum == 0;
}

bool FirmwareFlasher::readMemory(uint32_t address, int n, std::vector<uint8_t>& data) {
    const uint8_t command[5] = {
        0x05, static_cast<uint8_t>(address & 0xFF), static_cast<uint8_t>((address >> 8) & 0xFF),
        static_cast<uint8_t>((address >> 16) & 0xFF), static_cast<uint8_t>(n)};
    if (!exchange(command, 5, kPingTimeout, data, n + 1) || !ChecksumValid(data.data(), n))
        return false;
    data.resize(static_cast<size_t>(n));
    return true;
}

std::array<uint8_t, 4> FirmwareFlasher::EraseCommand(uint32_t address) {
    uint32_t block = inPldFlash(address) ? address & ~0xFFFFu : address & ~0x1FFu;
    uint8_t b8 = static_cast<uint8_t>((block >> 8) & 0xFF);
    // The block holding the serial number is erased from just past it.
    if (address >= 0x01100 && address <= 0x011FF)
        b8 = 0x11;
    return {0x0A, 0x0B, b8, static_cast<uint8_t>((block >> 16) & 0xFF)};
}

bool FirmwareFlasher::erase(uint32_t address, uint32_t timeoutMs) {
    auto command = EraseCommand(address);
    std::vector<uint8_t> reply;
    return exchange(command.data(), 4, timeoutMs, reply, 1) && reply[0] == 0x00;
}

bool FirmwareFlasher::write(const FirmwarePackage::Segment& segment) {
    uint8_t command[5 + FirmwarePackage::kDataSize];
    command[0] = 0x07;
    command[1] = static_cast<uint8_t>(segment.address & 0xFF);
    command[2] = static_cast<uint8_t>((segment.address >> 8) & 0xFF);
    command[3] = static_cast<uint8_t>((segment.address >> 16) & 0xFF);
    command[4] = 0x80;
    std::copy(segment.data.begin(), segment.data.end(), command + 5);
    std::vector<uint8_t> reply;
    return exchange(command, sizeof command, kWriteTimeout, reply, 1) && reply[0] == 0x00;
}

void FirmwareFlasher::restartIntoBootLoader() {
    usb_.SetBaudRate(handle_, TModbusDriver::kBaudRate);
    usb_.FlushBuffers(handle_, true, true);
    uint32_t written = 0;
    usb_.Write(handle_, kRestartFrame, sizeof kRestartFrame, written);
    if (pause)
        pause(20);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    usb_.SetBaudRate(handle_, kBaud);
}

uint32_t FirmwareFlasher::PingTick() {
    if (handle_ == 0) {
        view_.versionChanged("");
        // A device that is there but may not be opened says why, not "connect".
        if (!OpenLink() && !openProblem_.empty())
            return 2;
        view_.statusChanged("Connect ECU to USB port");
        return 2;
    }
    const uint8_t ping = 0xFF;
    std::vector<uint8_t> reply;
    exchange(&ping, 1, kPingTimeout, reply, 1);
    if (reply.empty() && handle_ != 0)
        restartIntoBootLoader(); // the application runs: tell it to restart
    if (reply.size() != 1 || reply[0] != 0x00) {
        view_.statusChanged("Reset ECU.");
        view_.versionChanged("");
        return 5;
    }
    std::vector<uint8_t> data;
    if (readMemory(0, 32, data)) {
        std::string version;
        for (uint8_t b : data) {
            if (b == 0)
                break;
            version.push_back(static_cast<char>(b));
        }
        view_.versionChanged(version);
        view_.statusChanged("q7700x connected.");
    }
    if (readMemory(kSerialAddress, 128, data)) {
        serial_.clear();
        for (uint8_t b : data)
            if (b != 0xFF)
                serial_.push_back(static_cast<char>(b));
        view_.statusChanged(serial_.empty() ? "q7700x connected. No serial number."
                                            : "q7700x OK. Serial # is " + serial_);
    }
    return 1000;
}

bool FirmwareFlasher::Load(const std::string& path) {
    FirmwarePackage package;
    std::string error;
    if (!FirmwarePackage::Load(path, package, error)) {
        log(error);
        return false;
    }
    SetPackage(package, path);
    return true;
}

void FirmwareFlasher::SetPackage(const FirmwarePackage& package, const std::string& name) {
    package_ = package;
    packageName_ = name;
    log("Opened " + name + " OK.");
    log("Read " + std::to_string(package.FileSize()) + " bytes (" +
        std::to_string(package.FileSize() / FirmwarePackage::kSegmentSize) + " segments)");
}

bool FirmwareFlasher::stop() {
    if (!stopRequested || !stopRequested())
        return false;
    stopped_ = true;
    log(kStoppedLine);
    return true;
}

bool FirmwareFlasher::Program() {
    stopped_ = false;
    view_.logCleared();
    const auto& segments = package_.Segments();
    const int total = static_cast<int>(segments.size());
    view_.progressChanged(0, total);
    std::fill(std::begin(mainErased_), std::end(mainErased_), false);
    std::fill(std::begin(pldErased_), std::end(pldErased_), false);
    int budget = kFailureBudget;
    auto failed = [&](const std::string& line) {
        if (stopRequested && stopRequested())
            return true; // not a failure of the ECU: the run stops at the next segment
        log(line);
        if (budget > 0) {
            --budget;
            return true;
        }
        log("Failed too many times");
        return false;
    };
    for (int s = 0; s < total;) {
        if (stop())
            return false;
        // From the first exchange on, what the flash holds is incomplete until verified.
        incomplete_ = true;
        const auto& segment = segments[static_cast<size_t>(s)];
        const uint32_t d = segment.address;
        bool* erased = inMainFlash(d)  ? &mainErased_[d >> 9]
                       : inPldFlash(d) ? &pldErased_[(d - 0x80000) >> 16]
                                       : nullptr;
        if (erased != nullptr && !*erased) {
            bool pld = inPldFlash(d);
            if (pld)
                log("Erasing PLD flash " + hex(d, 6) + " (will take a sec)");
            if (!erase(d, pld ? kPldEraseTimeout : kMainEraseTimeout)) {
                if (!failed("Failed erase at " + hex(d, 6)))
                    return false;
                continue;
            }
            *erased = true;
            log("Erased " + hex(d, 6) + " OK");
        }
        if (!write(segment)) {
            if (!failed("Failed write at " + hex(d, 6)))
                return false;
            continue;
        }
        log("Wrote " + hex(d, 6) + " OK");
        view_.progressChanged(++s, total);
    }
    log("Finished writing the following file: \"" + packageName_ + "\"");
    return true;
}

bool FirmwareFlasher::Verify(int& errors, bool clearLog) {
    stopped_ = false;
    if (clearLog)
        view_.logCleared();
    const auto& segments = package_.Segments();
    const int total = static_cast<int>(segments.size());
    view_.progressChanged(0, total);
    int budget = kFailureBudget;
    errors = 0;
    std::vector<uint8_t> data;
    int s = 0;
    while (s < total && errors < kVerifyErrorLimit) {
        if (stop())
            return false;
        const auto& segment = segments[static_cast<size_t>(s)];
        if (!readMemory(segment.address, FirmwarePackage::kDataSize, data)) {
            log("Failed to read " + hex(segment.address, 4));
            if (budget-- <= 0) {
                log("Too many failures");
                incomplete_ = true;
                return false;
            }
            continue;
        }
        for (int k = 0; k < FirmwarePackage::kDataSize; ++k) {
            uint8_t ref = segment.data[static_cast<size_t>(k)];
            uint8_t target = data[static_cast<size_t>(k)];
            if (ref != target) {
                log("Address " + hex(segment.address + static_cast<uint32_t>(k), 6) + " - ref " +
                    hex(ref, 2) + " vs target " + hex(target, 2));
                ++errors;
            }
        }
        view_.progressChanged(++s, total);
    }
    if (s < total)
        log("Verify finished (stopped after " + std::to_string(errors) + " errors)");
    else
        log("Verify finished (" + std::to_string(errors) + " errors)");
    incomplete_ = errors != 0;
    return true;
}

bool FirmwareFlasher::ProgramAndVerify(int& errors) {
    errors = -1;
    if (!Program())
        return false;
    return Verify(errors, false) && errors == 0;
}

void FirmwareFlasher::Done(bool run) {
    if (handle_ != 0 && run) {
        const uint8_t run = 'G';
        std::vector<uint8_t> reply;
        exchange(&run, 1, kPingTimeout, reply, 1);
    }
    Close();
}

} // namespace zolmar
