#include "LinkTestSupport.h"

#include "RawConfig.h"
#include "link/ModbusDriver.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

namespace zolmar::test {

using namespace Layout;

void makeConfiguration(tECU& ecu, int elements, uint32_t seed) {
    std::mt19937 random(seed);
    auto byte = [&random] { return static_cast<uint8_t>(random() & 0xFF); };
    RawConfig raw(ecu);
    const int types[] = {ElementType::Constant,  ElementType::Table2D, ElementType::Summer,
                         ElementType::Table3D,   ElementType::Gauge,   ElementType::Switch,
                         ElementType::Multiplier};
    std::vector<int> withOutput;
    for (int i = 0; i < elements; ++i) {
        int type = types[i % 7];
        int page = type == ElementType::Gauge ? 0 : 1 + i % 5;
        int e =
            raw.add(type, page, i % 40, i % 30, "Elt " + std::to_string(i), 2 + i % 4, 2 + i % 3);
        for (int k = 0; k < tECU::InputCount(type) && !withOutput.empty(); ++k) {
            if ((i + k) % 3 != 0)
                raw.link(e, k, withOutput[static_cast<size_t>(i * 7 + k) % withOutput.size()], 0);
        }
        if (tECU::LiveSize(type) > 0 && type != ElementType::Gauge)
            withOutput.push_back(e);
    }
    raw.finish();
    // Fixed settings, pin table and properties, then the values of constants and cells
    // (not the table dimensions, which decide the layout).
    for (long a = 4; a < kConstBase; ++a)
        ecu.Image[a] = byte();
    for (int i = 0; i < ecu.NumElements; ++i) {
        int type = ecu.TypeOf(i);
        int begin = ecu.ElementConstOffset[i];
        int end = ecu.ElementConstOffset[i + 1];
        int skip = type == ElementType::Table2D ? 1 : type == ElementType::Table3D ? 2 : 0;
        if (type == ElementType::Gauge)
            continue;
        for (int c = begin + skip; c < end; ++c)
            ecu.Image[kConstBase + c] = byte();
    }
    for (int p = 0; p < kNumPages; ++p) {
        std::string name = "Page " + std::to_string(p);
        for (int k = 0; k < kNameLength; ++k)
            ecu.SetImageByte(tECU::NamePositionOffset(p * kNameLength + k),
                             k < static_cast<int>(name.size()) ? static_cast<uint8_t>(name[k]) : 0,
                             false);
    }
    ecu.RebuildIndex(true, true);
    std::memset(ecu.SyncState, 0, sizeof ecu.SyncState);
    ecu.Modified = ecu.LogicOrNamesChanged = ecu.StructureChanged = false;
}

std::vector<FirmwarePackage::Segment> sampleFirmware(const std::string& version) {
    std::vector<FirmwarePackage::Segment> segments;
    for (uint32_t a : {0x0000u, 0x0080u, 0x1180u, 0x9000u, 0x84000u}) {
        FirmwarePackage::Segment s{};
        s.address = a;
        for (size_t k = 0; k < s.data.size(); ++k)
            s.data[k] = static_cast<uint8_t>(a + 3 * k + 1);
        segments.push_back(s);
    }
    std::fill(segments[0].data.begin(), segments[0].data.begin() + 32, 0);
    std::copy(version.begin(), version.end(), segments[0].data.begin());
    return segments;
}

Ranges transferredRanges(const tECU& config) {
    Ranges ranges = {{0, config.ConstEnd() + 1024L},
                     {kLogicBase, kLogicBase + config.LogicEnd() + 1L}};
    long names = (static_cast<long>(config.NumElements) + kNumPages) * kNameLength;
    if (names <= kNameRegion1Positions) {
        ranges.push_back({kNameRegion1, kNameRegion1 + names});
    } else {
        ranges.push_back({kNameRegion1, kNameRegion1 + kNameRegion1Positions});
        ranges.push_back({kNameRegion2, kNameRegion2 + names - kNameRegion1Positions});
    }
    return ranges;
}

long firstDifference(const uint8_t* a, const uint8_t* b, const Ranges& ranges) {
    for (auto [begin, end] : ranges) {
        for (long k = begin; k < end; ++k) {
            if (a[k] != b[k])
                return k;
        }
    }
    return -1;
}

std::vector<uint8_t> withCrc(std::vector<uint8_t> frame) {
    uint16_t crc = TModbusDriver::Crc16(frame.data(), static_cast<int>(frame.size()));
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    return frame;
}

} // namespace zolmar::test
