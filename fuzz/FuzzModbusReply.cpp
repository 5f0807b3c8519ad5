// Any bytes as the ECU's reply to each of the driver's three transactions.
#include "FuzzTransport.h"
#include "link/ModbusDriver.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

using namespace zolmar;

unsigned g_sink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4)
        return 0;
    static fuzz::AnsweringUsb usb;
    static TModbusDriver driver(usb);
    static std::vector<uint8_t> reply;
    const uint32_t address = (static_cast<uint32_t>(data[1]) << 10 | data[2] << 2) & 0x3FFFF;
    const int count = 1 + data[3] % 125;
    reply.assign(data + 4, data + size);
    usb.answer = [](const uint8_t*, uint32_t) { return reply; };
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
