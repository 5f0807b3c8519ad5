#pragma once

#include "link/UsbXpress.h"

#include <mutex>

namespace zolmar {

// A transport whose every call holds a lock that its owner holds too while it works on
// what lies behind it (the virtual ECU inside the program, whose time runs on the
// window's thread while an ECU job talks to it from another).
class LockedUsbXpress : public UsbXpress {
public:
    LockedUsbXpress(UsbXpress& inner, std::mutex& mutex) : inner_(inner), mutex_(mutex) {}

    Status GetNumDevices(uint32_t& count) override {
        std::lock_guard lock(mutex_);
        return inner_.GetNumDevices(count);
    }
    Status GetProductString(uint32_t device, std::string& text, int kind) override {
        std::lock_guard lock(mutex_);
        return inner_.GetProductString(device, text, kind);
    }
    Status Open(uint32_t device, Handle& handle) override {
        std::lock_guard lock(mutex_);
        return inner_.Open(device, handle);
    }
    Status Close(Handle handle) override {
        std::lock_guard lock(mutex_);
        return inner_.Close(handle);
    }
    Status SetBaudRate(Handle handle, uint32_t baud) override {
        std::lock_guard lock(mutex_);
        return inner_.SetBaudRate(handle, baud);
    }
    Status SetTimeouts(uint32_t readMs, uint32_t writeMs) override {
        std::lock_guard lock(mutex_);
        return inner_.SetTimeouts(readMs, writeMs);
    }
    Status FlushBuffers(Handle handle, bool transmit, bool receive) override {
        std::lock_guard lock(mutex_);
        return inner_.FlushBuffers(handle, transmit, receive);
    }
    Status Write(Handle handle, const uint8_t* data, uint32_t length, uint32_t& written) override {
        std::lock_guard lock(mutex_);
        return inner_.Write(handle, data, length, written);
    }
    Status Read(Handle handle, uint8_t* buffer, uint32_t length, uint32_t& read) override {
        std::lock_guard lock(mutex_);
        return inner_.Read(handle, buffer, length, read);
    }
    std::string OpenProblem(uint32_t device) const override {
        std::lock_guard lock(mutex_);
        return inner_.OpenProblem(device);
    }

private:
    UsbXpress& inner_;
    std::mutex& mutex_;
};

} // namespace zolmar
