#pragma once

#include "emu/VirtualEcu.h"
#include "link/UsbXpress.h"
#include "ports/Clock.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zolmar::emu {

// The USB transport to a virtual ECU in the same process. Replies are there at once
// unless the ECU delays them; a reply later than the read time-out is lost. With a
// manual clock attached, the clock moves by what a read waits (the reply's delay, or
// the time-out when nothing or too little comes) and by the wire time of every frame
// when pacing.
class VirtualEcuLink : public UsbXpress {
public:
    struct OtherDevice {
        std::string vendorId;
        std::string productId;
    };

    explicit VirtualEcuLink(VirtualEcu& ecu) : ecu_(&ecu) {}

    // Devices listed before the ECU, which the driver must pass over.
    std::vector<OtherDevice> otherDevices;
    // The ECU's ids as the library reports them (lower case, as some versions do).
    std::string vendorId = "10c4";
    std::string productId = "84ba";
    ManualClock* clock = nullptr;
    bool pace = false;
    bool recordFrames = false;
    std::vector<std::vector<uint8_t>> requests; // when recordFrames is set

    // What the driver asked of the transport.
    uint32_t readTimeout = kInfinite;
    uint32_t writeTimeout = kInfinite;
    uint32_t baudRate = 0;
    int opens = 0;

    Status GetNumDevices(uint32_t& count) override;
    Status GetProductString(uint32_t device, std::string& text, int kind) override;
    Status Open(uint32_t device, Handle& handle) override;
    Status Close(Handle handle) override;
    Status SetBaudRate(Handle handle, uint32_t baud) override;
    Status SetTimeouts(uint32_t readMs, uint32_t writeMs) override;
    Status FlushBuffers(Handle handle, bool transmit, bool receive) override;
    Status Write(Handle handle, const uint8_t* data, uint32_t length, uint32_t& written) override;
    Status Read(Handle handle, uint8_t* buffer, uint32_t length, uint32_t& read) override;

private:
    static constexpr Handle kEcuHandleBase = 0x1000;
    uint32_t deviceCount() const;
    bool isEcuHandle(Handle handle) const;
    void elapse(uint64_t micros);
    void dropReceived();

    VirtualEcu* ecu_;
    RequestAssembler assembler_;
    uint8_t rx_[512] = {};
    int rxLength_ = 0;
    uint32_t rxDelayMs_ = 0;    // how late the received reply is
    uint64_t rxWireMicros_ = 0; // its time on the wire when pacing
    uint32_t openedGeneration_ = 0;
    bool ecuOpen_ = false;
    uint64_t micros_ = 0;
};

} // namespace zolmar::emu
