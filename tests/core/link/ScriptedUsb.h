#pragma once

#include "link/UsbXpress.h"

#include <deque>
#include <string>
#include <vector>

namespace zolmar::test {

// A USB transport whose devices, statuses and replies a test scripts, and which
// records every call the driver makes.
class ScriptedUsb : public UsbXpress {
public:
    struct Device {
        std::string vendorId = "10C4";
        std::string productId = "84BA";
        Status open = Success;
        Status baud = Success;
    };

    std::vector<Device> devices;
    std::deque<std::vector<uint8_t>> replies; // one per Write, answered in order
    std::deque<Status> writeStatus;           // Success when empty
    std::vector<std::vector<uint8_t>> written;
    std::vector<std::string> calls; // "open 0", "close 7", "baud 250000", "timeouts 40",
                                    // "flush rx", "write", "read 8"
    uint32_t reportExtra = 0;       // a faulty transport that claims more than it read

    Status GetNumDevices(uint32_t& count) override {
        count = static_cast<uint32_t>(devices.size());
        return Success;
    }
    Status GetProductString(uint32_t device, std::string& text, int kind) override {
        if (device >= devices.size())
            return DeviceNotFound;
        text = kind == VendorId ? devices[device].vendorId : devices[device].productId;
        return Success;
    }
    Status Open(uint32_t device, Handle& handle) override {
        calls.push_back("open " + std::to_string(device));
        if (device >= devices.size() || devices[device].open != Success)
            return device >= devices.size() ? DeviceNotFound : devices[device].open;
        handle = 100 + device;
        opened = device;
        return Success;
    }
    Status Close(Handle handle) override {
        calls.push_back("close " + std::to_string(handle));
        return Success;
    }
    Status SetBaudRate(Handle handle, uint32_t baud) override {
        calls.push_back("baud " + std::to_string(baud));
        return devices[handle - 100].baud;
    }
    Status SetTimeouts(uint32_t readMs, uint32_t writeMs) override {
        calls.push_back("timeouts " + std::to_string(readMs));
        readTimeout = readMs;
        writeTimeout = writeMs;
        return Success;
    }
    Status FlushBuffers(Handle, bool transmit, bool receive) override {
        calls.push_back(std::string("flush") + (transmit ? " tx" : "") + (receive ? " rx" : ""));
        pending.clear();
        return Success;
    }
    Status Write(Handle, const uint8_t* data, uint32_t length, uint32_t& count) override {
        calls.push_back("write");
        written.emplace_back(data, data + length);
        Status status = Success;
        if (!writeStatus.empty()) {
            status = writeStatus.front();
            writeStatus.pop_front();
        }
        count = status == Success ? length : 0;
        if (!replies.empty()) {
            pending = replies.front();
            replies.pop_front();
        }
        return status;
    }
    Status Read(Handle, uint8_t* buffer, uint32_t length, uint32_t& count) override {
        calls.push_back("read " + std::to_string(length));
        count = std::min<uint32_t>(length, static_cast<uint32_t>(pending.size()));
        std::copy(pending.begin(), pending.begin() + count, buffer);
        pending.erase(pending.begin(), pending.begin() + count);
        count += reportExtra;
        return count >= length ? Success : ReadTimedOut;
    }

    uint32_t readTimeout = 0;
    uint32_t writeTimeout = 0;
    uint32_t opened = 0;
    std::vector<uint8_t> pending;
};

} // namespace zolmar::test
