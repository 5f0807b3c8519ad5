#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zolmar {

// A firmware package (*.zfw): 131-byte segments of a 24-bit little-endian target
// address and 128 data bytes, nothing else. A trailing remainder is ignored.
class FirmwarePackage {
public:
    static constexpr int kSegmentSize = 131;
    static constexpr int kDataSize = 128;
    static constexpr size_t kMaxFileSize = 2097152; // what the tool holds in memory

    struct Segment {
        uint32_t address;
        std::array<uint8_t, kDataSize> data;
    };

    // The ECU's memories a package can write, and the serial number it must keep.
    static constexpr uint32_t kMainFlashEnd = 0x10000;
    static constexpr uint32_t kPldBase = 0x80000;
    static constexpr uint32_t kPldEnd = 0x100000;
    static constexpr uint32_t kSerialBlock = 0x01000; // its erase takes the serial with it
    static constexpr uint32_t kSerialEnd = 0x01100;
    static constexpr int kVersionLength = 32;

    // What programming the package would do, and what speaks against it: refusals are
    // what no real package can be; doubts what a real one would not do (programming
    // it anyway is the user's decision).
    struct Plan {
        std::vector<std::string> refusals;
        std::vector<std::string> doubts;
        int mainSegments = 0;
        int mainBlocks = 0; // 512-byte blocks erased
        int pldSegments = 0;
        int pldBlocks = 0; // 64 KB blocks erased
        bool carriesVersion = false;
        std::string version; // the firmware version text it writes at address 0
        // The lines that tell the user what Program will do.
        std::vector<std::string> Summary(const std::string& name) const;
    };
    Plan Check() const;

    // Any bytes at all make a package; only whole segments count.
    static FirmwarePackage Parse(const uint8_t* bytes, size_t size);
    // Reads a file of at most kMaxFileSize bytes.
    static bool Load(const std::string& path, FirmwarePackage& package, std::string& error);
    // The file bytes of segments, for tools that build packages.
    static std::vector<uint8_t> Build(const std::vector<Segment>& segments);

    const std::vector<Segment>& Segments() const { return segments_; }
    size_t FileSize() const { return fileSize_; }
    bool Empty() const { return segments_.empty(); }

private:
    std::vector<Segment> segments_;
    size_t fileSize_ = 0;
};

} // namespace zolmar
