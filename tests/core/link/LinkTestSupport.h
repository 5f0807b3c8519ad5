#pragma once

#include "emu/PtyServer.h"
#include "link/FirmwarePackage.h"
#include "link/ModbusDriver.h"
#include "link/SerialUsbXpress.h"
#include "model/ECU.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace zolmar::test {

// Fills a model with a configuration of mixed, named, linked elements whose constants,
// fixed settings and page names vary with the seed. Marks and flags end cleared.
void makeConfiguration(tECU& ecu, int elements, uint32_t seed);

using Ranges = std::vector<std::pair<long, long>>; // [begin, end) image offsets

// What a full write sends for this configuration, which is also what a full read of
// an ECU holding it fetches: constants, logic with its finish byte, names in use.
Ranges transferredRanges(const tECU& config);

// The first offset within the ranges where the two images differ, or -1.
long firstDifference(const uint8_t* a, const uint8_t* b, const Ranges& ranges);

// A complete firmware package across both flashes: its version text at address 0, main
// flash segments (one past the serial number area) and one in PLD flash.
std::vector<FirmwarePackage::Segment> sampleFirmware(const std::string& version);

// A Modbus frame with its CRC appended, low byte first.
std::vector<uint8_t> withCrc(std::vector<uint8_t> frame);

// The virtual ECU served on a pseudo-terminal by a thread of the test.
struct ServedEcu {
    explicit ServedEcu(bool realtime = false, bool diagram = true) {
        server.realtime = realtime;
        ecu.Diagram().running = diagram;
        std::string error;
        opened = server.Open(error);
        if (opened)
            thread = std::thread([this] { server.Run([this] { return !stop.load(); }); });
        else
            openError = error;
    }
    ~ServedEcu() {
        stop = true;
        if (thread.joinable())
            thread.join();
    }
    ServedEcu(const ServedEcu&) = delete;
    ServedEcu& operator=(const ServedEcu&) = delete;
    emu::VirtualEcu ecu;
    emu::PtyServer server{ecu};
    std::atomic<bool> stop{false};
    std::thread thread;
    bool opened = false;
    std::string openError;
};

// A serial device held open, as another program on the port would hold it.
struct HeldPort {
    explicit HeldPort(const std::string& path) : usb({{path}, false}), driver(usb) {
        held = driver.FindAndOpen(error);
    }
    SerialUsbXpress usb;
    TModbusDriver driver;
    bool held = false;
    std::string error;
};

} // namespace zolmar::test
