#pragma once

#include <cstdint>
#include <string>

namespace zolmar {

// The USB transport to the ECU: the nine operations of the vendor's USB library
// that the driver relies on, with that library's status codes.
class UsbXpress {
public:
    using Handle = uint32_t; // 0 = no device

    enum Status : uint32_t {
        Success = 0x00,
        InvalidHandle = 0x01,
        ReadError = 0x02,
        RxQueueNotReady = 0x03,
        WriteError = 0x04,
        ResetError = 0x05,
        InvalidParameter = 0x06,
        InvalidRequestLength = 0x07,
        DeviceIoFailed = 0x08,
        InvalidBaudrate = 0x09,
        FunctionNotSupported = 0x0A,
        GlobalDataError = 0x0B,
        SystemErrorCode = 0x0C,
        ReadTimedOut = 0x0D,
        WriteTimedOut = 0x0E,
        IoPending = 0x0F,
        DeviceNotFound = 0xFF,
    };

    // Kinds of product string; ids come as hexadecimal text.
    enum ProductString : int {
        SerialNumber = 0,
        Description = 1,
        LinkName = 2,
        VendorId = 3,
        ProductId = 4,
    };

    static constexpr uint32_t kInfinite = 0xFFFFFFFF;

    virtual ~UsbXpress() = default;
    virtual Status GetNumDevices(uint32_t& count) = 0;
    virtual Status GetProductString(uint32_t device, std::string& text, int kind) = 0;
    virtual Status Open(uint32_t device, Handle& handle) = 0;
    virtual Status Close(Handle handle) = 0;
    virtual Status SetBaudRate(Handle handle, uint32_t baud) = 0;
    // Global, as in the library: they apply to every later read and write.
    virtual Status SetTimeouts(uint32_t readMs, uint32_t writeMs) = 0;
    virtual Status FlushBuffers(Handle handle, bool transmit, bool receive) = 0;
    virtual Status Write(Handle handle, const uint8_t* data, uint32_t length,
                         uint32_t& written) = 0;
    // Returns when length bytes have arrived or the read time-out has passed.
    virtual Status Read(Handle handle, uint8_t* buffer, uint32_t length, uint32_t& read) = 0;
    // After a failed Open of the device: why, and how the user can put it right, in a
    // sentence naming the device. Empty when there is nothing to tell.
    virtual std::string OpenProblem(uint32_t /*device*/) const { return {}; }
};

} // namespace zolmar
