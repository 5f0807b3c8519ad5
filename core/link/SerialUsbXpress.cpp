#include "link/SerialUsbXpress.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace zolmar {

namespace fs = std::filesystem;

namespace {

std::string readLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

bool isUsbSerialName(const std::string& name) {
    return name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0;
}

// Unix98 pseudo-terminal slaves have majors 136-143.
bool isPseudoTerminal(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    unsigned m = major(st.st_rdev);
    return m >= 136 && m <= 143;
}

int remainingMs(std::chrono::steady_clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

bool deviceGone(int error) {
    return error == EIO || error == ENXIO || error == ENODEV || error == EBADF || error == EPIPE;
}

} // namespace

SerialUsbXpress::SerialUsbXpress(Options options) : options_(std::move(options)) {}

SerialUsbXpress::~SerialUsbXpress() {
    for (auto& [handle, device] : open_)
        ::close(device.fd);
}

std::string SerialUsbXpress::OpenProblemText(const std::string& path, int error) {
    if (error == EACCES || error == EPERM)
        return "Permission denied on " + path +
               ": this user may not use the ECU's serial device. Install the udev rules "
               "file 70-q7700x.rules (the zolmar package puts it in /usr/lib/udev/rules.d; "
               "from the sources, copy packaging/linux/70-q7700x.rules to "
               "/etc/udev/rules.d), then unplug the ECU and plug it in again; or add the "
               "user to the dialout group (sudo adduser $USER dialout) and log in again.";
    if (error == EBUSY || error == EWOULDBLOCK)
        return path + " is busy: another program (another ZOLMAR or zolmar-cli, a terminal "
                      "program or ModemManager) has it open. Close that program and try again.";
    return "Could not open " + path + ": " + std::strerror(error) + ".";
}

std::string SerialUsbXpress::OpenProblem(uint32_t device) const {
    return device < devices_.size() ? devices_[device].problem : std::string();
}

std::vector<std::string> SerialUsbXpress::environmentPorts() {
    std::vector<std::string> paths;
    const char* value = std::getenv("ZOLMAR_PORT");
    if (value == nullptr)
        return paths;
    std::string text(value);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(':', start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            paths.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return paths;
}

void SerialUsbXpress::enumerate() {
    devices_.clear();
    std::error_code ec;
    std::vector<fs::path> seen;
    for (const auto& path : options_.explicitPaths) {
        if (!fs::exists(path, ec))
            continue;
        seen.push_back(fs::weakly_canonical(path, ec));
        devices_.push_back({path, "10C4", "84BA", "", "q7700x", ""});
    }
    if (!options_.scanSystem)
        return;
    fs::path classDir = fs::path(options_.sysfsRoot) / "class" / "tty";
    std::vector<std::string> names;
    for (fs::directory_iterator it(classDir, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (isUsbSerialName(name))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    fs::path root = fs::weakly_canonical(options_.sysfsRoot, ec);
    for (const auto& name : names) {
        // The tty's device is an interface of a USB device; the ids sit on an ancestor.
        fs::path dir = fs::canonical(classDir / name / "device", ec);
        if (ec)
            continue;
        Device device;
        device.path = (fs::path(options_.devRoot) / name).string();
        for (; !dir.empty() && dir != root && dir != dir.root_path(); dir = dir.parent_path()) {
            if (fs::exists(dir / "idVendor", ec) && fs::exists(dir / "idProduct", ec)) {
                device.vendorId = readLine(dir / "idVendor");
                device.productId = readLine(dir / "idProduct");
                device.serial = readLine(dir / "serial");
                device.description = readLine(dir / "product");
                break;
            }
        }
        if (device.vendorId.empty())
            continue;
        fs::path real = fs::weakly_canonical(device.path, ec);
        if (std::find(seen.begin(), seen.end(), real) != seen.end())
            continue;
        devices_.push_back(device);
    }
}

UsbXpress::Status SerialUsbXpress::GetNumDevices(uint32_t& count) {
    enumerate();
    count = static_cast<uint32_t>(devices_.size());
    return Success;
}

UsbXpress::Status SerialUsbXpress::GetProductString(uint32_t device, std::string& text, int kind) {
    if (device >= devices_.size())
        return DeviceNotFound;
    const Device& d = devices_[device];
    switch (kind) {
    case SerialNumber:
        text = d.serial;
        return Success;
    case Description:
        text = d.description;
        return Success;
    case LinkName:
        text = d.path;
        return Success;
    case VendorId:
        text = d.vendorId;
        return Success;
    case ProductId:
        text = d.productId;
        return Success;
    default:
        return InvalidParameter;
    }
}

UsbXpress::Status SerialUsbXpress::Open(uint32_t device, Handle& handle) {
    handle = 0;
    if (device >= devices_.size())
        return DeviceNotFound;
    Device& d = devices_[device];
    d.problem.clear();
    int fd = ::open(d.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        int error = errno;
        if (error != ENOENT && error != ENODEV && error != ENXIO)
            d.problem = OpenProblemText(d.path, error);
        return DeviceNotFound;
    }
    // One program at a time: two on one line would take each other's replies. The
    // lock holds between ZOLMAR's programs (also as root) and dies with the process.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int error = errno;
        ::close(fd);
        d.problem = OpenProblemText(d.path, error == EWOULDBLOCK ? EBUSY : error);
        return DeviceNotFound;
    }
    // Raw in both directions: otherwise a 0x03 in a frame is taken for Ctrl-C and a
    // 0x0D becomes 0x0A.
    struct termios t {};
    if (tcgetattr(fd, &t) != 0) {
        ::close(fd);
        return DeviceIoFailed;
    }
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &t) != 0) {
        ::close(fd);
        return DeviceIoFailed;
    }
    tcflush(fd, TCIOFLUSH); // nothing left over from an earlier user of the port
    // Other programs (terminal programs, modem probes) are kept out by the kernel. Not
    // on a pseudo-terminal: its server keeps the line, and with it the flag, alive.
    bool exclusive = !isPseudoTerminal(fd) && ::ioctl(fd, TIOCEXCL) == 0;
    if (nextHandle_ == 0)
        nextHandle_ = 1;
    handle = nextHandle_++;
    open_[handle] = {fd, exclusive};
    return Success;
}

int SerialUsbXpress::fdOf(Handle handle) const {
    auto it = open_.find(handle);
    return it == open_.end() ? -1 : it->second.fd;
}

UsbXpress::Status SerialUsbXpress::Close(Handle handle) {
    auto it = open_.find(handle);
    if (it == open_.end())
        return InvalidHandle;
    if (it->second.exclusive)
        ::ioctl(it->second.fd, TIOCNXCL);
    ::close(it->second.fd);
    open_.erase(it);
    return Success;
}

UsbXpress::Status SerialUsbXpress::SetBaudRate(Handle handle, uint32_t baud) {
    int fd = fdOf(handle);
    if (fd < 0)
        return InvalidHandle;
    if (setSerialBaudRate(fd, baud))
        return Success;
    // A pseudo-terminal has no line speed; one that refuses the setting still works.
    return isPseudoTerminal(fd) ? Success : InvalidBaudrate;
}

UsbXpress::Status SerialUsbXpress::SetTimeouts(uint32_t readMs, uint32_t writeMs) {
    readTimeout_ = readMs;
    writeTimeout_ = writeMs;
    return Success;
}

UsbXpress::Status SerialUsbXpress::FlushBuffers(Handle handle, bool transmit, bool receive) {
    int fd = fdOf(handle);
    if (fd < 0)
        return InvalidHandle;
    if (transmit && receive)
        tcflush(fd, TCIOFLUSH);
    else if (transmit)
        tcflush(fd, TCOFLUSH);
    else if (receive)
        tcflush(fd, TCIFLUSH);
    return Success;
}

UsbXpress::Status SerialUsbXpress::Write(Handle handle, const uint8_t* data, uint32_t length,
                                         uint32_t& written) {
    written = 0;
    int fd = fdOf(handle);
    if (fd < 0)
        return InvalidHandle;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(writeTimeout_);
    while (written < length) {
        ssize_t n = ::write(fd, data + written, length - written);
        if (n > 0) {
            written += static_cast<uint32_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return WriteError;
        int wait = writeTimeout_ == kInfinite ? -1 : remainingMs(deadline);
        if (wait == 0)
            return WriteTimedOut;
        struct pollfd p {
            fd, POLLOUT, 0
        };
        int r = ::poll(&p, 1, wait);
        if (r == 0)
            return WriteTimedOut;
        if (r < 0 && errno != EINTR)
            return WriteError;
        if (r > 0 && (p.revents & (POLLERR | POLLNVAL)))
            return WriteError;
    }
    return Success;
}

UsbXpress::Status SerialUsbXpress::Read(Handle handle, uint8_t* buffer, uint32_t length,
                                        uint32_t& read) {
    read = 0;
    int fd = fdOf(handle);
    if (fd < 0)
        return InvalidHandle;
    // A pseudo-terminal hands over a whole frame at once, a real adapter in pieces:
    // keep reading until the expected length or the time-out.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(readTimeout_);
    bool hangup = false;
    while (read < length) {
        ssize_t n = ::read(fd, buffer + read, length - read);
        if (n > 0) {
            read += static_cast<uint32_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return deviceGone(errno) ? ReadError : SystemErrorCode;
        // Nothing more after a hang-up: the device is gone.
        if (hangup)
            return ReadError;
        int wait = readTimeout_ == kInfinite ? -1 : remainingMs(deadline);
        if (wait == 0)
            return ReadTimedOut;
        struct pollfd p {
            fd, POLLIN, 0
        };
        int r = ::poll(&p, 1, wait);
        if (r == 0)
            return ReadTimedOut;
        if (r < 0 && errno != EINTR)
            return ReadError;
        if (r > 0 && (p.revents & POLLNVAL))
            return ReadError;
        if (r > 0 && (p.revents & (POLLHUP | POLLERR)))
            hangup = true;
    }
    return Success;
}

} // namespace zolmar
