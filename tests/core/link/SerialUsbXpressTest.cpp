#include "link/SerialUsbXpress.h"
#include "TempDir.h"
#include "link/ModbusDriver.h"

#include <cerrno>
#include <sys/stat.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

using namespace zolmar;
using zolmar::test::TempDir;
namespace fs = std::filesystem;

namespace {

// A pseudo-terminal pair: the test plays the ECU on the master side.
struct Pty {
    Pty() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(master);
        unlockpt(master);
        char name[128];
        ptsname_r(master, name, sizeof name);
        path = name;
    }
    ~Pty() {
        if (master >= 0)
            ::close(master);
    }
    std::vector<uint8_t> take(size_t count, int timeoutMs = 1000) {
        std::vector<uint8_t> got;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
            struct pollfd p = {master, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0) {
                uint8_t b[512];
                ssize_t n = ::read(master, b, sizeof b);
                if (n > 0)
                    got.insert(got.end(), b, b + n);
            }
        }
        return got;
    }
    void give(const std::vector<uint8_t>& bytes) const {
        ASSERT_EQ(::write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    int master = -1;
    std::string path;
};

void writeText(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
}

TEST(SerialUsbXpress, ListsUsbSerialDevicesByTheirSysfsIds) {
    TempDir dir;
    fs::path sys = dir.dir() / "sys";
    fs::path usb = sys / "devices" / "pci0" / "usb1";
    // The ECU: ids on the USB device, two levels above the tty's port.
    writeText(usb / "1-1" / "idVendor", "10c4\n");
    writeText(usb / "1-1" / "idProduct", "84ba\n");
    writeText(usb / "1-1" / "serial", "0001\n");
    fs::create_directories(usb / "1-1" / "1-1:1.0" / "ttyUSB0");
    // Another adapter, and a tty whose device has no ids.
    writeText(usb / "1-2" / "idVendor", "0403\n");
    writeText(usb / "1-2" / "idProduct", "6001\n");
    fs::create_directories(usb / "1-2" / "1-2:1.0" / "ttyACM3");
    fs::create_directories(sys / "devices" / "platform" / "ttyUSB9");
    for (auto [name, target] :
         {std::pair<std::string, fs::path>{"ttyUSB0", usb / "1-1" / "1-1:1.0" / "ttyUSB0"},
          {"ttyACM3", usb / "1-2" / "1-2:1.0" / "ttyACM3"},
          {"ttyUSB9", sys / "devices" / "platform" / "ttyUSB9"},
          {"ttyS0", usb / "1-1" / "1-1:1.0" / "ttyUSB0"}}) {
        fs::create_directories(sys / "class" / "tty" / name);
        fs::create_directory_symlink(target, sys / "class" / "tty" / name / "device");
    }
    Pty pty;
    SerialUsbXpress::Options options;
    options.sysfsRoot = sys.string();
    options.devRoot = "/devroot";
    options.explicitPaths = {pty.path, (dir.dir() / "missing").string()};
    SerialUsbXpress usb1(options);
    uint32_t count = 0;
    ASSERT_EQ(usb1.GetNumDevices(count), UsbXpress::Success);
    ASSERT_EQ(count, 3u);
    auto product = [&usb1](uint32_t device, int kind) {
        std::string text;
        EXPECT_EQ(usb1.GetProductString(device, text, kind), UsbXpress::Success);
        return text;
    };
    EXPECT_EQ(product(0, UsbXpress::LinkName), pty.path) << "explicit paths first";
    EXPECT_EQ(product(0, UsbXpress::VendorId), "10C4");
    EXPECT_EQ(product(1, UsbXpress::LinkName), "/devroot/ttyACM3");
    EXPECT_EQ(product(1, UsbXpress::ProductId), "6001");
    EXPECT_EQ(product(2, UsbXpress::LinkName), "/devroot/ttyUSB0");
    EXPECT_EQ(product(2, UsbXpress::VendorId), "10c4");
    EXPECT_EQ(product(2, UsbXpress::SerialNumber), "0001");
    std::string text;
    EXPECT_EQ(usb1.GetProductString(3, text, UsbXpress::VendorId), UsbXpress::DeviceNotFound);
}

TEST(SerialUsbXpress, RawBothWaysAtTheEcuBaudRate) {
    Pty pty;
    pty.give({0x55, 0x66}); // stale bytes before the port opens
    SerialUsbXpress usb({{pty.path}, false});
    uint32_t count = 0;
    usb.GetNumDevices(count);
    ASSERT_EQ(count, 1u);
    UsbXpress::Handle h = 0;
    ASSERT_EQ(usb.Open(0, h), UsbXpress::Success);
    EXPECT_EQ(usb.SetBaudRate(h, 250000), UsbXpress::Success);
    pty.take(2, 100); // the unopened terminal echoed the stale bytes; raw now, no more
    std::vector<uint8_t> all(256);
    for (int k = 0; k < 256; ++k)
        all[static_cast<size_t>(k)] = static_cast<uint8_t>(k);
    uint32_t written = 0;
    ASSERT_EQ(usb.Write(h, all.data(), 256, written), UsbXpress::Success);
    EXPECT_EQ(written, 256u);
    EXPECT_EQ(pty.take(256), all) << "no byte is a control character";

    pty.give(all);
    std::vector<uint8_t> got(256);
    uint32_t read = 0;
    usb.SetTimeouts(1000, UsbXpress::kInfinite);
    EXPECT_EQ(usb.Read(h, got.data(), 256, read), UsbXpress::Success);
    EXPECT_EQ(read, 256u);
    EXPECT_EQ(got, all) << "and nothing from before the open";
    EXPECT_EQ(usb.Close(h), UsbXpress::Success);
    EXPECT_EQ(usb.Close(h), UsbXpress::InvalidHandle);
}

TEST(SerialUsbXpress, ReadsToTheExpectedLengthOrTheTimeout) {
    Pty pty;
    SerialUsbXpress usb({{pty.path}, false});
    uint32_t count = 0;
    usb.GetNumDevices(count);
    UsbXpress::Handle h = 0;
    ASSERT_EQ(usb.Open(0, h), UsbXpress::Success);
    usb.SetTimeouts(2000, UsbXpress::kInfinite);
    std::thread pieces([&pty] {
        pty.give({1, 2, 3});
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        pty.give({4, 5, 6, 7, 8, 9});
    });
    uint8_t buffer[8] = {};
    uint32_t read = 0;
    EXPECT_EQ(usb.Read(h, buffer, 8, read), UsbXpress::Success);
    pieces.join();
    EXPECT_EQ(read, 8u);
    EXPECT_EQ(buffer[7], 8);
    usb.FlushBuffers(h, false, true); // the ninth byte goes

    usb.SetTimeouts(30, UsbXpress::kInfinite);
    pty.give({7, 7});
    EXPECT_EQ(usb.Read(h, buffer, 8, read), UsbXpress::ReadTimedOut);
    EXPECT_EQ(read, 2u);
    EXPECT_EQ(buffer[0], 7);

    // The far end goes away: writing fails as a write error, reading as a read error.
    ::close(pty.master);
    pty.master = -1;
    uint32_t written = 0;
    const uint8_t frame[2] = {1, 2};
    EXPECT_EQ(usb.Write(h, frame, 2, written), UsbXpress::WriteError);
    EXPECT_EQ(usb.Read(h, buffer, 8, read), UsbXpress::ReadError);
}

TEST(SerialUsbXpress, PortsFromTheEnvironment) {
    setenv("ZOLMAR_PORT", "/dev/a::/dev/b", 1);
    EXPECT_EQ(SerialUsbXpress::environmentPorts(), (std::vector<std::string>{"/dev/a", "/dev/b"}));
    unsetenv("ZOLMAR_PORT");
    EXPECT_TRUE(SerialUsbXpress::environmentPorts().empty());
}

} // namespace

