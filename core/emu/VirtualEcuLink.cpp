#include "emu/VirtualEcuLink.h"

#include "emu/EcuBootLoader.h"

#include <algorithm>
#include <cstring>

namespace zolmar::emu {

uint32_t VirtualEcuLink::deviceCount() const {
    return static_cast<uint32_t>(otherDevices.size()) + (ecu_->Plugged() ? 1u : 0u);
}

// An ECU handle dies with an unplug, even when the ECU comes back.
bool VirtualEcuLink::isEcuHandle(Handle handle) const {
    return ecuOpen_ && ecu_->Plugged() && handle == kEcuHandleBase + openedGeneration_ &&
           openedGeneration_ == ecu_->Unplugs();
}

void VirtualEcuLink::elapse(uint64_t micros) {
    micros_ += micros;
    if (clock != nullptr) {
        clock->advance(static_cast<uint32_t>(micros_ / 1000));
        micros_ %= 1000;
    }
}

UsbXpress::Status VirtualEcuLink::GetNumDevices(uint32_t& count) {
    count = deviceCount();
    return Success;
}

UsbXpress::Status VirtualEcuLink::GetProductString(uint32_t device, std::string& text, int kind) {
    if (device >= deviceCount())
        return DeviceNotFound;
    bool ecu = device == otherDevices.size();
    switch (kind) {
    case VendorId:
        text = ecu ? vendorId : otherDevices[device].vendorId;
        return Success;
    case ProductId:
        text = ecu ? productId : otherDevices[device].productId;
        return Success;
    case SerialNumber:
        text = ecu ? ecu_->Serial() : "";
        return Success;
    case Description:
    case LinkName:
        text = ecu ? "q7700x (virtual)" : "other device";
        return Success;
    default:
        return InvalidParameter;
    }
}

UsbXpress::Status VirtualEcuLink::Open(uint32_t device, Handle& handle) {
    handle = 0;
    if (device >= deviceCount())
        return DeviceNotFound;
    ++opens;
    if (device < otherDevices.size()) {
        handle = device + 1;
        return Success;
    }
    ecuOpen_ = true;
    openedGeneration_ = ecu_->Unplugs();
    handle = kEcuHandleBase + openedGeneration_;
    dropReceived();
    return Success;
}

UsbXpress::Status VirtualEcuLink::Close(Handle handle) {
    if (handle >= kEcuHandleBase)
        ecuOpen_ = false;
    return Success;
}

UsbXpress::Status VirtualEcuLink::SetBaudRate(Handle handle, uint32_t baud) {
    if (handle >= kEcuHandleBase && !isEcuHandle(handle))
        return InvalidHandle;
    baudRate = baud;
    return Success;
}

UsbXpress::Status VirtualEcuLink::SetTimeouts(uint32_t readMs, uint32_t writeMs) {
    readTimeout = readMs;
    writeTimeout = writeMs;
    return Success;
}

UsbXpress::Status VirtualEcuLink::FlushBuffers(Handle handle, bool, bool receive) {
    if (handle >= kEcuHandleBase && !isEcuHandle(handle))
        return InvalidHandle;
    if (receive)
        dropReceived();
    return Success;
}

UsbXpress::Status VirtualEcuLink::Write(Handle handle, const uint8_t* data, uint32_t length,
                                        uint32_t& written) {
    written = 0;
    if (handle < kEcuHandleBase) { // another device swallows anything
        if (handle < 1 || handle > otherDevices.size())
            return InvalidHandle;
        written = length;
        return Success;
    }
    if (!isEcuHandle(handle))
        return WriteError;
    written = length;
    if (recordFrames)
        requests.emplace_back(data, data + length);
    if (pace)
        elapse(VirtualEcu::WireMicros(static_cast<int>(length)));
    if (EcuBootLoader* loader = ecu_->bootLoader; loader && loader->Running()) {
        std::vector<uint8_t> reply;
        loader->Receive(data, length, baudRate, reply);
        int n = std::min(static_cast<int>(sizeof rx_) - rxLength_, static_cast<int>(reply.size()));
        std::memcpy(rx_ + rxLength_, reply.data(), static_cast<size_t>(n));
        rxLength_ += n;
        return Success;
    }
    if (baudRate == EcuBootLoader::kBaud)
        return Success; // the application does not listen at the boot loader's rate
    // One write is one frame, and the driver then waits: a pause on the line.
    assembler_.Add(data, static_cast<int>(std::min<uint32_t>(length, 0x7FFFFFFF)));
    uint8_t frame[RequestAssembler::kMaxFrame];
    int frameLength = 0;
    while (assembler_.Next(frame, frameLength) || assembler_.Pause(frame, frameLength)) {
        EcuReply reply = ecu_->Serve(frame, frameLength);
        if (reply.length == 0)
            continue;
        // Whether it comes in time is up to the read that waits for it.
        rxDelayMs_ = std::max(rxDelayMs_, reply.delayMs);
        rxWireMicros_ += pace ? VirtualEcu::WireMicros(reply.length) : 0;
        int room = static_cast<int>(sizeof rx_) - rxLength_;
        int n = std::min(room, reply.length);
        std::memcpy(rx_ + rxLength_, reply.bytes, static_cast<size_t>(n));
        rxLength_ += n;
    }
    return Success;
}

void VirtualEcuLink::dropReceived() {
    rxLength_ = 0;
    rxDelayMs_ = 0;
    rxWireMicros_ = 0;
}

UsbXpress::Status VirtualEcuLink::Read(Handle handle, uint8_t* buffer, uint32_t length,
                                       uint32_t& read) {
    read = 0;
    if (handle < kEcuHandleBase) {
        elapse(readTimeout == kInfinite ? 0 : uint64_t{readTimeout} * 1000);
        return ReadTimedOut;
    }
    if (!isEcuHandle(handle))
        return ReadError;
    const uint64_t timeoutMicros = readTimeout == kInfinite ? 0 : uint64_t{readTimeout} * 1000;
    if (rxLength_ > 0 && readTimeout != kInfinite && rxDelayMs_ >= readTimeout) {
        // The reply comes after the read has given up; the next flush takes it away.
        dropReceived();
        elapse(timeoutMicros);
        return ReadTimedOut;
    }
    const uint64_t arrival = uint64_t{rxDelayMs_} * 1000 + rxWireMicros_;
    rxDelayMs_ = 0;
    rxWireMicros_ = 0;
    read = std::min<uint32_t>(length, static_cast<uint32_t>(rxLength_));
    std::memcpy(buffer, rx_, read);
    std::memmove(rx_, rx_ + read, static_cast<size_t>(rxLength_) - read);
    rxLength_ -= static_cast<int>(read);
    if (read < length) {
        // Waiting for bytes that never come lasts the whole time-out.
        elapse(std::max(arrival, timeoutMicros));
        return ReadTimedOut;
    }
    elapse(arrival);
    return Success;
}

} // namespace zolmar::emu
