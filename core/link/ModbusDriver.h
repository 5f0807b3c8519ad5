#pragma once

#include "link/UsbXpress.h"

#include <cstdint>
#include <string>

namespace zolmar {

// Modbus RTU framing to the ECU over the USB transport: discovery and three blocking
// transactions addressed by ECU byte address. No retries: callers own the policy.
// Every failing operation leaves a non-empty error text; success leaves it empty.
class TModbusDriver {
public:
    static constexpr int kBufferSize = 256;
    static constexpr int kMaxReadWords = 125;  // 2n + 5 reply bytes
    static constexpr int kMaxWriteWords = 123; // 2n + 9 request bytes
    static constexpr uint32_t kBaudRate = 250000;
    static constexpr uint32_t kCommandWord = 0x1FFFE;
    // After a failed transaction the line is drained until it has been quiet this long,
    // so that a reply arriving late is never taken for the next request's.
    static constexpr uint32_t kDrainGapMs = 20;
    static constexpr int kMaxDrainReads = 16;

    explicit TModbusDriver(UsbXpress& usb) : usb_(&usb) {}
    TModbusDriver(const TModbusDriver&) = delete;
    TModbusDriver& operator=(const TModbusDriver&) = delete;

    bool FindAndOpen(std::string& error);
    void Close();
    bool ReadRegisters(uint32_t address, int count, uint16_t* words, std::string& error);
    bool WriteRegister(uint32_t address, uint16_t value, std::string& error);
    bool WriteRegisters(uint32_t address, int count, const uint16_t* words, std::string& error);

    static uint16_t Crc16(const uint8_t* bytes, int length);
    // Opens the first device with the ECU's ids whose baud rate can be set; 0 when none.
    // count gets the number of devices enumerated; problem why a device with the ECU's
    // ids could not be opened (permission, busy), empty when none was refused.
    static UsbXpress::Handle OpenEcu(UsbXpress& usb, uint32_t baud, uint32_t& count,
                                     std::string& problem);
    // Why the last discovery found a device with the ECU's ids but could not open it;
    // empty when it opened one or saw none.
    const std::string& OpenProblem() const { return openProblem_; }

    // Time-outs of the transactions, in milliseconds.
    static uint32_t ReadTimeout(uint32_t address);
    static uint32_t WriteTimeout(uint32_t address);

    UsbXpress::Handle Handle = 0;

private:
    bool Send(const uint8_t* frame, int length, std::string& error);
    bool Receive(uint8_t* buffer, int expected, int& received, uint32_t timeoutMs,
                 std::string& error);
    bool write(uint32_t address, int count, const uint16_t* words, bool single, std::string& error);
    int frameHeader(uint8_t function, uint32_t address, uint16_t fifth);
    // Reads and discards until the line is quiet; after a failed transaction only.
    void drain();

    UsbXpress* usb_;
    uint8_t Buffer[kBufferSize] = {};
    bool drainPending_ = false;
    std::string openProblem_;
};

} // namespace zolmar
