#pragma once

#include "emu/VirtualEcu.h"
#include "link/UsbXpress.h"
#include "ports/Clock.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace zolmar::emu {

// The USB transport to a virtual ECU in the same process. Replies are there at once
// unless the ECU delays them; a reply later than its read's time-out still arrives,
// when the line's time has come, for whatever read or flush finds it then, as on a
// real line. The link keeps its own time: a read waits for the reply's arrival, or
// the whole time-out when too little comes, and frames take their wire time when
// pacing. A manual clock attached moves with it.
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
    static constexpr size_t kMaxInFlight = 4096; // bytes; more are lost
    uint32_t deviceCount() const;
    bool isEcuHandle(Handle handle) const;
    void elapse(uint64_t micros);
    void queueReply(const uint8_t* bytes, int length, uint64_t arrivalMicros);

    // A reply on its way: its bytes arrive together at the given link time.
    struct Incoming {
        uint64_t arrival;
        std::vector<uint8_t> bytes;
    };
    VirtualEcu* ecu_;
    RequestAssembler assembler_;
    std::deque<Incoming> incoming_;
    size_t inFlight_ = 0;
    uint32_t openedGeneration_ = 0;
    bool ecuOpen_ = false;
    uint64_t micros_ = 0; // not yet passed on to the clock
    uint64_t now_ = 0;    // the link's time in microseconds
};

} // namespace zolmar::emu
