#pragma once

// One ECU-like device for the fuzzers: every request the driver writes is answered by
// a function of the request, so that a target can wrap fuzzed bytes in whatever
// framing the reply needs.
#include "link/ModbusDriver.h"
#include "link/UsbXpress.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

namespace zolmar::fuzz {

class AnsweringUsb : public UsbXpress {
public:
    std::function<std::vector<uint8_t>(const uint8_t* request, uint32_t length)> answer;

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
    Status FlushBuffers(Handle, bool, bool receive) override {
        if (receive)
            pending_.clear();
        return Success;
    }
    Status Write(Handle, const uint8_t* data, uint32_t length, uint32_t& written) override {
        written = length;
        if (answer)
            pending_ = answer(data, length);
        return Success;
    }
    Status Read(Handle, uint8_t* buffer, uint32_t length, uint32_t& read) override {
        read = static_cast<uint32_t>(std::min<size_t>(length, pending_.size()));
        std::memcpy(buffer, pending_.data(), read);
        pending_.erase(pending_.begin(), pending_.begin() + read);
        return read == length ? Success : ReadTimedOut;
    }

private:
    std::vector<uint8_t> pending_;
};

// Fuzzed bytes handed out in turn; zeros once they are used up.
class ByteSource {
public:
    ByteSource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }
    bool empty() const { return at_ >= size_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// A well-formed Modbus reply to the request: a read carries the source's next bytes as
// its data, a write is acknowledged with its own echo.
inline std::vector<uint8_t> wellFormedReply(const uint8_t* request, uint32_t length,
                                            ByteSource& source) {
    std::vector<uint8_t> reply;
    if (length < 6)
        return reply;
    const uint8_t f = request[1];
    if (f == 0x03 || f == 0x04) {
        const int n = std::min(125, request[4] << 8 | request[5]);
        reply = {0x01, f, static_cast<uint8_t>(2 * n)};
        for (int k = 0; k < 2 * n; ++k)
            reply.push_back(source.next());
    } else {
        reply.assign(request, request + 6);
    }
    const uint16_t crc = TModbusDriver::Crc16(reply.data(), static_cast<int>(reply.size()));
    reply.push_back(static_cast<uint8_t>(crc & 0xFF));
    reply.push_back(static_cast<uint8_t>(crc >> 8));
    return reply;
}

} // namespace zolmar::fuzz