namespace {

// One program, one handle: a second open of the same device is refused as busy,
// naming the device, until the first is closed.
TEST(SerialUsbXpress, TheDeviceIsOpenedExclusively) {
    Pty pty;
    SerialUsbXpress first({{pty.path}, false});
    SerialUsbXpress second({{pty.path}, false});
    uint32_t count = 0;
    ASSERT_EQ(first.GetNumDevices(count), UsbXpress::Success);
    ASSERT_EQ(second.GetNumDevices(count), UsbXpress::Success);
    UsbXpress::Handle a = 0;
    UsbXpress::Handle b = 0;
    ASSERT_EQ(first.Open(0, a), UsbXpress::Success);
    EXPECT_NE(second.Open(0, b), UsbXpress::Success);
    const std::string problem = second.OpenProblem(0);
    EXPECT_EQ(problem.rfind(pty.path + " is busy", 0), 0u) << problem;
    // The driver says so instead of "no ECU".
    TModbusDriver driver(second);
    std::string error;
    EXPECT_FALSE(driver.FindAndOpen(error));
    EXPECT_EQ(error, problem);
    EXPECT_EQ(driver.OpenProblem(), problem);
    first.Close(a);
    EXPECT_TRUE(driver.FindAndOpen(error)) << error;
    EXPECT_TRUE(driver.OpenProblem().empty());
}

TEST(SerialUsbXpress, ADeviceThatCannotBeOpenedIsToldWithItsReasonAndFix) {
    const std::string denied = SerialUsbXpress::OpenProblemText("/dev/ttyUSB0", EACCES);
    EXPECT_NE(denied.find("Permission denied on /dev/ttyUSB0"), std::string::npos);
    EXPECT_NE(denied.find("70-q7700x.rules"), std::string::npos);
    EXPECT_NE(denied.find("dialout"), std::string::npos);
    EXPECT_NE(SerialUsbXpress::OpenProblemText("/dev/ttyUSB0", EBUSY).find("/dev/ttyUSB0 is busy"),
              std::string::npos);

    // Something at the path that is no terminal at all: the system's reason.
    TempDir dir;
    fs::create_directories(dir.path("notadevice"));
    SerialUsbXpress usb({{dir.path("notadevice")}, false});
    TModbusDriver driver(usb);
    std::string error;
    EXPECT_FALSE(driver.FindAndOpen(error));
    EXPECT_EQ(error, "Could not open " + dir.path("notadevice") + ": Is a directory.");

    // A user the device refuses (only testable without root's privileges).
    if (geteuid() != 0) {
        Pty pty;
        ASSERT_EQ(::chmod(pty.path.c_str(), 0), 0);
        SerialUsbXpress locked({{pty.path}, false});
        TModbusDriver refused(locked);
        EXPECT_FALSE(refused.FindAndOpen(error));
        EXPECT_EQ(error.rfind("Permission denied on " + pty.path, 0), 0u) << error;
    }
}

} // namespace
