// Any bytes as the ECU's reply to each of the driver's three transactions.
#include "link/ModbusDriver.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

using namespace zolmar;

namespace {

// One device that answers every request with the fuzzer's bytes.
class FuzzUsb : public UsbXpress {
public:
    const uint8_t* reply = nullptr;
    size_t replyLength = 0;
    Status GetNumDevices(uint32_t& count) override {
        count = 1;
        return Success;
    }
    Status GetProductString(uint32_t, std::string& text, int kind) override {
        text = kind == VendorId ? "10c4" : "84ba";
        return Success;
    }
    Status Open(uint32_t, Handle& handle) override {
        handle = 1;
        return Success;
    }
    Status Close(Handle) override { return Success; }
    Status SetBaudRate(Handle, uint32_t) override { return Success; }
    Status SetTimeouts(uint32_t, uint32_t) override { return Success; }
    Status FlushBuffers(Handle, bool, bool) override { return Success; }
    Status Write(Handle, const uint8_t*, uint32_t length, uint32_t& written) override {
        written = length;
        return Success;
    }
    Status Read(Handle, uint8_t* buffer, uint32_t length, uint32_t& read) override {
        read = static_cast<uint32_t>(std::min<size_t>(length, replyLength));
        std::memcpy(buffer, reply, read);
        return Success;
    }
};

} // namespace

unsigned g_sink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4)
        return 0;
    static FuzzUsb usb;
    static TModbusDriver driver(usb);
    const uint32_t address = (static_cast<uint32_t>(data[1]) << 10 | data[2] << 2) & 0x3FFFF;
    const int count = 1 + data[3] % 125;
    usb.reply = data + 4;
    usb.replyLength = size - 4;
    uint16_t words[125] = {};
    std::string error;
    bool ok = false;
    switch (data[0] % 3) {
    case 0:
        ok = driver.ReadRegisters(address, count, words, error);
        break;
    case 1:
        ok = driver.WriteRegister(address, static_cast<uint16_t>(count), error);
        break;
    default:
        ok = driver.WriteRegisters(address, std::min(count, 123), words, error);
        break;
    }
    // The one rule callers depend on: failure always carries a text, success never.
    if (ok != error.empty())
        __builtin_trap();
    g_sink += words[0] + static_cast<unsigned>(error.size());
    return 0;
}
