#include "link/FirmwarePackage.h"

#include "files/AtomicFile.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace zolmar {

namespace {

std::string hex6(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%06X", static_cast<unsigned>(value));
    return text;
}

// Refusals of one kind: the first few in full, then how many more.
void addLimited(std::vector<std::string>& out, std::vector<std::string> lines,
                const std::string& more) {
    constexpr size_t kShown = 3;
    for (size_t k = 0; k < lines.size() && k < kShown; ++k)
        out.push_back(lines[k]);
    if (lines.size() > kShown)
        out.push_back("... and " + std::to_string(lines.size() - kShown) + " more " + more);
}

} // namespace

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

FirmwarePackage::Plan FirmwarePackage::Check() const {
    Plan plan;
    if (segments_.empty()) {
        plan.refusals.push_back("The file holds no whole segment (a firmware package is made of "
                                "131-byte segments: a 3-byte address and 128 data bytes).");
        return plan;
    }
    std::vector<std::string> outside;
    std::vector<std::string> twice;
    std::set<uint32_t> mainBlocks;
    std::set<uint32_t> pldBlocks;
    // Every byte a segment writes, with the first segment that writes it.
    std::vector<std::pair<uint32_t, size_t>> spans;
    bool serial = false;
    for (size_t s = 0; s < segments_.size(); ++s) {
        const uint32_t a = segments_[s].address;
        const uint32_t end = a + kDataSize;
        if (end <= kMainFlashEnd) {
            ++plan.mainSegments;
            mainBlocks.insert(a >> 9);
            serial |= a < kSerialEnd && end > kSerialBlock;
        } else if (a >= kPldBase && end <= kPldEnd) {
            ++plan.pldSegments;
            pldBlocks.insert(a >> 16);
        } else {
            outside.push_back("Segment " + std::to_string(s + 1) + " writes " + hex6(a) + "-" +
                              hex6(end - 1) +
                              ", where the ECU has no flash memory (main flash 0x000000-"
                              "0x00FFFF, PLD flash 0x080000-0x0FFFFF).");
            continue;
        }
        spans.emplace_back(a, s);
    }
    std::sort(spans.begin(), spans.end());
    for (size_t k = 1; k < spans.size(); ++k) {
        const auto& [a, s] = spans[k];
        const auto& [before, first] = spans[k - 1];
        if (a < before + kDataSize)
            twice.push_back("Segments " + std::to_string(std::min(s, first) + 1) + " and " +
                            std::to_string(std::max(s, first) + 1) + " both write " + hex6(a) +
                            (a == before ? "." : " (they overlap)."));
    }
    addLimited(plan.refusals, outside, "segments outside the ECU's memory.");
    addLimited(plan.refusals, twice, "segments written twice.");
    plan.mainBlocks = static_cast<int>(mainBlocks.size());
    plan.pldBlocks = static_cast<int>(pldBlocks.size());

    for (const auto& segment : segments_) {
        if (segment.address != 0)
            continue;
        plan.carriesVersion = true;
        for (int k = 0; k < kVersionLength && segment.data[static_cast<size_t>(k)] != 0 &&
                        segment.data[static_cast<size_t>(k)] != 0xFF;
             ++k)
            plan.version.push_back(static_cast<char>(segment.data[static_cast<size_t>(k)]));
    }
    const bool readable =
        !plan.version.empty() && std::all_of(plan.version.begin(), plan.version.end(), [](char c) {
            return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F;
        });
    if (!plan.carriesVersion)
        plan.doubts.push_back("It carries no firmware version text (no segment for address "
                              "0x000000), as every complete firmware package does.");
    else if (!readable)
        plan.doubts.push_back("The firmware version text it writes at 0x000000 is not readable "
                              "text.");
    if (serial)
        plan.doubts.push_back("It writes or erases the ECU's serial number (0x001000-0x0010FF), "
                              "which no firmware package touches.");
    return plan;
}

std::vector<std::string> FirmwarePackage::Plan::Summary(const std::string& name) const {
    auto blocks = [](int n, const char* size) {
        return std::to_string(n) + (n == 1 ? " block of " : " blocks of ") + size + " erased";
    };
    auto segments = [](int n) { return std::to_string(n) + (n == 1 ? " segment" : " segments"); };
    std::vector<std::string> lines;
    lines.push_back("Program will write " + segments(mainSegments + pldSegments) + " of \"" + name +
                    "\":");
    if (mainSegments > 0)
        lines.push_back("  main flash: " + segments(mainSegments) + ", " +
                        blocks(mainBlocks, "512 bytes"));
    if (pldSegments > 0)
        lines.push_back("  PLD flash: " + segments(pldSegments) + ", " +
                        blocks(pldBlocks, "64 KB"));
    lines.push_back(carriesVersion ? "  firmware version: \"" + version + "\""
                                   : "  firmware version: none in the package");
    return lines;
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
