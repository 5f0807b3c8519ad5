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
