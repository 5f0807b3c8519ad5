#pragma once

#include "emu/VirtualEcu.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace zolmar::emu {

// The virtual ECU's boot loader: entered when the application is told "RS" on the
// command word, it owns the serial line at 57600 baud and answers the byte commands
// of the flashing tool (ping, read, erase, write, run) on its flash memories. Flash
// behaves as flash: an erase sets a block to 0xFF and a write can only clear bits, so
// writing a block that was not erased leaves wrong bytes behind.
class EcuBootLoader {
public:
    static constexpr uint32_t kBaud = 57600;
    static constexpr uint32_t kMainFlashSize = 0x10000;
    static constexpr uint32_t kPldBase = 0x80000;
    static constexpr uint32_t kPldEnd = 0x100000;
    static constexpr uint32_t kSerialBase = 0x01080;
    static constexpr int kSerialLength = 128;
    static constexpr int kSegmentBytes = 128;

    // Installs itself on the ECU (the command hook and the ECU's line).
    explicit EcuBootLoader(VirtualEcu& ecu);
    ~EcuBootLoader();
    EcuBootLoader(const EcuBootLoader&) = delete;
    EcuBootLoader& operator=(const EcuBootLoader&) = delete;

    bool Running() const { return running_; }
    void Start();
    // Bytes received on the line at the given baud rate; replies are appended.
    void Receive(const uint8_t* bytes, int length, uint32_t baud, std::vector<uint8_t>& reply);

    uint8_t FlashByte(uint32_t address) const;
    void SetFlash(uint32_t address, const uint8_t* bytes, int length);
    // The firmware's version text at address 0 and the serial number area.
    void SetVersion(const std::string& text);
    void SetSerial(const std::string& text);

    // What the tool asked for, in order: erase addresses, write addresses.
    std::vector<uint32_t> erases;
    std::vector<uint32_t> writes;
    // Faults on request: the next n erases, writes or reads fail.
    int failErases = 0;
    int failWrites = 0;
    int failReads = 0;

private:
    void execute(std::vector<uint8_t>& reply);
    void erase(uint32_t address);
    void program(uint32_t address, const uint8_t* data, int length);
    uint8_t* cell(uint32_t address);

    VirtualEcu& ecu_;
    bool running_ = false;
    std::vector<uint8_t> main_;
    std::vector<uint8_t> pld_;
    std::map<uint32_t, uint8_t> other_; // outside both flashes: plain memory
    std::vector<uint8_t> pending_;
};

} // namespace zolmar::emu
