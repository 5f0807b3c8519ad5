#include "RawConfig.h"

#include <cstring>

namespace zolmar::test {

using namespace Layout;

void RawConfig::clear() {
    std::memset(ecu_.Image + kLogicBase, 0xFF, kLogicSize);
    std::memset(ecu_.Image + kConstBase, 0, kConstSize);
    for (int p = 0; p < kNamePositions; ++p)
        ecu_.SetImageByte(tECU::NamePositionOffset(p), 0, false);
    logic_ = const_ = live_ = count_ = 0;
    logicOf_.clear();
    liveOf_.clear();
}

int RawConfig::add(int type, int page, int column, int row, const std::string& name, int x, int y) {
    int base = kLogicBase + logic_;
    int size = tECU::LogicSize(type);
    for (int k = 0; k < size; ++k)
        ecu_.Image[base + k] = 0;
    ecu_.Image[base] = static_cast<uint8_t>(type);
    ecu_.Image[base + 1] = static_cast<uint8_t>(column);
    ecu_.Image[base + 2] = static_cast<uint8_t>(row);
    ecu_.Image[base + 3] = static_cast<uint8_t>(page);
    ecu_.Image[base + size] = 0xFF;
    if (type == ElementType::Table2D)
        ecu_.Image[kConstBase + const_] = static_cast<uint8_t>(x);
    if (type == ElementType::Table3D) {
        ecu_.Image[kConstBase + const_] = static_cast<uint8_t>(x);
        ecu_.Image[kConstBase + const_ + 1] = static_cast<uint8_t>(y);
    }
    int slot = kNumPages + count_;
    for (int k = 0; k < kNameLength; ++k) {
        uint8_t b = k < static_cast<int>(name.size()) ? static_cast<uint8_t>(name[k]) : 0;
        ecu_.SetImageByte(tECU::NamePositionOffset(slot * kNameLength + k), b, false);
    }
    logicOf_.push_back(logic_);
    liveOf_.push_back(live_);
    const_ += ecu_.ConstSize(type, const_);
    live_ += tECU::LiveSize(type);
    logic_ += size;
    return count_++;
}

void RawConfig::link(int element, int input, int source, int output) {
    uint16_t w = static_cast<uint16_t>((liveOf_[source] + 2 * output) | 1);
    ecu_.SetImageWord(kLogicBase + logicOf_[element] + 4 + 2 * input, w, false);
}

void RawConfig::literal(int element, int input, uint16_t raw) {
    ecu_.SetImageWord(kLogicBase + logicOf_[element] + 4 + 2 * input,
                      static_cast<uint16_t>(raw & 0xFFFE), false);
}

void RawConfig::finish() {
    ecu_.RebuildIndex(true, true);
    ecu_.UpdateUsageWords();
}

} // namespace zolmar::test
