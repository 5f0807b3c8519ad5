#pragma once

#include "link/UsbXpress.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace zolmar {

// The USB transport on Linux: raw termios on serial devices. It lists the USB serial
// devices (ttyUSB*, ttyACM*) with their vendor and product ids read from sysfs, and
// any device path given explicitly, which reports the ECU's ids (10C4:84BA). A device
// is opened exclusively: a second program (or handle) finds it busy.
class SerialUsbXpress : public UsbXpress {
public:
    struct Options {
        std::vector<std::string> explicitPaths; // listed first, in this order
        bool scanSystem = true;                 // also list USB serial devices
        std::string sysfsRoot = "/sys";
        std::string devRoot = "/dev";
    };

    explicit SerialUsbXpress(Options options);
    ~SerialUsbXpress() override;
    SerialUsbXpress(const SerialUsbXpress&) = delete;
    SerialUsbXpress& operator=(const SerialUsbXpress&) = delete;

    // Paths from ZOLMAR_PORT (several separated by ':'), empty when it is not set.
    static std::vector<std::string> environmentPorts();

    Status GetNumDevices(uint32_t& count) override;
    Status GetProductString(uint32_t device, std::string& text, int kind) override;
    Status Open(uint32_t device, Handle& handle) override;
    Status Close(Handle handle) override;
    Status SetBaudRate(Handle handle, uint32_t baud) override;
    Status SetTimeouts(uint32_t readMs, uint32_t writeMs) override;
    Status FlushBuffers(Handle handle, bool transmit, bool receive) override;
    Status Write(Handle handle, const uint8_t* data, uint32_t length, uint32_t& written) override;
    Status Read(Handle handle, uint8_t* buffer, uint32_t length, uint32_t& read) override;
    std::string OpenProblem(uint32_t device) const override;

    // The sentence for a device that exists but cannot be opened, by errno.
    static std::string OpenProblemText(const std::string& path, int error);

private:
    struct Device {
        std::string path;
        std::string vendorId;
        std::string productId;
        std::string serial;
        std::string description;
        std::string problem; // why the last Open failed
    };
    void enumerate();
    int fdOf(Handle handle) const;

    Options options_;
    std::vector<Device> devices_;
    struct OpenDevice {
        int fd;
        bool exclusive; // TIOCEXCL set: cleared again before closing
    };
    std::map<Handle, OpenDevice> open_;
    Handle nextHandle_ = 1;
    uint32_t readTimeout_ = kInfinite;
    uint32_t writeTimeout_ = kInfinite;
};

// Sets any baud rate (250000 has no B constant) through the kernel's termios2;
// pseudo-terminals accept it and ignore it. Kept apart from <termios.h>.
bool setSerialBaudRate(int fd, uint32_t baud);

} // namespace zolmar
