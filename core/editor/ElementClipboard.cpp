#include "editor/ElementClipboard.h"

#include "model/Tables.h"

namespace zolmar {

using namespace Layout;

namespace {

constexpr const char* kTooMuch = "Could not copy (Too much data)";
constexpr const char* kTooMany = "Could not copy (Too many items)";
constexpr const char* kAuxOnInj =
    "Could not copy (you can only have one block for Aux Outputs on Inj Outputs)";
constexpr const char* kNoMemory = "Cannot paste (Not enough memory)";
constexpr const char* kGaugePageOnly = "This page can only contain Gauge elements or Labels";

uint16_t wordAt(const std::array<uint8_t, ElementClipboard::kSize>& b, int at) {
    return static_cast<uint16_t>(b[static_cast<size_t>(at)] |
                                 (b[static_cast<size_t>(at + 1)] << 8));
}

void putWord(std::array<uint8_t, ElementClipboard::kSize>& b, int at, uint16_t w) {
    b[static_cast<size_t>(at)] = static_cast<uint8_t>(w & 0xFF);
    b[static_cast<size_t>(at + 1)] = static_cast<uint8_t>(w >> 8);
}

// The element whose output lives at the address, or -1; its output number in output.
int sourceOf(const tECU& ecu, int liveAddr, int& output) {
    for (int i = 0; i < ecu.NumElements; ++i) {
        int first = ecu.ElementLiveOffset[i];
        int outputs = ecu.OutputCount(ecu.TypeOf(i));
        if (liveAddr >= first && liveAddr < first + 2 * outputs && ((liveAddr - first) & 1) == 0) {
            output = (liveAddr - first) / 2;
            return i;
        }
    }
    return -1;
}

} // namespace

void ElementClipboard::clear() {
    outside_.clear();
    count_ = 0;
    logicTotal_ = 0;
    constTotal_ = 0;
    single_ = false;
    logicSizes_.clear();
    constSizes_.clear();
}

bool ElementClipboard::isInputWord(int type, int b) {
    if (b < 4)
        return false;
    if (type == ElementType::Mux4 && b >= 12 && b < 76)
        return false;
    if (type == ElementType::Mux32 && b >= 68 && b < 580)
        return false;
    return true;
}

bool ElementClipboard::refuse(tECU& ecu, const char* message) {
    clear();
    ecu.messages().error(message);
    return false;
}

bool ElementClipboard::append(tECU& ecu, int element, const std::vector<int>& group) {
    const int type = ecu.TypeOf(element);
    const int lsz = tECU::LogicSize(type);
    const int csz = ecu.ConstSize(type, ecu.ElementConstOffset[element]);
    if (lsz > kMaxLogic || csz > kMaxConst || logicTotal_ + lsz > kMaxLogic ||
        constTotal_ + csz > kMaxConst || count_ >= kMaxItems)
        return refuse(ecu, kTooMuch);

    const int record = ecu.ElementLogicOffset[element];
    const int at = logicTotal_;
    for (int b = 0; b < lsz; ++b)
        bytes_[static_cast<size_t>(at + b)] = ecu.ReadLogicByte(record + b);
    // A group's links are kept by position when their source is in the group; every
    // other link by its source's identity, because live addresses move.
    for (int b = 4; b + 1 < lsz; b += 2) {
        if (!isInputWord(type, b))
            continue;
        uint16_t w = wordAt(bytes_, at + b);
        if (!(w & 1))
            continue;
        int s = w & 0xFFFE;
        bool inGroup = false;
        if (group.size() > 1) {
            uint16_t coded = static_cast<uint16_t>((s << 2) | 3);
            for (size_t t = 0; t < group.size(); ++t) {
                int g = group[t];
                int first = ecu.ElementLiveOffset[g];
                int outputs = ecu.OutputCount(ecu.TypeOf(g));
                if (s >= first && s < first + 2 * outputs && ((s - first) & 1) == 0) {
                    int o = (s - first) / 2;
                    coded = static_cast<uint16_t>(((o & 0x1F) << 11) | ((t & 0xFF) << 2) | 1);
                    inGroup = true;
                    break;
                }
            }
            putWord(bytes_, at + b, coded);
        }
        int output = 0;
        int source = inGroup ? -1 : sourceOf(ecu, s, output);
        if (source >= 0)
            outside_.push_back({count_, b, ElementRef(ecu, source), output});
    }
    const int c = ecu.ElementConstOffset[element];
    for (int k = 0; k < csz; ++k)
        bytes_[static_cast<size_t>(kConstAt + constTotal_ + k)] = ecu.ReadConstByte(c + k);
    const int name = kNamesAt + kNameLength * count_;
    for (int k = 0; k < kNameLength; ++k)
        bytes_[static_cast<size_t>(name + k)] =
            ecu.ReadNameByte((kNumPages + element) * kNameLength + k);

    logicTotal_ += lsz;
    constTotal_ += csz;
    logicSizes_.push_back(lsz);
    constSizes_.push_back(csz);
    ++count_;
    return true;
}

bool ElementClipboard::copySingle(tECU& ecu, int element) {
    clear();
    if (element < 0 || element >= ecu.NumElements)
        return false;
    int type = ecu.TypeOf(element);
    if (type == ElementType::AuxOnInj)
        return refuse(ecu, kAuxOnInj);
    // The six dedicated elements exist once each; the menu never offers them.
    if (isDedicatedType(type) || !typeInfo(type).valid)
        return false;
    single_ = true;
    return append(ecu, element, {element});
}

bool ElementClipboard::copyGroup(tECU& ecu, const std::vector<int>& elements) {
    clear();
    if (static_cast<int>(elements.size()) >= kMaxItems)
        return refuse(ecu, kTooMany);
    for (int e : elements) {
        if (e < 0 || e >= ecu.NumElements)
            return false;
        int type = ecu.TypeOf(e);
        if (type == ElementType::AuxOnInj)
            return refuse(ecu, kAuxOnInj);
        if (isDedicatedType(type) || !typeInfo(type).valid) {
            clear();
            return false;
        }
    }
    single_ = elements.size() == 1;
    for (int e : elements)
        if (!append(ecu, e, elements))
            return false;
    return count_ > 0;
}

bool ElementClipboard::paste(tECU& ecu, int page, std::vector<int>& pasted) const {
    int unlinked = 0;
    if (!paste(ecu, page, pasted, unlinked))
        return false;
    if (unlinked > 0)
        ecu.messages().information(
            std::to_string(unlinked) +
            (unlinked == 1 ? " pasted input was" : " pasted inputs were") +
            " left unlinked: the elements they were linked to are not in this configuration.");
    return true;
}

bool ElementClipboard::paste(tECU& ecu, int page, std::vector<int>& pasted, int& unlinked) const {
    pasted.clear();
    unlinked = 0;
    if (count_ == 0)
        return false;
    const int logicEnd = ecu.LogicEnd();
    const int constEnd = ecu.ConstEnd();
    const int liveEnd = ecu.LiveEnd();
    const int n = ecu.NumElements;
    int liveTotal = 0;
    bool gaugePageOnly = true;
    for (int k = 0, at = 0; k < count_; at += logicSizes_[static_cast<size_t>(k)], ++k) {
        int type = bytes_[static_cast<size_t>(at)];
        liveTotal += tECU::LiveSize(type);
        if (type != ElementType::Gauge && type != ElementType::Label)
            gaugePageOnly = false;
    }
    // The live blocks must fit too, or the pasted outputs would have no address.
    if (logicTotal_ >= 0xB000 - logicEnd || constTotal_ >= kConstSize - constEnd ||
        count_ >= kMaxElements - n || liveTotal > kLiveSize - liveEnd) {
        ecu.messages().error(kNoMemory);
        return false;
    }
    if ((page & 0x7F) == 0 && !gaugePageOnly) {
        ecu.messages().error(kGaugePageOnly);
        return false;
    }

    // Live offset of each held element once pasted.
    std::vector<int> liveOf(static_cast<size_t>(count_));
    for (int k = 0, at = 0, live = liveEnd; k < count_;
         at += logicSizes_[static_cast<size_t>(k)], ++k) {
        liveOf[static_cast<size_t>(k)] = live;
        live += tECU::LiveSize(bytes_[static_cast<size_t>(at)]);
    }

    int L = logicEnd;
    int C = constEnd;
    for (int k = 0, at = 0, cat = kConstAt; k < count_; ++k) {
        const int lsz = logicSizes_[static_cast<size_t>(k)];
        const int csz = constSizes_[static_cast<size_t>(k)];
        const int type = bytes_[static_cast<size_t>(at)];
        const int name = kNamesAt + kNameLength * k;
        for (int b = 0; b < kNameLength; ++b)
            ecu.WriteNameByte((kNumPages + n + k) * kNameLength + b,
                              bytes_[static_cast<size_t>(name + b)]);
        ecu.WriteLogicByte(L, static_cast<uint8_t>(type), false);
        ecu.WriteLogicByte(L + 1, static_cast<uint8_t>(bytes_[static_cast<size_t>(at + 1)] + 3),
                           false);
        ecu.WriteLogicByte(L + 2, static_cast<uint8_t>(bytes_[static_cast<size_t>(at + 2)] + 3),
                           false);
        ecu.WriteLogicByte(L + 3, static_cast<uint8_t>(page & 0x7F), false);
        for (int b = 4; b < lsz; ++b) {
            if (!isInputWord(type, b) || b + 1 >= lsz || single_) {
                ecu.WriteLogicByte(L + b, bytes_[static_cast<size_t>(at + b)], false);
                continue;
            }
            uint16_t w = wordAt(bytes_, at + b);
            if (w & 1) {
                if (w & 2) {
                    w = static_cast<uint16_t>((w >> 2) | 1);
                } else {
                    int t = (w >> 2) & 0xFF;
                    int o = (w >> 11) & 0x1F;
                    int base = t < count_ ? liveOf[static_cast<size_t>(t)] : liveEnd;
                    w = static_cast<uint16_t>(((base + 2 * o) & 0xFFFF) | 1);
                }
            }
            ecu.WriteLogicWord(L + b, w, false);
            ++b;
        }
        // Outside sources where they are now, or no link when they are not here.
        for (const OutsideLink& link : outside_) {
            if (link.item != k || link.byte + 1 >= lsz)
                continue;
            int source = link.source.index(ecu);
            uint16_t w = tECU::UnlinkedLiteral(type);
            if (source >= 0 && link.output < ecu.OutputCount(ecu.TypeOf(source)))
                w = static_cast<uint16_t>((ecu.ElementLiveOffset[source] + 2 * link.output) | 1);
            else
                ++unlinked;
            ecu.WriteLogicWord(L + link.byte, w, false);
        }
        for (int b = 0; b < csz; ++b)
            ecu.WriteConstByte(C + b, bytes_[static_cast<size_t>(cat + b)]);
        L += lsz;
        C += csz;
        at += lsz;
        cat += csz;
    }
    ecu.WriteLogicByte(L, ElementType::Finish, false);
    ecu.RebuildIndex(false, true);
    ecu.UpdateUsageWords();
    for (int k = 0; k < count_; ++k)
        pasted.push_back(n + k);

    // One line per element, per input and per constant byte.
    const std::string pageText = std::to_string((page & 0x7F) + 1);
    for (int k = 0, at = 0; k < count_; at += logicSizes_[static_cast<size_t>(k)], ++k) {
        int e = n + k;
        if (e >= ecu.NumElements)
            break;
        int type = ecu.TypeOf(e);
        ecu.LogChange("Pasted a new " + tECU::TypeName(type) + " called " +
                      ecu.NameOf(kNumPages + e) + " to page " + pageText);
        int inputs = tECU::InputCount(type);
        for (int in = 0; in < inputs; ++in) {
            std::string number = std::to_string(in + 1);
            uint16_t held = wordAt(bytes_, at + 4 + 2 * in);
            uint16_t w = ecu.InputWord(e, in);
            if (!(w & 1)) {
                ecu.LogChange("Literal value of " + Tables::TwoDecimals(static_cast<int16_t>(w)) +
                              " on input " + number);
            } else if (!single_ && !(held & 2)) {
                int t = (held >> 2) & 0xFF;
                int o = (held >> 11) & 0x1F;
                ecu.LogChange("Link from output " + std::to_string(o + 1) +
                              " of pasted element called Pg" + pageText + "." +
                              ecu.NameOf(kNumPages + n + t) + " on input " + number);
            } else {
                std::string source;
                ecu.NameOfLiveAddress(w & 0xFFFE, source);
                ecu.LogChange("Link from " + source + " on input " + number);
            }
        }
        int c = ecu.ElementConstOffset[e];
        int csz = constSizes_[static_cast<size_t>(k)];
        for (int b = 0; b < csz; ++b)
            ecu.LogChange("Constant byte " + std::to_string(b) + " with a value of " +
                          std::to_string(ecu.ReadConstByte(c + b)));
    }
    return true;
}

} // namespace zolmar
