#include "model/ECU.h"

#include <cstring>

namespace zolmar {

using namespace Layout;

tECU::tECU(Messages& messages) : messages_(&messages) {
    std::memset(Image, 0, sizeof Image);
    std::memset(SyncState, 0, sizeof SyncState);
    std::memset(ElementLogicOffset, 0, sizeof ElementLogicOffset);
    std::memset(ElementConstOffset, 0, sizeof ElementConstOffset);
    std::memset(ElementLiveOffset, 0, sizeof ElementLiveOffset);
    for (auto& d : ElementDepth)
        d = -1;
    std::memset(LiveWordLinked, 0, sizeof LiveWordLinked);
    std::memset(identity_, 0, sizeof identity_);
    std::memset(identityType_, 0, sizeof identityType_);
}

// ---------------------------------------------------------------- raw image

uint8_t tECU::ImageByte(long offset) const {
    if (offset < 0 || offset >= kImageSize)
        return 0;
    return Image[offset];
}

uint16_t tECU::ImageWord(long offset) const {
    return static_cast<uint16_t>(ImageByte(offset) | (ImageByte(offset + 1) << 8));
}

void tECU::SetImageByte(long offset, uint8_t value, bool markToWrite) {
    if (offset < 0 || offset >= kImageSize)
        return;
    Image[offset] = value;
    if (markToWrite)
        SyncState[offset] = Sync::ToWrite;
}

void tECU::SetImageWord(long offset, uint16_t value, bool markToWrite) {
    SetImageByte(offset, static_cast<uint8_t>(value & 0xFF), markToWrite);
    SetImageByte(offset + 1, static_cast<uint8_t>(value >> 8), markToWrite);
}

uint8_t tECU::SyncAt(long offset) const {
    if (offset < 0 || offset >= kImageSize)
        return Sync::InStep;
    return SyncState[offset];
}

void tECU::SetSync(long offset, uint8_t state) {
    if (offset >= 0 && offset < kImageSize)
        SyncState[offset] = state;
}

// ---------------------------------------------------------------- catalogue

std::string tECU::TypeName(int type) {
    return typeInfo(type).typeName;
}

int tECU::LogicSize(int type) {
    return typeInfo(type).logicSize;
}

int tECU::ConstSize(int type, int constAddr) const {
    if (type == ElementType::Table2D)
        return table2DConstSize(ReadConstByte(constAddr));
    if (type == ElementType::Table3D)
        return table3DConstSize(ReadConstByte(constAddr), ReadConstByte(constAddr + 1));
    return typeInfo(type).constSize;
}

int tECU::LiveSize(int type) {
    return typeInfo(type).liveSize;
}

int tECU::InputCount(int type) {
    return typeInfo(type).inputCount;
}

int tECU::OutputCount(int type) const {
    // The injector block is always element 3, so its switch byte is at a fixed address.
    if (type == ElementType::Injectors)
        return (ReadConstByte(290) & 1) ? 1 : 0;
    return typeInfo(type).outputCount;
}

int tECU::PictureIndex(int type, int constAddr) const {
    if (type == ElementType::Gauge) {
        int flags = ReadConstByte(constAddr + 8);
        if (flags & 1)
            return 33;
        if (flags & 2)
            return 37;
        return 34;
    }
    if (type == ElementType::Injectors)
        return (ReadConstByte(constAddr + 25) & 1) ? 39 : 28;
    return typeInfo(type).picture;
}

// ---------------------------------------------------------------- accessors

void tECU::constAddressError(int constAddr) {
    messages_->error("Attempted to write to a constant address \n\r" +
                     std::to_string(constAddr - kConstSize) +
                     " bytes beyond the end of constant data!");
}

bool tECU::WriteConstByte(int constAddr, uint8_t value) {
    Modified = true;
    if (constAddr < 0 || constAddr >= kConstSize) {
        constAddressError(constAddr);
        return false;
    }
    SetImageByte(kConstBase + constAddr, value, true);
    return true;
}

bool tECU::WriteConstWord(int constAddr, uint16_t value) {
    Modified = true;
    if (constAddr < 0 || constAddr >= kConstSize) {
        constAddressError(constAddr);
        return false;
    }
    SetImageWord(kConstBase + constAddr, value, true);
    return true;
}

uint16_t tECU::ReadConstWord(int constAddr) const {
    return ImageWord(static_cast<long>(kConstBase) + constAddr);
}

uint8_t tECU::ReadConstByte(int constAddr) const {
    return ImageByte(static_cast<long>(kConstBase) + constAddr);
}

void tECU::WriteLogicByte(int logicAddr, uint8_t value, bool cosmetic) {
    // Logic writes stay inside the logic area; nothing may spill into the names.
    if (logicAddr >= 0 && logicAddr < kLogicSize)
        SetImageByte(kLogicBase + logicAddr, value, true);
    LogicOrNamesChanged = true;
    Modified = true;
    if (!cosmetic)
        StructureChanged = true;
}

void tECU::WriteLogicWord(int logicAddr, uint16_t value, bool cosmetic) {
    WriteLogicByte(logicAddr, static_cast<uint8_t>(value & 0xFF), cosmetic);
    WriteLogicByte(logicAddr + 1, static_cast<uint8_t>(value >> 8), cosmetic);
}

uint16_t tECU::ReadLogicWord(int logicAddr) const {
    return ImageWord(static_cast<long>(kLogicBase) + logicAddr);
}

uint8_t tECU::ReadLogicByte(int logicAddr) const {
    return ImageByte(static_cast<long>(kLogicBase) + logicAddr);
}

long tECU::NamePositionOffset(int position) {
    if (position < 0 || position >= kNamePositions)
        return -1;
    if (position < kNameRegion1Positions)
        return kNameRegion1 + position;
    return kNameRegion2 + (position - kNameRegion1Positions);
}

void tECU::WriteNameByte(int position, uint8_t value) {
    SetImageByte(NamePositionOffset(position), value, true);
    LogicOrNamesChanged = true;
    Modified = true;
}

uint8_t tECU::ReadNameByte(int position) const {
    return ImageByte(NamePositionOffset(position));
}

std::string tECU::NameOf(int slot) const {
    if (slot < 0 || slot >= kNumNameSlots)
        return std::string(kNameLength, ' ');
    std::string name;
    for (int k = 0; k < kNameLength; ++k) {
        uint8_t b = ReadNameByte(slot * kNameLength + k);
        if (b != 0)
            name.push_back(static_cast<char>(b));
    }
    return name;
}

std::string tECU::ExactNameOf(int slot) const {
    std::string name;
    if (slot < 0 || slot >= kNumNameSlots)
        return name;
    for (int k = 0; k < kNameLength; ++k) {
        uint8_t b = ReadNameByte(slot * kNameLength + k);
        if (b == 0)
            break;
        name.push_back(static_cast<char>(b));
    }
    return name;
}

int tECU::FindElementByName(const std::string& name, bool last) const {
    int found = -1;
    for (int i = 0; i < NumElements; ++i) {
        if (ExactNameOf(kNumPages + i) == name) {
            found = i;
            if (!last)
                break;
        }
    }
    return found;
}

bool tECU::WriteNamedConstByte(const std::string& name, int offset, uint8_t value) {
    int e = FindElementByName(name, false);
    if (e < 0)
        return false;
    int addr = ElementConstOffset[e] + offset;
    WriteConstByte(addr, value);
    if (addr >= ConstEnd())
        messages_->error("Attempted to write to a constant address \n\r" +
                         std::to_string(addr - ConstEnd()) +
                         " bytes beyond the end for this configuration!");
    return true;
}

bool tECU::WriteNamedConstWord(const std::string& name, int offset, uint16_t value) {
    int e = FindElementByName(name, true);
    if (e < 0)
        return false;
    int addr = ElementConstOffset[e] + offset;
    WriteConstWord(addr, value);
    if (addr >= ConstEnd())
        messages_->error("Attempted to write to a constant address \n\r" +
                         std::to_string(addr - ConstEnd()) +
                         " bytes beyond the end for this configuration!");
    return true;
}

bool tECU::ReadNamedConstByte(const std::string& name, int offset, uint8_t& value) const {
    int e = FindElementByName(name, true);
    if (e < 0)
        return false;
    value = ReadConstByte(ElementConstOffset[e] + offset);
    return true;
}

bool tECU::ReadNamedConstWord(const std::string& name, int offset, uint16_t& value) const {
    int e = FindElementByName(name, true);
    if (e < 0)
        return false;
    value = ReadConstWord(ElementConstOffset[e] + offset);
    return true;
}

} // namespace zolmar
