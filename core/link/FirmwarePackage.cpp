#include "link/FirmwarePackage.h"

#include "files/AtomicFile.h"

#include <algorithm>

namespace zolmar {

FirmwarePackage FirmwarePackage::Parse(const uint8_t* bytes, size_t size) {
    FirmwarePackage package;
    package.fileSize_ = size;
    const size_t count = size / kSegmentSize;
    package.segments_.reserve(count);
    for (size_t s = 0; s < count; ++s) {
        const uint8_t* p = bytes + s * kSegmentSize;
        Segment segment{};
        segment.address = static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16);
        std::copy_n(p + 3, kDataSize, segment.data.begin());
        package.segments_.push_back(segment);
    }
    return package;
}

bool FirmwarePackage::Load(const std::string& path, FirmwarePackage& package, std::string& error) {
    std::vector<uint8_t> bytes;
    // One byte more than allowed tells an oversized file from one of exactly the limit.
    if (!readWholeFile(path, bytes, error, kMaxFileSize + 1))
        return false;
    if (bytes.size() > kMaxFileSize) {
        error = "The file is larger than 2 MiB (2097152 bytes) and cannot be a firmware package.";
        return false;
    }
    package = Parse(bytes.data(), bytes.size());
    error.clear();
    return true;
}

std::vector<uint8_t> FirmwarePackage::Build(const std::vector<Segment>& segments) {
    std::vector<uint8_t> bytes;
    bytes.reserve(segments.size() * kSegmentSize);
    for (const auto& s : segments) {
        bytes.push_back(static_cast<uint8_t>(s.address & 0xFF));
        bytes.push_back(static_cast<uint8_t>((s.address >> 8) & 0xFF));
        bytes.push_back(static_cast<uint8_t>((s.address >> 16) & 0xFF));
        bytes.insert(bytes.end(), s.data.begin(), s.data.end());
    }
    return bytes;
}

} // namespace zolmar
