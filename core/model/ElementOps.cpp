// Element, link and page operations: the only code that moves records, constant
// blocks and names. Records, constant blocks and live blocks stay in one element
// order, so every move rewrites the links that point behind it.
#include "model/ECU.h"
#include "model/HeldReferences.h"

#include <cmath>
#include <cstring>

namespace zolmar {

using namespace Layout;

namespace {

constexpr const char* kNoMemory = "Could not create new element (Not enough memory)";
constexpr const char* kGaugePageOnly = "This page can only contain Gauge elements or Labels";
constexpr const char* kOneAuxOnInj =
    "You can only have one block for Aux Outputs on Injector Outputs";

// Constant bytes cleared for a new element: tables get their default block.
int newConstBlockSize(int type) {
    if (type == ElementType::Table2D)
        return 9;
    if (type == ElementType::Table3D)
        return 18;
    return typeInfo(type).constSize;
}

} // namespace

bool tECU::IsCreatableType(int type) {
    const TypeInfo& info = typeInfo(type);
    return info.valid && type != ElementType::Finish && !isDedicatedType(type);
}

uint16_t tECU::UnlinkedLiteral(int type) {
    return type == ElementType::Multiplier ? 50 : 0;
}

bool tECU::CreateElement(int type, int column, int row, const std::string& name, int page,
                         int* newIndex) {
    const TypeInfo& info = typeInfo(type);
    if (!info.valid || type == ElementType::Finish) {
        messages_->error("Could not create new element (unknown type " + std::to_string(type) +
                         ")");
        return false;
    }

    // Walk the existing records; an unknown code ends the walk.
    int L = 0, C = 0, V = 0, i = 0;
    bool auxOnInjExists = false;
    for (;;) {
        int t = ReadLogicByte(L);
        int s = LogicSize(t);
        if (s <= 0 ||
            !(L < kLogicRecordLimit && i < kMaxElements && C < kConstSize && V < kLiveSize))
            break;
        if (t == ElementType::AuxOnInj)
            auxOnInjExists = true;
        C += ConstSize(t, C);
        V += LiveSize(t);
        L += s;
        ++i;
    }

    int logicSize = info.logicSize;
    bool constFits;
    if (type == ElementType::Table2D)
        constFits = kConstSize - C > 9;
    else if (type == ElementType::Table3D)
        constFits = kConstSize - C > 18;
    else
        constFits = info.constSize < kConstSize - C;
    // The live block must lie inside the live area too: outputs beyond it would
    // have no valid address and their run-time values would land on the page names.
    bool liveFits = V + info.liveSize <= kLiveSize;
    if (!(L < kLogicRecordLimit && C < kConstSize && V < kLiveSize && i < kMaxElements &&
          logicSize < kLogicSize - L && constFits && liveFits)) {
        messages_->error(kNoMemory);
        return false;
    }
    if ((page & 0x7F) == 0 && type != ElementType::Gauge && type != ElementType::Label) {
        messages_->error(kGaugePageOnly);
        return false;
    }
    if (type == ElementType::AuxOnInj && auxOnInjExists) {
        messages_->error(kOneAuxOnInj);
        return false;
    }

    WriteLogicByte(L, static_cast<uint8_t>(type), false);
    WriteLogicByte(L + 1, static_cast<uint8_t>(column), false);
    WriteLogicByte(L + 2, static_cast<uint8_t>(row), false);
    WriteLogicByte(L + 3, static_cast<uint8_t>(page), false);

    int namePos = (kNumPages + i) * kNameLength;
    for (int k = 0; k < kNameLength; ++k) {
        uint8_t b = k < static_cast<int>(name.size()) ? static_cast<uint8_t>(name[k]) : 0;
        WriteNameByte(namePos + k, b);
    }

    for (int k = 4; k < logicSize; ++k)
        WriteLogicByte(L + k, 0, false);
    int constSize = newConstBlockSize(type);
    for (int k = 0; k < constSize; ++k)
        WriteConstByte(C + k, 0);

    // Defaults of the type.
    switch (type) {
    case ElementType::Table2D: {
        const uint8_t block[9] = {2, 0, 0, 0x88, 0x13, 0, 0, 0, 0};
        for (int k = 0; k < 9; ++k)
            WriteConstByte(C + k, block[k]);
        break;
    }
    case ElementType::Table3D: {
        const uint8_t block[10] = {2, 2, 0, 0, 0x88, 0x13, 0, 0, 0x88, 0x13};
        for (int k = 0; k < 10; ++k)
            WriteConstByte(C + k, block[k]);
        break;
    }
    case ElementType::Multiplier:
        for (int k = 0; k < 3; ++k)
            WriteLogicWord(L + 4 + 2 * k, 50, false);
        break;
    case ElementType::Comparator:
        WriteConstByte(C, 4);
        break;
    case ElementType::Latch:
    case ElementType::AnalogueInputs:
        WriteConstByte(C, 1);
        break;
    case ElementType::Gauge:
        WriteConstWord(C, 0);
        WriteConstWord(C + 2, 5000);
        WriteConstWord(C + 4, 4000);
        WriteConstWord(C + 6, 4500);
        WriteConstByte(C + 8, 2);
        break;
    case ElementType::Mux4:
    case ElementType::Mux32: {
        int labels = type == ElementType::Mux4 ? 4 : 32;
        int first = type == ElementType::Mux4 ? 12 : 68;
        for (int r = 0; r < labels; ++r) {
            std::string label = "Input " + std::to_string(r + 1);
            for (int k = 0; k < static_cast<int>(label.size()); ++k)
                WriteLogicByte(L + first + 16 * r + k, static_cast<uint8_t>(label[k]), false);
        }
        break;
    }
    default:
        break;
    }

    WriteLogicByte(L + logicSize, ElementType::Finish, false);
    if (newIndex)
        *newIndex = i;
    RebuildIndex(false, true);
    UpdateUsageWords();
    return true;
}

void tECU::DeleteElement(int a) {
    if (a < 0 || a >= NumElements)
        return;
    const HeldReferences::Snapshot held = HeldReferences::Capture(*this);
    const int t = TypeOf(a);
    const int lsz = LogicSize(t);
    const int csz = ConstSize(t, ElementConstOffset[a]);
    const int vsz = LiveSize(t);
    const int outputs = OutputCount(t);
    const int b = ElementLiveOffset[a];
    const int end = LogicEnd();
    const int oldCount = NumElements;

    // Records behind the deleted one move down; the bytes left behind become 0xFF.
    for (int x = ElementLogicOffset[a] + lsz; x <= end && x < kLogicSize; ++x) {
        WriteLogicByte(x - lsz, ReadLogicByte(x), false);
        WriteLogicByte(x, ElementType::Finish, false);
    }

    // Constant blocks behind it move down; a corrupt constant end never takes the
    // copy past the constant area.
    const int constEnd = ConstEnd() < kConstSize ? ConstEnd() : kConstSize;
    for (int y = ElementConstOffset[a] + csz; y < constEnd; ++y)
        WriteConstByte(y - csz, ReadConstByte(y));

    // Names of the later elements move down one slot; the last slot keeps its copy.
    for (int p = kNameLength * (a + kNumPages + 1); p < kNameLength * (oldCount + kNumPages); ++p)
        WriteNameByte(p - kNameLength, ReadNameByte(p));

    // Link repair over the shortened area, with the live offsets of the old index.
    // Only input words that lie wholly inside the logic area are touched.
    int L = 0;
    for (int count = 0; count < kMaxElements && L < kLogicRecordLimit - 1; ++count) {
        int type = ReadLogicByte(L);
        int size = LogicSize(type);
        if (size <= 0)
            break;
        int inputs = InputCount(type);
        for (int k = 0; k < inputs; ++k) {
            int addr = L + 4 + 2 * k;
            if (addr + 1 >= kLogicSize)
                break;
            uint16_t w = ReadLogicWord(addr);
            if (!(w & 1))
                continue;
            int s = w & 0xFFFE;
            if (s >= b && s < b + 2 * outputs)
                WriteLogicWord(addr, UnlinkedLiteral(type), false);
            else if (s >= b + vsz)
                WriteLogicWord(addr, static_cast<uint16_t>((s - vsz) | 1), false);
        }
        L += size;
    }

    EraseIdentity(a);
    RebuildIndex(false, true);
    UpdateUsageWords();
    HeldReferences::Follow(*this, held);
}

void tECU::UnlinkInput(int recordAddr, int input) {
    int addr = recordAddr + 4 + 2 * (input - 1);
    if (!(ReadLogicWord(addr) & 1))
        return;
    WriteLogicByte(addr, static_cast<uint8_t>(UnlinkedLiteral(ReadLogicByte(recordAddr))), false);
    WriteLogicByte(addr + 1, 0, false);
}

bool tECU::LinkInput(int element, int input, int source, int output) {
    if (element < 0 || element >= NumElements || source < 0 || source >= NumElements)
        return false;
    if (input < 0 || input >= InputCount(TypeOf(element)) || output < 0 ||
        output >= OutputCount(TypeOf(source)))
        return false;
    auto word = static_cast<uint16_t>((ElementLiveOffset[source] + 2 * output) | 1);
    WriteLogicWord(InputWordAddress(element, input), word, false);
    return true;
}

bool tECU::SetLiteral(int element, int input, double value) {
    if (element < 0 || element >= NumElements || input < 0 || input >= InputCount(TypeOf(element)))
        return false;
    // Outside the typed range the raw value would not fit in 16 bits.
    if (!(value >= -655.0 && value <= 655.0))
        return false;
    auto raw = static_cast<long>(std::nearbyint(value * 50.0));
    WriteLogicWord(InputWordAddress(element, input), static_cast<uint16_t>(raw & 0xFFFE), false);
    return true;
}

bool tECU::RenameSlot(int slot, const std::string& text) {
    if (slot < 0 || slot >= kNumNameSlots)
        return false;
    for (int k = 0; k < kNameLength; ++k) {
        uint8_t b = k < static_cast<int>(text.size()) ? static_cast<uint8_t>(text[k]) : 0;
        WriteNameByte(slot * kNameLength + k, b);
    }
    return true;
}

void tECU::FillPageList(ChoiceList& list) const {
    int selected = list.selected;
    bool blank[kNumPages];
    for (bool& b : blank)
        b = true;
    int L = 0;
    for (int count = 0; count < kMaxElements;) {
        int size = LogicSize(ReadLogicByte(L));
        if (size <= 0)
            break;
        blank[ReadLogicByte(L + 3) & 0x7F] = false;
        L += size;
        ++count;
        if (L >= kLogicRecordLimit - 1)
            break;
    }
    list.items.clear();
    for (int p = 0; p < kNumPages; ++p) {
        int number = p + 1;
        std::string caption = number < 10 ? "   " : number < 100 ? "  " : "";
        caption += std::to_string(number) + ": " + NameOf(p);
        if (blank[p])
            caption += " (blank)";
        list.items.push_back(caption);
    }
    list.selected = selected;
}

} // namespace zolmar
