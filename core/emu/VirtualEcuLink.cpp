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
    now_ += micros;
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
    incoming_.clear();
    inFlight_ = 0;
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
    // Only what has arrived is flushed; a reply still on its way comes later.
    while (receive && !incoming_.empty() && incoming_.front().arrival <= now_) {
        inFlight_ -= incoming_.front().bytes.size();
        incoming_.pop_front();
    }
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
        queueReply(reply.data(), static_cast<int>(reply.size()), now_);
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
        uint64_t arrival = now_ + uint64_t{reply.delayMs} * 1000 +
                           (pace ? VirtualEcu::WireMicros(reply.length) : 0);
        queueReply(reply.bytes, reply.length, arrival);
    }
    return Success;
}

void VirtualEcuLink::queueReply(const uint8_t* bytes, int length, uint64_t arrivalMicros) {
    if (length <= 0 || inFlight_ + static_cast<size_t>(length) > kMaxInFlight)
        return;
    // The line keeps order: a reply never overtakes one sent before it.
    if (!incoming_.empty())
        arrivalMicros = std::max(arrivalMicros, incoming_.back().arrival);
    incoming_.push_back({arrivalMicros, std::vector<uint8_t>(bytes, bytes + length)});
    inFlight_ += static_cast<size_t>(length);
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
    const bool infinite = readTimeout == kInfinite;
    const uint64_t deadline = infinite ? UINT64_MAX : now_ + uint64_t{readTimeout} * 1000;
    uint64_t last = now_;
    while (read < length && !incoming_.empty() && incoming_.front().arrival <= deadline) {
        Incoming& next = incoming_.front();
        const uint32_t n =
            std::min<uint32_t>(length - read, static_cast<uint32_t>(next.bytes.size()));
        std::memcpy(buffer + read, next.bytes.data(), n);
        next.bytes.erase(next.bytes.begin(), next.bytes.begin() + n);
        read += n;
        inFlight_ -= n;
        last = std::max(last, next.arrival);
        if (next.bytes.empty())
            incoming_.pop_front();
    }
    if (read == length) {
        elapse(last - now_);
        return Success;
    }
    // Waiting for bytes that never come lasts the whole time-out.
    elapse((infinite ? last : deadline) - now_);
    return ReadTimedOut;
}

} // namespace zolmar::emu
