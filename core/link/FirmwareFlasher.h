#pragma once

#include "link/FirmwarePackage.h"
#include "link/UsbXpress.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zolmar {

// What the flashing window shows; every call is made on the caller's thread.
class FlashView {
public:
    virtual ~FlashView() = default;
    virtual void statusChanged(const std::string&) {}  // StatusLabel
    virtual void versionChanged(const std::string&) {} // VersionLabel
    virtual void logCleared() {}                       // LogPad
    virtual void logLine(const std::string&) {}
    virtual void progressChanged(int /*position*/, int /*maximum*/) {}
};

// The flashing tool's side of the boot-loader protocol: its own link to the ECU at
// 57600 baud, the ping cycle that brings the ECU into its boot loader, and the
// program and verify runs over a firmware package. Every exchange blocks.
class FirmwareFlasher {
public:
    static constexpr uint32_t kBaud = 57600;
    static constexpr uint32_t kPingTimeout = 40;
    static constexpr uint32_t kMainEraseTimeout = 500;
    static constexpr uint32_t kPldEraseTimeout = 2000;
    static constexpr uint32_t kWriteTimeout = 500;
    static constexpr int kFailureBudget = 10;
    static constexpr int kVerifyErrorLimit = 200;
    static constexpr uint32_t kSerialAddress = 0x01080;
    // The Modbus write of "RS" to the command word that restarts the ECU into its boot loader.
    static constexpr uint8_t kRestartFrame[8] = {0x01, 0x06, 0xFF, 0xFF, 0x52, 0x53, 0xF4, 0xB3};

    FirmwareFlasher(UsbXpress& usb, FlashView& view) : usb_(usb), view_(view) {}
    ~FirmwareFlasher();
    FirmwareFlasher(const FirmwareFlasher&) = delete;
    FirmwareFlasher& operator=(const FirmwareFlasher&) = delete;

    // Discovery at 57600 baud; the status label tells the result.
    bool OpenLink();
    void Close();
    UsbXpress::Handle Handle() const { return handle_; }
    // Why the last OpenLink found the ECU's device but could not open it (empty if not).
    const std::string& OpenProblem() const { return openProblem_; }

    // One tick of the ping timer; returns the interval until the next tick.
    uint32_t PingTick();

    // Reads a package; logs what was read.
    bool Load(const std::string& path);
    void SetPackage(const FirmwarePackage& package, const std::string& name);
    const FirmwarePackage& Package() const { return package_; }
    const std::string& PackageName() const { return packageName_; }
    bool PackageLoaded() const { return !package_.Empty(); }

    // Erases and writes every segment; true when all were written.
    bool Program();
    // Compares every segment with the ECU's flash; true when it ran to its end. The
    // log is cleared first unless it follows Program's.
    bool Verify(int& errors, bool clearLog = true);
    // Program, then Verify: true only when both ran through and nothing differs.
    bool ProgramAndVerify(int& errors);
    // "Done": the application starts (unless run is false: the boot loader keeps
    // waiting) and the link is closed.
    void Done(bool run = true);

    // Asked before every segment of Program and Verify: true stops the run there.
    std::function<bool()> stopRequested;
    // The last Program or Verify was stopped by stopRequested.
    bool Stopped() const { return stopped_; }
    // The flash may hold incomplete or wrong firmware: a Program has begun, or a
    // Verify found differences, and no clean Verify has followed. Starting it then is
    // the user's decision, made knowing that.
    bool FirmwareIncomplete() const { return incomplete_; }
    static constexpr const char* kIncompleteLine =
        "The firmware in the ECU is incomplete or does not match the package: program it "
        "again before it runs an engine.";
    static constexpr const char* kStoppedLine =
        "Stopped. The ECU's firmware is incomplete: it stays in its boot loader and needs "
        "its firmware written again.";

    // The four bytes of an erase for a segment at this address.
    static std::array<uint8_t, 4> EraseCommand(uint32_t address);
    // True for a read-memory reply of n data bytes plus a checksum that sums to 0.
    static bool ChecksumValid(const uint8_t* reply, int n);

    // The ECU's serial number as last read.
    const std::string& Serial() const { return serial_; }
    // Pause after the restart frame, before the line changes its rate (ms): the frame
    // must leave at the old rate.
    std::function<void(uint32_t)> pause;

private:
    // Flush, write, read exactly expected bytes; false (reply emptied) otherwise.
    bool exchange(const uint8_t* command, int length, uint32_t timeoutMs,
                  std::vector<uint8_t>& reply, int expected);
    bool readMemory(uint32_t address, int n, std::vector<uint8_t>& data);
    bool erase(uint32_t address, uint32_t timeoutMs);
    bool write(const FirmwarePackage::Segment& segment);
    void restartIntoBootLoader();
    void log(const std::string& line) { view_.logLine(line); }

    UsbXpress& usb_;
    FlashView& view_;
    UsbXpress::Handle handle_ = 0;
    FirmwarePackage package_;
    std::string packageName_;
    std::string serial_;
    bool stop();
    bool mainErased_[128] = {};
    bool pldErased_[8] = {};
    bool stopped_ = false;
    bool incomplete_ = false;
    std::string openProblem_;
};

} // namespace zolmar
